// The decision of one poll: send the track text now, or wait.
#pragma once

#include "delivery/DeliveryReport.h"

#include <cstdint>
#include <functional>
#include <string>

constexpr std::int32_t repeatThreshold = 33;  // an unchanged text is refreshed on this poll
constexpr std::int32_t counterAfterFailure = 32; // so the next poll reaches the threshold
// Polls let pass after a refused login, so the next try comes on the 33rd poll, as a refresh would.
constexpr std::int32_t pollsSkippedAfterRefusedLogin = repeatThreshold - 1;

// What one server has been sent: the text of its last delivered update, the polls of an
// unchanged text since then, the polls still to let pass before it is asked again after it
// refused the login, and how it takes updates.
struct SendState {
    std::string lastSentText;
    std::int32_t repeatCounter = 0;
    std::int32_t pollsToSkip = 0;
    ServerMethods methods = ServerMethods::getThenPost;
};

// How an attempted update ended, as far as the send rule cares.
enum class SendResult { delivered, failed, loginRefused };

SendResult sendResultOf(bool delivered, const DeliveryReport& report);

// True when this poll must send: the text changed since the last delivered update, or it has
// stood unchanged long enough. Counts an unchanged poll in `repeatCounter`. Empty text never sends.
bool updateIsDue(const std::string& trackText, const std::string& lastSentText, std::int32_t& repeatCounter);

// Remembers a delivered text and restarts the count. Any failure arranges that the text goes out
// at the next poll that is let through: after a refused login that is the 33rd poll from now,
// after any other failure the next one.
void recordUpdateResult(SendResult result, const std::string& trackText, SendState& state);

using UpdateSender = std::function<SendResult(const std::string& trackText)>;

// One poll's work for one server after the host was asked: decide, send if due, record the
// result. Returns true when a send was attempted.
bool runPoll(const std::string& trackText, SendState& state, const UpdateSender& send);
