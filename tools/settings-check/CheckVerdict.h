// Turns the outcome of one title update into plain words for a DJ: what happened, what to do.
#pragma once

#include "delivery/DeliveryReport.h"
#include "delivery/ServerDialect.h"

#include <string>

struct CheckVerdict {
    bool confirmed = false; // the server confirmed that it took the title
    std::string happened;   // what the server or the network did
    std::string advice;     // what to change; empty when nothing needs to change
};

struct CheckOutcome {
    ServerDialect dialect = ServerDialect::Icecast;
    DeliveryReport report;
    std::string answerBody;     // the start of the server's answer, as far as it was read
    bool serverUrlMissing = false;
    bool passwordMissing = false;
    std::string addressProblem; // why server_url was refused, for a badAddress failure
};

CheckVerdict judgeOutcome(const CheckOutcome& outcome);

// Why server_url cannot be used, in plain words; empty when nothing is visibly wrong with it.
std::string explainAddressProblem(const std::wstring& serverUrl);

// The server's own message in an answer body: the text of an XML <message> element, else the
// body's first line of text, cut to a readable length.
std::string serverMessage(const std::string& answerBody);
