// Reading the mount's source from the access answer, and the watch's lines about it.
#include "server-answer/SourceCheck.h"

#include "CheckVerdict.h"
#include "TextParts.h"

static std::optional<bool> streamStatus(const std::string& body) {
    if (contains(body, "<STREAMSTATUS>1</STREAMSTATUS>"))
        return true;
    if (contains(body, "<STREAMSTATUS>0</STREAMSTATUS>"))
        return false;
    return std::nullopt;
}

std::optional<bool> sourceInAnswer(ServerDialect dialect, std::uint32_t status, const std::string& body) {
    if (dialect == ServerDialect::Shoutcast)
        return status == 200 ? streamStatus(body) : std::nullopt;
    if (status == 200 && contains(body, "<icestats"))
        return true;
    if ((status == 400 || status == 404) &&
        (contains(body, "Source does not exist") || contains(body, "mount does not exist")))
        return false;
    return std::nullopt;
}

// What the server streams instead, where its status lists it; "now" only after a change mid-set.
static std::string streamedInstead(const std::optional<std::vector<std::string>>& streamsNow, bool changed) {
    if (!streamsNow)
        return ".";
    const std::string now = changed ? " now" : "";
    if (streamsNow->empty())
        return "; no encoder streams to the server" + now + ".";
    return "; the server" + now + " streams " + listInWords(*streamsNow) + ".";
}

static std::string whatToDo(const std::string& where,
                            const std::optional<std::vector<std::string>>& streamsNow) {
    const std::string start = "What to do: Start your encoder on " + where + " again";
    const std::string restart = " in the settings file and switch the plug-in off and on.";
    if (streamsNow && streamsNow->size() == 1)
        return start + ", or, if it streams to " + streamsNow->front() +
               " from now on, write mount=" + streamsNow->front() + restart;
    if (streamsNow && !streamsNow->empty())
        return start + ", or write the mount it streams to now after mount=" + restart;
    return start + ".";
}

std::vector<std::string> SourceLog::answered(std::optional<bool> live, const std::string& where,
                                             const std::optional<std::vector<std::string>>& streamsNow,
                                             const std::string& clock) {
    if (!live)
        return {};
    const std::optional<bool> before = last_;
    last_ = live;
    if (before == live)
        return {};
    if (*live) {
        if (!before)
            return {};
        return {"Your encoder streams to " + where + " again since " + clock + "."};
    }
    const std::string nothing =
        before ? "Nothing streams to " + where + " since " + clock + streamedInstead(streamsNow, true)
               : "Nothing streams to " + where + " now" + streamedInstead(streamsNow, false);
    return {nothing + " The server refuses the plug-in's titles for " + where + " meanwhile.",
            whatToDo(where, streamsNow)};
}
