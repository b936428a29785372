// One run of the check tool's check on a thread of its own, so the window never waits on the
// network: the Test button's check of one section, or the watch through a set. Its text and
// verdicts are kept for the window, which `news` wakes.
#pragma once

#include "CheckOptions.h"
#include "Console.h"

#include <atomic>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

class CheckRun : private CheckOutput {
  public:
    // Starts the run. `news` is called on the run's threads whenever lines, a verdict or the end
    // wait; it must only wake the window. One run at a time: the check's output has one place.
    CheckRun(CheckOptions options, std::function<void()> news);
    ~CheckRun() override; // cancels, and waits for the run's end
    CheckRun(const CheckRun&) = delete;
    CheckRun& operator=(const CheckRun&) = delete;

    // Ends the watch's waits at once; a request already on its way ends within its time limit.
    void cancel();
    bool finished() const { return finished_; }
    int exitCode() const { return exitCode_; }
    // The whole lines printed since the last call.
    std::vector<std::string> takeLines();
    // The last verdict shown, if any.
    std::optional<CheckVerdict> lastVerdict();

  private:
    void text(const std::string& utf8) override;
    void verdict(const CheckVerdict& verdict) override;
    void run(const CheckOptions& options);

    std::function<void()> news_;
    std::mutex mutex_;
    std::string partial_;
    std::vector<std::string> lines_;
    std::optional<CheckVerdict> verdict_;
    std::atomic<bool> finished_{false};
    std::atomic<int> exitCode_{0};
    std::thread thread_;
};
