// When a title update is due, and what a delivered or failed update changes.
#include "worker/PollDecision.h"

#include <limits>

SendResult sendResultOf(bool delivered, const DeliveryReport& report) {
    if (delivered)
        return SendResult::delivered;
    return loginRefused(report) ? SendResult::loginRefused : SendResult::failed;
}

bool updateIsDue(const std::string& trackText, const std::string& lastSentText, std::int32_t& repeatCounter) {
    if (trackText.empty())
        return false;
    if (trackText != lastSentText)
        return true;
    // Saturate rather than overflow if sends keep failing by exception and never reset it.
    if (repeatCounter < std::numeric_limits<std::int32_t>::max())
        ++repeatCounter;
    return repeatCounter >= repeatThreshold;
}

void recordUpdateResult(SendResult result, const std::string& trackText, SendState& state) {
    if (result == SendResult::delivered) {
        state.lastSentText = trackText;
        state.repeatCounter = 0;
        return;
    }
    state.repeatCounter = counterAfterFailure;
    if (result == SendResult::loginRefused)
        state.pollsToSkip = pollsSkippedAfterRefusedLogin;
}

// Every poll counts toward the wait after a refused login, silent ones too: the server's patience
// runs in time, not in titles.
bool runPoll(const std::string& trackText, SendState& state, const UpdateSender& send) {
    if (state.pollsToSkip > 0) {
        --state.pollsToSkip;
        return false;
    }
    if (!updateIsDue(trackText, state.lastSentText, state.repeatCounter))
        return false;
    recordUpdateResult(send(trackText), trackText, state);
    return true;
}
