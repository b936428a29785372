// The title delay and the skip list between the host's poll and the send rule.
#include "worker/TitleGate.h"

#include "worker/SkipTitles.h"
#include "worker/TitleDelay.h"

#include <utility>

constexpr std::int64_t nanosecondsPerMillisecond = 1'000'000;

TitleGate::TitleGate(std::int32_t delayMilliseconds, std::vector<std::wstring> skipTitles,
                     HostTextReader readHostText)
    : delayNanoseconds_(delayMilliseconds * nanosecondsPerMillisecond), skipTitles_(std::move(skipTitles)),
      readHostText_(readHostText) {}

bool TitleGate::isSkipped(const std::string& trackText) const {
    if (skipTitles_.empty() || readHostText_ == nullptr)
        return false;
    return holdsSkipTitle(readHostText_(trackText), skipTitles_);
}

std::string TitleGate::pass(const std::string& trackText, std::int64_t pollTime) {
    if (trackText.empty()) {
        waiting_.clear();
        return std::string();
    }
    if (trackText == passed_) {
        waiting_.clear();
        return passed_;
    }
    // A text already waiting was matched against the skip list when it began to wait.
    if (trackText != waiting_) {
        if (isSkipped(trackText)) {
            waiting_.clear();
            return passed_;
        }
        waiting_ = trackText;
        waitingSince_ = pollTime;
    }
    if (pollTime - waitingSince_ < delayNanoseconds_)
        return passed_;
    passed_ = waiting_;
    waiting_.clear();
    return passed_;
}

TitleGate titleGateFor(const StreamSettings& settings, HostTextReader readHostText) {
    return TitleGate(readTitleDelay(settings.titleDelay).milliseconds, skipTitleList(settings.skipTitles),
                     readHostText);
}
