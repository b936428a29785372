// A verdict in plain words for a DJ: what happened, what to do, and whether it is confirmed.
#pragma once

#include <string>

struct CheckVerdict {
    bool confirmed = false;     // the server confirmed that it took the title
    std::string happened;       // what the server or the network did, in plain words
    std::string advice;         // what to change; empty when nothing needs to change
    bool unknownAnswer = false; // the server answered 2xx in words this tool does not know
    std::string detail = {};    // numbers for whoever helps the DJ: HTTP status, Windows error
};

// "OK", "UNCONFIRMED" (a 2xx in unknown words) or "PROBLEM": the word the verdict line starts with.
const char* verdictLabel(const CheckVerdict& verdict);

// A problem: not confirmed, and not an answer in unknown words.
bool isProblem(const CheckVerdict& verdict);
