// Plain-word verdicts for every way a title update can go.
#include "server-answer/AnswerVerdict.h"

#include "WinHttpErrors.h"

#include <cstdint>

static bool contains(const std::string& text, const char* part) { return text.find(part) != std::string::npos; }

static CheckVerdict verdict(bool confirmed, std::string happened, std::string advice) {
    return CheckVerdict{confirmed, std::move(happened), std::move(advice)};
}

static CheckVerdict notReady(const CheckOutcome& outcome) {
    std::string missing;
    if (outcome.serverUrlMissing)
        missing = "server_url";
    if (outcome.passwordMissing)
        missing += missing.empty() ? "password" : " and password";
    return verdict(false, "Nothing was sent: the settings lack " + missing + ".",
                   "Add " + missing + " to the [stream] section of the settings file.");
}

static CheckVerdict explainNetworkError(std::uint32_t error) {
    if (error == winhttpError::nameNotResolved)
        return verdict(false, "The server's name could not be resolved.",
                       "Check the host name in server_url and this computer's internet connection.");
    if (error == winhttpError::cannotConnect || error == winhttpError::socketRefused)
        return verdict(false, "The connection was refused or could not be made.",
                       "Check the port in server_url and that the server is running and reachable from here "
                       "(firewall, router).");
    if (error == winhttpError::timeout || error == winhttpError::socketTimeout)
        return verdict(false, "The server did not answer in time.",
                       "Check the host and port in server_url; a firewall may be dropping the connection.");
    if (winhttpError::isTlsError(error))
        return verdict(false, "The secure (TLS) connection failed: the server's certificate was not accepted "
                              "or the server does not speak https on this port.",
                       "Use http:// if the server has no https on this port, or fix the server's certificate "
                       "(it must match the host name and be signed by an authority Windows trusts).");
    if (error == winhttpError::invalidServerResponse)
        return verdict(false, "The server answered with something that is not a valid HTTP answer.",
                       "Check that server_url names the port that takes title updates: Shoutcast servers and "
                       "Liquidsoap's harbor take the encoder on the port one above it. Check also that the "
                       "scheme (http or https) is the one the server speaks on this port.");
    if (error == winhttpError::connectionError)
        return verdict(false, "The server closed or reset the connection without answering.",
                       "Check that server_url points at the server's HTTP port and that the scheme (http or "
                       "https) is the one the server speaks.");
    return verdict(false, "The request failed.", "Check server_url and the network connection.");
}

static CheckVerdict networkFailure(const DeliveryReport& report) {
    CheckVerdict result = explainNetworkError(report.platformError);
    result.happened += " (Windows error " + std::to_string(report.platformError) + ")";
    return result;
}

// How each server says that it took a title. Icecast answers /admin/metadata with an XML
// message and admin.cgi with an HTML page holding the same words; Liquidsoap's harbor answers
// both of its inputs with one bare line that names the mount.
struct Confirmation {
    const char* words;
    const char* server;
};
static const Confirmation confirmations[] = {
    {"Metadata update successful", "Icecast"},
    {"Updated metadatas for mount", "Liquidsoap's harbor"},
};

static std::string quoted(const std::string& text) { return "\"" + text + "\""; }

static CheckVerdict unknownSuccess(const CheckOutcome& outcome) {
    const std::string message = serverMessage(outcome.answerBody);
    CheckVerdict result = verdict(
        false,
        "The server answered " + std::to_string(outcome.report.status) +
            (message.empty() ? " with no text" : " with " + quoted(message)) +
            ", an answer this tool does not know. The plug-in counts it as delivered, but nothing here confirms "
            "that the title was taken.",
        "Look at what a player (or the server's status page) shows: if the test title is there, all is well. "
        "If not, check that server_url points at the streaming server itself and that protocol matches it.");
    result.unknownAnswer = true;
    return result;
}

// A 2xx is only a confirmation when the server says so in its own words.
static CheckVerdict confirmedOrUnknown(const CheckOutcome& outcome) {
    const std::string& body = outcome.answerBody;
    for (const Confirmation& confirmation : confirmations) {
        if (!contains(body, confirmation.words))
            continue;
        const std::string message = serverMessage(body);
        const bool messageIsTheWords = message.rfind(confirmation.words, 0) == 0;
        return verdict(true, std::string(confirmation.server) + " confirmed the update: " +
                                 quoted(messageIsTheWords ? message : confirmation.words) + ".",
                       "");
    }
    return unknownSuccess(outcome);
}

static CheckVerdict icecastSuccess(const CheckOutcome& outcome) {
    if (contains(outcome.answerBody, "Mountpoint will not accept URL updates"))
        return verdict(false, "Icecast answered 200 but refused the title: \"Mountpoint will not accept URL "
                              "updates\".",
                       "Either the mount's format carries no titles (Ogg Opus, FLAC, WebM): use an MP3 or AAC "
                       "mount, or Ogg Vorbis. Or the update comes from another address than the encoder and "
                       "the credentials are not the admin's: when the encoder runs on another machine, set "
                       "username and password to Icecast's admin user and password.");
    return confirmedOrUnknown(outcome);
}

static CheckVerdict shoutcastSuccess(const CheckOutcome& outcome) {
    if (contains(outcome.answerBody, "Mountpoint will not accept URL updates"))
        return verdict(false, "The server answered 200 but refused the title: \"Mountpoint will not accept URL "
                              "updates\".",
                       "The stream's format carries no titles, or the update comes from another address than "
                       "the encoder: use the server's admin password.");
    return confirmedOrUnknown(outcome);
}

// Liquidsoap's harbor answers refusals with XHTML pages under this title.
static bool fromHarbor(const std::string& body) { return contains(body, "Liquidsoap source harbor"); }

static CheckVerdict harborRefusal(const CheckOutcome& outcome) {
    const std::uint32_t status = outcome.report.status;
    const bool icecast = outcome.dialect == ServerDialect::Icecast;
    const std::string said = "Liquidsoap's harbor answered " + std::to_string(status) + ".";
    if (status == 401)
        return verdict(false, said + " It refused the user name or password.",
                       icecast ? "Use the user name and password of the harbor's input, the ones the encoder uses "
                                 "(the user is normally \"source\"); the harbor has no admin user."
                               : "Use the password of the harbor's input and username=source (or the input's own "
                                 "user): the harbor compares the user name as well as the password.");
    if (status == 405)
        return verdict(false, said + " The input has no live source, or its source's format carries titles of "
                                     "its own (Ogg).",
                       "Start the encoder first, streaming MP3 or AAC; the harbor takes no title updates for an "
                       "Ogg stream.");
    if (icecast)
        return verdict(false, said + " The harbor has no input on this mount.",
                       "Set mount to the mount of the harbor's input, as the encoder uses it.");
    return verdict(false, said + " This port of the harbor has no Shoutcast-style (ICY) input.",
                   "Use the port of the harbor's ICY input, or protocol=icecast2 with the mount of this port's "
                   "input.");
}

static CheckVerdict unknownRefusal(const CheckOutcome& outcome) {
    const std::string message = serverMessage(outcome.answerBody);
    return verdict(false, "The server answered " + std::to_string(outcome.report.status) +
                              (message.empty() ? " with no text" : " with " + quoted(message)) +
                              ", an answer this tool does not know. The plug-in counts it as a failure.",
                   "Check server_url, protocol and mount.");
}

// The port one above the one for title updates takes the encoder at Shoutcast servers and
// Liquidsoap's harbor; an encoder's port copied into server_url fails the HTTP exchange.
static CheckVerdict sourcePort(const CheckOutcome& outcome) {
    const std::string port = std::to_string(outcome.port);
    const std::string below = std::to_string(outcome.port - 1);
    return verdict(false, "Port " + port + " gave no HTTP answer, but port " + below + " does: server_url most "
                              "likely names the encoder's (source) port, not the one for title updates. (Windows "
                              "error " + std::to_string(outcome.report.platformError) + ")",
                   "Use port " + below + " in server_url, the port one lower. Shoutcast servers and Liquidsoap's "
                   "harbor take the encoder on the port one above the one that takes title updates.");
}

static CheckVerdict rejected(const CheckOutcome& outcome) {
    const std::uint32_t status = outcome.report.status;
    const bool icecast = outcome.dialect == ServerDialect::Icecast;
    const std::string said = "The server answered " + std::to_string(status) + ".";
    if (fromHarbor(outcome.answerBody) && (status == 400 || status == 401 || status == 405))
        return harborRefusal(outcome);
    if (status == 401)
        return verdict(false, said + " The user name or password was refused.",
                       icecast ? "Use the mount's source password (username \"source\"), or Icecast's admin user "
                                 "and password."
                               : "Check the Shoutcast password (the stream's source (DJ) password, or the admin "
                                 "password) and username: servers that also read the user name, such as "
                                 "Liquidsoap's harbor, want the user the encoder logs in with, normally "
                                 "\"source\".");
    if (status == 403)
        return verdict(false, said + " The server forbids this update.",
                       "Check username and password; the server may allow updates only from certain addresses.");
    if (icecast && (status == 400 || status == 404)) {
        if (contains(outcome.answerBody, "Source does not exist") || contains(outcome.answerBody, "not available"))
            return verdict(false, said + " The mount has no live source.",
                           "Start the encoder first, then check that mount names the mount it streams to.");
        return verdict(false, said + " The mount is wrong or has no live source.",
                       "Check mount, start the encoder, and check the path in server_url.");
    }
    if (!icecast && status == 400)
        return verdict(false, said + " The server would not take a Shoutcast update for this stream.",
                       "Icecast takes admin.cgi only for a source that connected through its Shoutcast-"
                       "compatible port: set protocol=icecast2 and mount, or connect the encoder in Shoutcast "
                       "mode. On a Shoutcast server check sid.");
    if (!icecast && status == 404)
        return verdict(false, said + " The server has no admin.cgi here.",
                       "Check the path in server_url, and protocol: an Icecast server wants protocol=icecast2.");
    if (status >= 300 && status < 400)
        return verdict(false, said + " The server redirects elsewhere.", "Put the address it redirects to into "
                                                                         "server_url.");
    if (status >= 500)
        return verdict(false, said + " The server failed.", "Try again later, or look at the server's log.");
    return unknownRefusal(outcome);
}

CheckVerdict judgeOutcome(const CheckOutcome& outcome) {
    switch (outcome.report.failedStep) {
    case DeliveryStep::none:
        return outcome.dialect == ServerDialect::Icecast ? icecastSuccess(outcome) : shoutcastSuccess(outcome);
    case DeliveryStep::notReady:
        return notReady(outcome);
    case DeliveryStep::badAddress:
        return verdict(false, "Nothing was sent: server_url cannot be used. " + outcome.addressProblem,
                       "Write server_url as http://host:port/ or https://host:port/, for example "
                       "http://radio.example.com:8000/.");
    case DeliveryStep::statusRejected:
        return rejected(outcome);
    default:
        if (outcome.httpOnPortBelow && mayBeSourcePort(outcome.report))
            return sourcePort(outcome);
        return networkFailure(outcome.report);
    }
}

bool mayBeSourcePort(const DeliveryReport& report) {
    const bool duringExchange =
        report.failedStep == DeliveryStep::sendRequest || report.failedStep == DeliveryStep::receiveAnswer;
    return duringExchange && (report.platformError == winhttpError::invalidServerResponse ||
                              report.platformError == winhttpError::connectionError);
}

static std::string between(const std::string& text, const char* open, const char* close) {
    const std::size_t start = text.find(open);
    if (start == std::string::npos)
        return std::string();
    const std::size_t from = start + std::char_traits<char>::length(open);
    const std::size_t end = text.find(close, from);
    return end == std::string::npos ? std::string() : text.substr(from, end - from);
}

// The text of an answer without markup, on one line, cut to a readable length.
static std::string plainText(const std::string& text) {
    std::string result;
    bool inTag = false;
    for (char c : text) {
        if (c == '<' || c == '>') {
            inTag = c == '<';
            c = ' ';
        } else if (inTag) {
            continue;
        }
        const unsigned char byte = static_cast<unsigned char>(c);
        const bool space = byte <= 0x20 || byte == 0x7F;
        if (space && (result.empty() || result.back() == ' '))
            continue;
        result += space ? ' ' : c;
        if (result.size() >= 200)
            break;
    }
    while (!result.empty() && result.back() == ' ')
        result.pop_back();
    return result;
}

std::string serverMessage(const std::string& answerBody) {
    const std::string message = between(answerBody, "<message>", "</message>");
    if (!message.empty())
        return plainText(message);
    return plainText(answerBody);
}
