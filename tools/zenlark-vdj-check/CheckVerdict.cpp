// The word a verdict line starts with.
#include "CheckVerdict.h"

const char* verdictLabel(const CheckVerdict& verdict) {
    if (verdict.confirmed)
        return "OK";
    return verdict.unknownAnswer ? "UNCONFIRMED" : "PROBLEM";
}

bool isProblem(const CheckVerdict& verdict) {
    return !verdict.confirmed && !verdict.unknownAnswer;
}

std::string titleInWords(const std::string& title) {
    return title.empty() ? "no title" : "\"" + title + "\"";
}

std::string listInWords(const std::vector<std::string>& items) {
    std::string list;
    for (std::size_t i = 0; i < items.size(); ++i)
        list += (i == 0 ? "" : i + 1 == items.size() ? " and " : ", ") + items[i];
    return list;
}
