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

static const std::string switchOffAndOn =
    "Switch the plug-in off and on (or restart the DJ software): it reads the settings file only when it "
    "starts.";

std::vector<std::string> AccessLog::answered(Access access, const std::string& clock) {
    return answered(AccessAnswers{access, std::nullopt, std::nullopt}, clock);
}

std::vector<std::string> AccessLog::answered(const AccessAnswers& answers, const std::string& clock) {
    restarted_ = false;
    if (answers.sent == Access::unanswered || !worthAsking_)
        return {};
    // The plug-in's own titles cannot get through with credentials the server refuses: a new
    // title then came with the file's, read when the DJ switched the plug-in off and on.
    if (answers.sent == Access::refused && answers.file == Access::taken && answers.newTitleAt) {
        restarted_ = true;
        last_ = Access::taken;
        lastFile_.reset();
        fileTakenSince_.clear();
        if (!refusals_.empty() && refusals_.back().until.empty())
            refusals_.back().until = *answers.newTitleAt;
        return {
            "Titles get through since " + *answers.newTitleAt +
            ": listeners got a new title while the server refuses the password the plug-in started with, so "
            "the plug-in now sends the one from the settings file, which the server takes."};
    }
    std::vector<std::string> lines = sentAnswered(answers.sent, clock, answers.newTitleAt.value_or(clock));
    for (std::string& line : fileAnswered(answers.file, clock))
        lines.push_back(std::move(line));
    return lines;
}

// `takenAt`: when titles got through again, if they do: the new title that came with them,
// else now.
std::vector<std::string> AccessLog::sentAnswered(Access access, const std::string& clock,
                                                 const std::string& takenAt) {
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
        refusals_.back().until = takenAt;
        return {"Titles can get through again since " + takenAt + ": the server takes the password."};
    }
    if (!before)
        return {"The server takes the password; the watch asks again about every " +
                std::to_string(accessCheckSeconds) +
                " s, after each drop of the stream and each new title, sending no title."};
    return {};
}

// The file's credentials count only for what the plug-in will send once switched off and on.
std::vector<std::string> AccessLog::fileAnswered(std::optional<Access> file, const std::string& clock) {
    if (file != Access::taken && file != Access::refused) {
        if (!file) {
            lastFile_.reset();
            fileTakenSince_.clear();
        }
        return {};
    }
    const std::optional<Access> before = lastFile_;
    lastFile_ = file;
    if (file == Access::taken && before != Access::taken)
        fileTakenSince_ = clock;
    if (file == Access::refused)
        fileTakenSince_.clear();
    if (before == file)
        return {};
    if (file == Access::taken && last_ == Access::refused)
        return {
            "The settings file now holds a password the server takes, but the plug-in still sends the one "
            "it read when it started.",
            "What to do: " + switchOffAndOn};
    if (file == Access::refused && last_ == Access::taken)
        return {
            "The settings file now holds a password the server refuses. The plug-in still sends the one it "
            "read when it started, which the server takes, but would send no titles after its next start.",
            "What to do: Write the password the server takes after password= in the settings file."};
    return {};
}

std::optional<CheckVerdict> AccessLog::verdict() const {
    if (refusals_.empty())
        return std::nullopt;
    std::vector<std::string> times;
    for (const Refusal& refusal : refusals_)
        times.push_back(refusal.until.empty() ? "since " + refusal.from + " until the end of the watch"
                                              : "from " + refusal.from + " to " + refusal.until);
    const std::string happened = "The server refused the password " + listInWords(times) +
                                 ": the plug-in's titles did not get through then.";
    if (last_ == Access::refused && !fileTakenSince_.empty())
        return CheckVerdict{false,
                            happened + " The settings file holds a password it takes since " +
                                fileTakenSince_ + ", which the plug-in sends only once switched off and on.",
                            switchOffAndOn};
    return CheckVerdict{false, happened, newPassword};
}
