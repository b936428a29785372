// Plain-word verdicts for the stream watch.
#include "listeners/StreamWatch.h"

#include "WinHttpErrors.h"

#include <cstdio>

static CheckVerdict problem(std::string happened, std::string advice) {
    return CheckVerdict{false, std::move(happened), std::move(advice)};
}

static CheckVerdict requestFailed(std::uint32_t error) {
    if (error == winhttpError::nameNotResolved)
        return problem(
            "The stream's server name could not be resolved.",
            "Check the host name in server_url (or --stream) and this computer's internet connection.");
    if (error == winhttpError::cannotConnect || error == winhttpError::socketRefused)
        return problem("The connection to the stream's server was refused or could not be made.",
                       "Check the port, and that the server is running and reachable from here (firewall, "
                       "router).");
    if (error == winhttpError::timeout || error == winhttpError::socketTimeout)
        return problem("The stream's server did not answer in time.",
                       "Check host and port; a firewall may be dropping the connection.");
    if (winhttpError::isTlsError(error))
        return problem(
            "The secure (https) connection to the stream failed: Windows does not trust the server's "
            "certificate, or the server speaks no https on this port.",
            "Players on this computer fail the same way. Give the stream's http:// address with "
            "--stream, or fix the certificate (it must match the host name and be signed by an "
            "authority Windows trusts).");
    if (error == winhttpError::invalidServerResponse)
        return problem("The server answers players in the old ICY form (\"ICY 200 OK\"), which Windows' HTTP "
                       "client cannot read.",
                       "Give the server's HTTP stream address with --stream (on Shoutcast v2 "
                       "http://host:port/stream/1/), or check the title in a player.");
    if (winhttpError::isConnectionDropped(error))
        return problem(
            "The stream's server closed the connection without answering.",
            "Check that the address names the server's HTTP port and that the scheme (http or https) "
            "is the one it speaks.");
    return problem("Listening to the stream failed.", "Check the stream address and the network connection.");
}

// Shoutcast DNAS turns listeners away with 401 from a stream that has no source, and names
// itself in the answer's notices; a password for listeners it has not.
static bool dnasWithoutSource(const StreamFailure& failure) {
    return failure.status == 401 &&
           recogniseServer(ServerSigns{failure.status, failure.server, failure.icyNotices, {}}).kind ==
               ServerKind::shoutcastDnas;
}

static CheckVerdict statusRefused(const StreamFailure& failure) {
    const std::uint32_t status = failure.status;
    const std::string said = "The stream address";
    if (dnasWithoutSource(failure))
        return problem(
            "Nothing streams there now: Shoutcast DNAS turns listeners away from a stream while no "
            "encoder is connected to it.",
            "Start your encoder on this stream (its stream number must be the sid in the settings), "
            "then listen again.");
    if (status == 404)
        return problem(
            said + " has no stream: there is no such mount, or no encoder is streaming to it right now.",
            "Check mount (or --stream) against the encoder's settings, and that the encoder is live.");
    if (status == 401)
        return problem(
            said + " is protected and asks for a user name and password.",
            "Listeners need them too. Watch an unprotected mount with --stream, or check the title "
            "in a player that has the password.");
    if (status == 403)
        return problem(said + " turns this listener away.",
                       "The server may take listeners only from certain addresses, or be full; check in a "
                       "player.");
    if (status >= 300 && status < 400)
        return problem(said + " sends listeners elsewhere.",
                       "Give the address it redirects to with --stream.");
    if (status == 400)
        return problem(said + " is not one the server streams to a player.",
                       "Check mount (or --stream): it must be the address your listeners play.");
    return problem(said + " gave no stream.",
                   "Check the stream address (mount, or --stream), or try again later.");
}

static bool containsAny(const std::string& text, std::initializer_list<const char*> parts) {
    for (const char* part : parts) {
        if (text.find(part) != std::string::npos)
            return true;
    }
    return false;
}

static CheckVerdict noMetadata(const std::string& contentType) {
    const std::string format = contentType.empty() ? std::string() : " (its format: " + contentType + ")";
    const std::string happened = "The stream carries no titles for players to read: its answer has no "
                                 "icy-metaint" +
                                 format + ".";
    if (containsAny(contentType, {"ogg", "opus", "flac", "webm"}))
        return problem(happened +
                           " Ogg, Opus and FLAC streams carry titles inside the audio, or none at all.",
                       "This watch reads the titles of MP3 and AAC streams. Watch an MP3 or AAC mount of the "
                       "station, or look at a player.");
    return problem(happened + " The server sends this stream without titles.",
                   "Check that the address is the stream your listeners play (a relay or platform may strip "
                   "titles), or look at a player.");
}

LimitReached limitReachedOn(const StreamFailure& failure) {
    return failure.step == StreamStep::status ? limitReachedIn(failure.serverWords) : LimitReached::none;
}

// Servers answer a listener over their limit with 403 or 503, and name the limit in words.
static CheckVerdict full(LimitReached limit) {
    const std::string advice =
        "Listeners already in hear the stream and get its titles; new ones get in only as "
        "others leave. Ask whoever runs the server for more listener slots.";
    if (limit == LimitReached::connections)
        return problem("The server is full: it takes no more connections (its client limit), so it turns "
                       "new listeners away.",
                       advice);
    return problem("The stream is full: the server lets no more listeners in.", advice);
}

CheckVerdict explainStreamFailure(const StreamFailure& failure) {
    switch (failure.step) {
    case StreamStep::badAddress:
        return problem("The stream address cannot be used.",
                       "Write it as http://host:port/path or https://host:port/path, for example "
                       "http://radio.example.com:8000/live.");
    case StreamStep::status: {
        const LimitReached limit = limitReachedOn(failure);
        CheckVerdict result = limit != LimitReached::none ? full(limit) : statusRefused(failure);
        result.detail = "HTTP status " + std::to_string(failure.status);
        return result;
    }
    case StreamStep::noMetadata:
        return noMetadata(failure.contentType);
    case StreamStep::ended:
        return problem("The server ended the stream.", "Check that the encoder is still streaming.");
    case StreamStep::readFailed: {
        if (failure.platformError == winhttpError::timeout)
            return problem("The stream stalled: no audio arrived for a while.",
                           "Check that the encoder is still streaming and this computer's connection.");
        CheckVerdict result =
            problem("The connection to the stream broke.",
                    "Check that the encoder is still streaming and this computer's connection.");
        result.detail = "Windows error " + std::to_string(failure.platformError);
        return result;
    }
    case StreamStep::request:
        break;
    }
    CheckVerdict result = requestFailed(failure.platformError);
    result.detail = "Windows error " + std::to_string(failure.platformError);
    return result;
}

std::string secondsText(double seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", seconds < 0 ? 0.0 : seconds);
    return text;
}

TitleArrival::TitleArrival(std::string expected) : expected_(std::move(expected)) {}

void TitleArrival::updateSent(double at) {
    sentAt_ = at;
}

void TitleArrival::titleSeen(const std::string& title, double at) {
    if (!sentAt_) {
        before_ = title;
        return;
    }
    after_.push_back(title);
    if (title == expected_ && !arrivedAfter_)
        arrivedAfter_ = at - *sentAt_;
}

// The last title after the update that was neither the one before nor the one sent.
static std::optional<std::string> otherTitle(const std::vector<std::string>& after,
                                             const std::optional<std::string>& before) {
    for (auto title = after.rbegin(); title != after.rend(); ++title) {
        if (!before || *title != *before)
            return *title;
    }
    return std::nullopt;
}

CheckVerdict TitleArrival::verdict(int waitedSeconds, const std::optional<StreamFailure>& failure) const {
    if (arrivedAfter_)
        return CheckVerdict{true, "listeners received the title after " + secondsText(*arrivedAfter_) + " s",
                            ""};
    const std::string within = " within " + std::to_string(waitedSeconds) + " s";
    if (failure && (failure->step == StreamStep::noMetadata || after_.empty())) {
        CheckVerdict why = explainStreamFailure(*failure);
        why.happened = "could not listen to the stream. " + why.happened;
        return why;
    }
    if (const std::optional<std::string> other = otherTitle(after_, before_))
        return problem(
            "listeners did not receive the title" + within + ": they got " + titleInWords(*other) +
                " instead.",
            "Something else sets this stream's title (the encoder, the plug-in in a running host, "
            "a relay or platform that puts in its own), or the update went to another mount than the "
            "one listened to: check mount, or --stream.");
    const std::string seen =
        before_ ? "listeners still get " + titleInWords(*before_) : "the stream carried no title at all";
    return problem(
        "the title did not reach listeners" + within + ": " + seen + ".",
        "If the server refused the update, fix that first (see above). Otherwise check that mount "
        "(or --stream) names the stream your listeners play: a relay or platform between the server "
        "and the listeners may drop titles.");
}
