// Turns the outcome of one title update into plain words for a DJ: what happened, what to do.
// The server's answer counts, and where the server publishes its titles, what it shows after
// the update counts more.
#pragma once

#include "CheckVerdict.h"
#include "server-answer/ReadBack.h"

#include "delivery/DeliveryReport.h"
#include "delivery/ServerDialect.h"

#include <cstdint>
#include <optional>
#include <string>

// What a port said to a probe over TLS after a failed exchange: nothing (or it was not asked),
// an answer with a certificate Windows trusts, or one only past a certificate problem.
enum class PortTls {
    none,
    trusted,
    unknownAuthority,        // self-signed, or signed by an authority Windows does not know
    otherCertificateProblem, // made out for another name, expired, or not for servers
};

struct CheckOutcome {
    ServerDialect dialect = ServerDialect::Icecast;
    DeliveryReport report;
    std::string answerBody; // the start of the server's answer, as far as it was read
    bool serverUrlMissing = false;
    bool passwordMissing = false;
    std::string serverUrl;            // as written, UTF-8
    std::string username;             // as written, UTF-8
    std::string addressProblem;       // why server_url was refused, for a badAddress failure
    std::uint16_t port = 0;           // the port the update went to
    bool httpOnPortBelow = false;     // after a failure that mayBeSourcePort: port - 1 gave an HTTP answer
    bool plainHttpOnPort = false;     // after a failed https exchange: the same port answers plain http
    PortTls tlsOnPort = PortTls::none; // after a failed exchange: what the same port said over TLS
    std::string mount;                // the mount as the update names it: "/live"
    std::string sid;                  // the stream id as the update names it: "1"
    std::string sentTitle;            // the title as listeners would get it
    std::string redirectedTo;         // after a redirect: the Location server_url's own address gave
    bool mountPlays = false;          // after a refusal for a mount the status does not list: it plays
    std::optional<ServerView> before; // what the server showed in public before the update
    ReadBack readBack;                // and whether it shows the title after it
};

CheckVerdict judgeOutcome(const CheckOutcome& outcome);

// What the look before the update saw keep new listeners out: the server refused its status page
// for its client limit, or DNAS listed the stream the update reaches as full.
LimitReached limitSeenIn(const ServerView& before);

// A verdict that the server took the title, with what keeps new listeners out: a full stream (its
// listeners before the update, where known) or a full server. Still confirmed: the listeners
// already in get the title.
CheckVerdict withFullStream(CheckVerdict taken, LimitReached limit, std::optional<std::uint32_t> listeners);

// True for the failures an encoder's (source) port gives to an HTTP request: it closes the
// connection or answers in the source protocol. The tool then asks the port one lower, without
// a title or a password, whether a web server answers there.
bool mayBeSourcePort(const DeliveryReport& report);

// True for the failures an https request to a plain-http port gives. The tool then asks the
// same port over plain http, and over TLS past certificate problems.
bool mayBePlainHttpPort(const DeliveryReport& report);
// The same for Windows' error alone, whichever request met it.
bool mayBePlainHttpError(std::uint32_t platformError);

// The server's own message in an answer body: the text of an XML <message> element, else the
// body's first line of text, cut to a readable length; none for a body that is no text.
std::string serverMessage(const std::string& answerBody);
