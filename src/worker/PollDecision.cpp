// When a title update is due, and what a delivered or failed update changes.
#include "worker/PollDecision.h"

#include <limits>

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

void recordUpdateResult(bool delivered, const std::string& trackText, std::string& lastSentText,
                        std::int32_t& repeatCounter) {
    if (!delivered) {
        repeatCounter = counterAfterFailure;
        return;
    }
    lastSentText = trackText;
    repeatCounter = 0;
}

bool runPoll(const std::string& trackText, SendState& state, const UpdateSender& send) {
    if (!updateIsDue(trackText, state.lastSentText, state.repeatCounter))
        return false;
    const bool delivered = send(trackText);
    recordUpdateResult(delivered, trackText, state.lastSentText, state.repeatCounter);
    return true;
}
