// The decision of one poll: send the track text now, or wait.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

constexpr std::int32_t repeatThreshold = 33;  // an unchanged text is refreshed on this poll
constexpr std::int32_t counterAfterFailure = 32; // so the next poll reaches the threshold

// What one server has been sent: the text of its last delivered update, and the polls of an
// unchanged text since then.
struct SendState {
    std::string lastSentText;
    std::int32_t repeatCounter = 0;
};

// True when this poll must send: the text changed since the last delivered update, or it has
// stood unchanged long enough. Counts an unchanged poll in `repeatCounter`. Empty text never sends.
bool updateIsDue(const std::string& trackText, const std::string& lastSentText, std::int32_t& repeatCounter);

// Remembers a delivered text and restarts the count; after a failure arranges a retry next poll.
void recordUpdateResult(bool delivered, const std::string& trackText, std::string& lastSentText,
                        std::int32_t& repeatCounter);

using UpdateSender = std::function<bool(const std::string& trackText)>;

// One poll's work for one server after the host was asked: decide, send if due, record the
// result. Returns true when a send was attempted.
bool runPoll(const std::string& trackText, SendState& state, const UpdateSender& send);
