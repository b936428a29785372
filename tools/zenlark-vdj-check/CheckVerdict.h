// A verdict in plain words for a DJ: what happened, what to do, and whether it is confirmed.
#pragma once

#include <string>
#include <vector>

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

// A title as a verdict names it: in quotes, or "no title" when it is empty.
std::string titleInWords(const std::string& title);

// Items as a sentence lists them: "a", "a and b", "a, b and c".
std::string listInWords(const std::vector<std::string>& items);
