// Turns the outcome of one title update into plain words for a DJ: what happened, what to do.
#pragma once

#include "CheckVerdict.h"

#include "delivery/DeliveryReport.h"
#include "delivery/ServerDialect.h"

#include <cstdint>
#include <string>

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

// True for the failures an encoder's (source) port gives to an HTTP request: it closes the
// connection or answers in the source protocol. The tool then asks the port one lower, without
// a title or a password, whether a web server answers there.
bool mayBeSourcePort(const DeliveryReport& report);

// The server's own message in an answer body: the text of an XML <message> element, else the
// body's first line of text, cut to a readable length.
std::string serverMessage(const std::string& answerBody);
