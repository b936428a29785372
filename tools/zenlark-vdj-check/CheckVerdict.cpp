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
