// The request that changes nothing, each server's words for its answer, and the watch's lines.
#include "server-answer/AccessCheck.h"

#include "TextParts.h"

#include "delivery/PercentEncoding.h"

std::string accessCheckTarget(ServerDialect dialect, const std::string& basePath, const std::string& mount,
                              const std::string& sid, const std::string& password) {
    if (dialect == ServerDialect::Icecast)
        return basePath + "/admin/listclients?mount=" + percentEncodeBytes(mount);
    return basePath + "/admin.cgi?sid=" + percentEncodeBytes(sid) +
           "&mode=viewxml&pass=" + percentEncodeBytes(password);
}

// Answers that prove the password was taken: the server checks it before anything else.
struct TakenAnswer {
    ServerDialect dialect;
    std::uint32_t status;
    const char* words;
};
static const TakenAnswer takenAnswers[] = {
    {ServerDialect::Icecast, 200, "<icestats"},             // every Icecast: the listener list
    {ServerDialect::Icecast, 400, "Source does not exist"}, // Icecast 2.4, no source on the mount
    {ServerDialect::Icecast, 404, "Source does not exist"}, // Icecast 2.5, no source on the mount
    {ServerDialect::Icecast, 400, "mount does not exist"},  // Icecast-KH, no source on the mount
    {ServerDialect::Shoutcast, 200, "<SHOUTCASTSERVER"},    // DNAS 2.6 and Icecast-KH
    {ServerDialect::Shoutcast, 400, "Missing parameter"},   // Icecast 2.4's admin.cgi
};

Access judgeAccess(ServerDialect dialect, std::uint32_t status, const std::string& body) {
    if (status == 0)
        return Access::unanswered;
    if (status == 401)
        return Access::refused;
    for (const TakenAnswer& answer : takenAnswers) {
        if (answer.dialect == dialect && answer.status == status && contains(body, answer.words))
            return Access::taken;
    }
    return Access::unknown;
}

static const std::string newPassword =
    "Ask for the new password, write it after password= in the settings file, then switch the "
    "plug-in off and on (or restart the DJ software): it reads the file only when it starts.";

std::vector<std::string> AccessLog::answered(Access access, const std::string& clock) {
    if (access == Access::unanswered || !worthAsking_)
        return {};
    if (access == Access::unknown) {
        if (last_)
            return {}; // a passing odd answer from a server that told before
        worthAsking_ = false;
        return {
            "This server does not tell whether it takes the password without taking a title, so the watch "
            "cannot say when it refuses the plug-in's titles."};
    }
    const std::optional<Access> before = last_;
    last_ = access;
    if (access == Access::refused) {
        if (before == Access::refused)
            return {};
        refusals_.push_back(Refusal{clock, {}});
        return {"Titles are not getting through since " + clock + ": the server refuses the password.",
                "What to do: " + newPassword};
    }
    if (before == Access::refused) {
        refusals_.back().until = clock;
        return {"Titles can get through again since " + clock + ": the server takes the password."};
    }
    if (!before)
        return {"The server takes the password; the watch asks again about every " +
                std::to_string(accessCheckSeconds) +
                " s and after each drop of the stream, sending no title."};
    return {};
}

std::optional<CheckVerdict> AccessLog::verdict() const {
    if (refusals_.empty())
        return std::nullopt;
    std::vector<std::string> times;
    for (const Refusal& refusal : refusals_)
        times.push_back(refusal.until.empty() ? "since " + refusal.from + " until the end of the watch"
                                              : "from " + refusal.from + " to " + refusal.until);
    return CheckVerdict{false,
                        "The server refused the password " + listInWords(times) +
                            ": the plug-in's titles did not get through then.",
                        newPassword};
}
