// Judging a Shoutcast section's sid, mount and password against the streams the server hosts.
#include "settings-file/StreamChoice.h"

#include "CheckVerdict.h"
#include "TextParts.h"

// The first digits in `text`: "Stream #3" gives "3"; "" when it holds none.
static std::string digitsIn(const std::string& text) {
    const std::size_t first = text.find_first_of("0123456789");
    if (first == std::string::npos)
        return std::string();
    return text.substr(first, text.find_first_not_of("0123456789", first) - first);
}

static SettingsWarning otherStream(std::string key, std::string what, std::string fix) {
    SettingsWarning warning{std::move(key), std::move(what), std::move(fix)};
    warning.notAsWritten = true;
    return warning;
}

static std::uint32_t streamUpdated(const StreamChoice& choice) {
    return dnasStreamOf(choice.sid.value_or(std::string()), choice.password);
}

// "sid=#3", as panels write "Stream #3", goes out as "%233", which DNAS reads as stream 1.
static void findSidNotANumber(const StreamChoice& choice, std::vector<SettingsWarning>& warnings) {
    if (!choice.sid || isDigits(*choice.sid))
        return;
    const std::string digits = digitsIn(*choice.sid);
    warnings.push_back(otherStream(
        "sid",
        "sid=" + *choice.sid +
            " is not a plain number: the plug-in sends it as written, and Shoutcast DNAS reads it "
            "as stream " +
            std::to_string(dnasStreamOf(*choice.sid, std::string())) + ".",
        digits.empty() ? "Write sid= with your stream's number, such as sid=1."
                       : "Write sid=" + digits + "."));
}

// DNAS reads ":#N" at the end of the password before sid.
static void findPasswordDisagreeing(const StreamChoice& choice, std::vector<SettingsWarning>& warnings) {
    if (!streamInPassword(choice.password) || !choice.sid || !isDigits(*choice.sid))
        return;
    const std::uint32_t updated = streamUpdated(choice);
    const std::uint32_t named = dnasStreamOf(*choice.sid, std::string());
    if (named == updated)
        return;
    const std::string inPassword = std::to_string(updated);
    const std::string sid = std::to_string(named);
    warnings.push_back(
        otherStream("password",
                    "The password ends in :#" + inPassword + ", which makes Shoutcast DNAS update stream " +
                        inPassword + ", but sid=" + *choice.sid + " names stream " + sid + ".",
                    "Write sid=" + inPassword + " if you stream to stream " + inPassword + "; for stream " +
                        sid + ", end the password in :#" + sid + " instead."));
}

// The sample settings file carries mount=/live, which Shoutcast DJs leave as it is: beside a sid it
// says nothing of the stream meant.
static bool isSampleMountBesideSid(const StreamChoice& choice) {
    return choice.sid && choice.mount && (*choice.mount == "/live" || *choice.mount == "live");
}

static void findMountOfAnotherStream(const StreamChoice& choice, const std::vector<ShoutcastStream>& streams,
                                     std::vector<SettingsWarning>& warnings) {
    if (isSampleMountBesideSid(choice))
        return;
    const ShoutcastStream* named = choice.mount ? streamAtPath(streams, *choice.mount) : nullptr;
    const std::uint32_t updated = streamUpdated(choice);
    if (named == nullptr || named->id == updated)
        return;
    const std::string number = std::to_string(named->id);
    const std::optional<std::uint32_t> inPassword = streamInPassword(choice.password);
    std::string fix = "Write sid=" + number + ".";
    if (inPassword)
        fix = "Write sid=" + number + ", and end the password in :#" + number + " instead of :#" +
              std::to_string(*inPassword) + ".";
    else if (choice.sid)
        fix = "Write sid=" + number + " if your encoder streams to " + *choice.mount +
              "; otherwise delete mount=, which Shoutcast does not read.";
    warnings.push_back(otherStream("mount",
                                   "Shoutcast picks the stream by sid, not mount: " + *choice.mount +
                                       " is stream " + number + " here, but the titles go to stream " +
                                       std::to_string(updated) + ".",
                                   fix));
}

static void findNoStreamChosen(const StreamChoice& choice, const std::vector<ShoutcastStream>& streams,
                               std::vector<SettingsWarning>& warnings) {
    if (choice.sid || streamInPassword(choice.password) || streams.size() < 2)
        return;
    if (choice.mount && streamAtPath(streams, *choice.mount) != nullptr)
        return; // the mount names stream 1, where the titles go
    std::vector<std::string> listed;
    for (const ShoutcastStream& stream : streams)
        listed.push_back(streamInWords(stream));
    warnings.push_back(otherStream("sid",
                                   "This server hosts " + std::to_string(streams.size()) +
                                       " streams: " + listInWords(listed) +
                                       ". The settings name none (no sid), so the titles go to stream 1.",
                                   "Write sid= with the number of the stream your encoder streams to."));
}

std::vector<SettingsWarning> findStreamChoiceMistakes(const StreamChoice& choice,
                                                      const std::vector<ShoutcastStream>& streams) {
    std::vector<SettingsWarning> warnings;
    findSidNotANumber(choice, warnings);
    findPasswordDisagreeing(choice, warnings);
    findMountOfAnotherStream(choice, streams, warnings);
    findNoStreamChosen(choice, streams, warnings);
    return warnings;
}
