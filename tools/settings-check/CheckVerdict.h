// Turns the outcome of one title update into plain words for a DJ: what happened, what to do.
#pragma once

#include "delivery/DeliveryReport.h"
#include "delivery/ServerDialect.h"

#include <cstdint>
#include <string>

struct CheckVerdict {
    bool confirmed = false; // the server confirmed that it took the title
    std::string happened;   // what the server or the network did
    std::string advice;     // what to change; empty when nothing needs to change
    bool unknownAnswer = false; // the server answered 2xx in words this tool does not know
};

struct CheckOutcome {
    ServerDialect dialect = ServerDialect::Icecast;
    DeliveryReport report;
    std::string answerBody;     // the start of the server's answer, as far as it was read
    bool serverUrlMissing = false;
    bool passwordMissing = false;
    std::string addressProblem; // why server_url was refused, for a badAddress failure
    std::uint16_t port = 0;     // the port the update went to
    bool httpOnPortBelow = false; // after a failure that mayBeSourcePort: port - 1 gave an HTTP answer
};

CheckVerdict judgeOutcome(const CheckOutcome& outcome);

// "OK", "UNCONFIRMED" (a 2xx in unknown words) or "PROBLEM": the word the verdict line starts with.
const char* verdictLabel(const CheckVerdict& verdict);

// True for the failures an encoder's (source) port gives to an HTTP request: it closes the
// connection or answers in the source protocol. The tool then asks the port one lower, without
// a title or a password, whether a web server answers there.
bool mayBeSourcePort(const DeliveryReport& report);

// Why server_url cannot be used, in plain words; empty when nothing is visibly wrong with it.
std::string explainAddressProblem(const std::wstring& serverUrl);

// The server's own message in an answer body: the text of an XML <message> element, else the
// body's first line of text, cut to a readable length.
std::string serverMessage(const std::string& answerBody);
