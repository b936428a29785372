// Plain words for listening to a stream, and whether listeners received a title that was sent.
#pragma once

#include "CheckVerdict.h"
#include "server-answer/ServerKind.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// Where listening to a stream stopped.
enum class StreamStep {
    badAddress, // the stream address cannot be used
    request,    // resolving, connecting, TLS, sending or the answer's head failed
    status,     // the answer's status was not 200
    noMetadata, // a 200 without "icy-metaint": the stream carries no ICY titles
    ended,      // the server ended the stream
    readFailed, // reading the stream failed or stalled
};

struct StreamFailure {
    StreamStep step = StreamStep::request;
    std::uint32_t platformError = 0; // for request and readFailed
    std::uint32_t status = 0;        // for status
    std::string contentType;         // for noMetadata, as the server named it
    std::string serverWords = {};    // for status: the status line's words and the body's start, as ASCII
    std::string server = {};         // for status: the Server header
    std::string icyNotices = {};     // for status: icy-notice1 and icy-notice2, where a server names itself
};

// What happened and what to do, for a DJ; never confirmed.
CheckVerdict explainStreamFailure(const StreamFailure& failure);

// The limit the server named when it turned the listener away; none for any other failure.
LimitReached limitReachedOn(const StreamFailure& failure);

// Follows the titles a listener receives around one title update and judges whether the
// update's title arrived. Times are seconds on one monotonic clock.
class TitleArrival {
  public:
    explicit TitleArrival(std::string expected);

    void updateSent(double at);
    // A title as displayTitle gives it; before updateSent it is the title listeners had.
    void titleSeen(const std::string& title, double at);
    bool arrived() const { return arrivedAfter_.has_value(); }

    // The verdict once the wait of `waitedSeconds` ended; `failure` says why the stream could
    // not be heard at the end, if it could not.
    CheckVerdict verdict(int waitedSeconds, const std::optional<StreamFailure>& failure) const;

  private:
    std::string expected_;
    std::optional<double> sentAt_;
    std::optional<double> arrivedAfter_;
    std::optional<std::string> before_;
    std::vector<std::string> after_;
};

// How long after `seconds` it was, for the DJ: one decimal, "0.4", "12.0".
std::string secondsText(double seconds);
