// Running the check off the window's thread and collecting what it prints.
#include "test-run/CheckRun.h"

#include "SectionCheck.h"
#include "listeners/TitleWatch.h"

#include <exception>

CheckRun::CheckRun(CheckOptions options, std::function<void()> news)
    : news_(std::move(news)), thread_([this, options = std::move(options)] { run(options); }) {}

CheckRun::~CheckRun() {
    cancel();
    thread_.join();
}

void CheckRun::cancel() {
    interruptWatch();
}

void CheckRun::run(const CheckOptions& options) {
    resumeWatch();
    sendOutputTo(this);
    int code = 3;
    try {
        code = runCheck(options);
    } catch (const std::exception& error) {
        text(std::string("The check failed: ") + error.what() + "\n");
    }
    sendOutputTo(nullptr);
    exitCode_ = code;
    finished_ = true;
    news_();
}

void CheckRun::text(const std::string& utf8) {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        partial_ += utf8;
        for (std::size_t end = partial_.find('\n'); end != std::string::npos; end = partial_.find('\n')) {
            lines_.push_back(partial_.substr(0, end));
            partial_.erase(0, end + 1);
        }
    }
    news_();
}

void CheckRun::verdict(const CheckVerdict& verdict) {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        verdict_ = verdict;
    }
    news_();
}

std::vector<std::string> CheckRun::takeLines() {
    const std::lock_guard<std::mutex> lock(mutex_);
    std::vector<std::string> lines;
    lines.swap(lines_);
    return lines;
}

std::optional<CheckVerdict> CheckRun::lastVerdict() {
    const std::lock_guard<std::mutex> lock(mutex_);
    return verdict_;
}
