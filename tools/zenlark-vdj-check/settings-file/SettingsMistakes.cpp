// Finding the mistakes a DJ makes in the settings file that still give a value the plug-in uses.
#include "settings-file/SettingsMistakes.h"

#include "AsciiCase.h"
#include "TextParts.h"
#include "UrlText.h"
#include "server-answer/ShoutcastStreams.h"

#include "delivery/ServerDialect.h"
#include "delivery/UpdateTarget.h"
#include "settings/SettingsFile.h"
#include "worker/TitleDelay.h"

#include <algorithm>

std::string SectionValues::value(const std::string& key) const {
    for (const auto& [name, text] : values) {
        if (name == key)
            return text;
    }
    return std::string();
}

// The plug-in's own choice of dialect. It compares ASCII letters only, so widening the UTF-8
// bytes one by one gives it the answer it gives the value as read.
bool isShoutcast(const std::string& protocol) {
    return detectDialect(std::wstring(protocol.begin(), protocol.end())) == ServerDialect::Shoutcast;
}

bool isKnownProtocol(const std::string& protocol) {
    const std::string name = asciiLowered(protocol);
    return name.empty() || name == "icecast" || name == "icecast2" || isShoutcast(protocol);
}

// Where a comment starts behind a value: ";" or "#" after a space or tab. The profile reader
// takes only whole lines that start with ";" as comments.
static std::size_t commentStart(const std::string& value) {
    for (std::size_t at = 1; at < value.size(); ++at) {
        if ((value[at] == ';' || value[at] == '#') && (value[at - 1] == ' ' || value[at - 1] == '\t'))
            return at;
    }
    return std::string::npos;
}

static std::string withoutTrailingSpace(std::string text) {
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.pop_back();
    return text;
}

bool isTitleKey(const std::string& key) {
    return key == "title_prefix" || key == "title_suffix" || key == "title_delay" || key == "skip_titles";
}

static void findComments(const SectionValues& section, std::vector<SettingsWarning>& warnings) {
    for (const auto& [key, value] : section.values) {
        const std::size_t comment = commentStart(value);
        if (comment == std::string::npos)
            continue;
        const std::string kept = withoutTrailingSpace(value.substr(0, comment));
        SettingsWarning warning;
        warning.key = key;
        warning.reachesListeners = isTitleKey(key);
        if (key == "password") {
            warning.what =
                "password holds a comment behind the password: the plug-in sends it as part of the "
                "password.";
            warning.fix =
                "Put the comment on a line of its own, starting with \";\", and write password= followed "
                "by the password alone.";
        } else {
            warning.what = key + " holds a comment behind its value (\"" + value.substr(comment) +
                           "\"): the plug-in takes it as part of the value.";
            warning.fix = "Put the comment on a line of its own, starting with \";\", and write " + key +
                          "=" + kept + ".";
        }
        warnings.push_back(warning);
    }
}

static bool isAdminPage(const std::string& path) {
    const std::string p = asciiLowered(withoutTrailingSpace(path));
    static const char* const pages[] = {
        "/admin",     "/admin/",      "/admin/metadata",  "/admin/metadata/", "/admin/metadata.xsl",
        "/admin.cgi", "/admin/stats", "/admin/listmounts"};
    for (const char* page : pages) {
        if (endsWith(p, page))
            return true;
    }
    return false;
}

// The mount a listen address names: "/live.mp3" stays, "/live.m3u" and other playlists name "/live".
static std::string mountOfListenPath(const std::string& path) {
    static const char* const playlists[] = {".m3u", ".pls", ".xspf", ".vclt"};
    for (const char* playlist : playlists) {
        if (endsWith(asciiLowered(path), playlist))
            return path.substr(0, path.size() - std::char_traits<char>::length(playlist));
    }
    return path;
}

static bool looksLikeStream(const std::string& path) {
    static const char* const endings[] = {".mp3",  ".aac", ".aacp", ".ogg",  ".oga", ".opus",
                                          ".flac", ".m3u", ".pls",  ".xspf", ".vclt"};
    for (const char* ending : endings) {
        if (endsWith(asciiLowered(path), ending))
            return true;
    }
    return false;
}

static bool isOneOf(const std::string& path, const std::vector<std::string>& mounts) {
    for (const std::string& mount : mounts) {
        if (path == mount)
            return true;
    }
    return false;
}

// A Shoutcast stream's listen address in server_url: DNAS answers every update there with that
// stream's audio, so no title reaches any stream. The path names the stream meant.
static SettingsWarning shoutcastStreamAddress(const SectionValues& section, const std::string& path,
                                              const ShoutcastStream& stream) {
    const std::string number = std::to_string(stream.id);
    const bool sidNamesIt = dnasStreamOf(section.value("sid"), section.value("password")) == stream.id;
    SettingsWarning warning{"server_url",
                            "server_url ends in " + path + ", the address of stream " + number +
                                ": that is where listeners tune in, not the server's address, so no title "
                                "reaches any stream.",
                            "Write server_url=" + serverRoot(section.value("server_url")) +
                                (sidNamesIt ? std::string() : " and sid=" + number) + "."};
    warning.notAsWritten = true;
    return warning;
}

static void findPathMistakes(const SectionValues& section, const std::vector<std::string>& liveMounts,
                             const std::vector<ShoutcastStream>& streams,
                             std::vector<SettingsWarning>& warnings) {
    const std::string url = section.value("server_url");
    std::string path = urlPath(url);
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    if (path.empty() || path == "/")
        return;
    const std::string root = serverRoot(url);
    if (isAdminPage(path)) {
        warnings.push_back({"server_url",
                            "server_url holds the server's admin page (" + path +
                                "); the plug-in adds the admin page itself.",
                            "Write server_url=" + root + "."});
        return;
    }
    const bool icecast = !isShoutcast(section.value("protocol"));
    const ShoutcastStream* stream = icecast ? nullptr : streamAtPath(streams, path);
    if (stream != nullptr) {
        warnings.push_back(shoutcastStreamAddress(section, path, *stream));
        return;
    }
    const std::string mount = mountPoint(section.value("mount"));
    const std::string named = mountOfListenPath(path);
    // A Shoutcast stream is heard at /stream/<sid>/ (version 2) or /; (version 1).
    const bool shoutcastStream = !icecast && (path.rfind("/stream", 0) == 0 || path == "/;");
    const bool namesMount = (icecast && (named == mount || isOneOf(named, liveMounts))) ||
                            looksLikeStream(path) || shoutcastStream;
    if (!namesMount)
        return;
    const std::string what = icecast && named == mount
                                 ? "server_url ends in your mount " + mount
                                 : "server_url ends in " + path + ", the address of a stream";
    warnings.push_back(
        {"server_url", what + ": that is where listeners tune in, not the server's address.",
         "Write server_url=" + root + (icecast ? " and mount=" + named : std::string()) + "."});
}

// A user name and password in front of the host: the plug-in takes them only from username and
// password, and the file would show the password to anyone who reads the address.
static void findUserInfo(const SectionValues& section, std::vector<SettingsWarning>& warnings) {
    const std::string url = section.value("server_url");
    if (!holdsUserInfo(url))
        return;
    warnings.push_back({"server_url",
                        "server_url holds a user name and password in front of the host (before \"@\"): "
                        "the plug-in takes neither from there.",
                        userInfoMoved(url)});
}

// Spaces that come along unseen when a password is copied from a web page, a mail or a chat.
// The profile reader drops plain spaces and tabs around a value, but not these, nor plain ones
// inside quotes.
struct InvisibleSpace {
    const char* utf8;
    const char* name;
};
static const InvisibleSpace invisibleSpaces[] = {
    {" ", "a space"},
    {"\t", "a tab"},
    {"\xC2\xA0", "a no-break space"},
    {"\xE2\x80\xAF", "a narrow no-break space"},
    {"\xE2\x80\x8B", "a zero-width space"},
    {"\xE2\x80\x8C", "a zero-width non-joiner"},
    {"\xE2\x80\x8D", "a zero-width joiner"},
    {"\xE2\x81\xA0", "a word joiner"},
    {"\xEF\xBB\xBF", "a zero-width no-break space"},
    {"\xE3\x80\x80", "an ideographic space"},
    {"\xE2\x80\x82", "an en space"},
    {"\xE2\x80\x83", "an em space"},
    {"\xE2\x80\x89", "a thin space"},
    {"\xE2\x80\x8A", "a hair space"},
};

static const InvisibleSpace* spaceAtStart(const std::string& text) {
    for (const InvisibleSpace& space : invisibleSpaces) {
        if (text.rfind(space.utf8, 0) == 0)
            return &space;
    }
    return nullptr;
}

static const InvisibleSpace* spaceAtEnd(const std::string& text) {
    for (const InvisibleSpace& space : invisibleSpaces) {
        if (endsWith(text, space.utf8))
            return &space;
    }
    return nullptr;
}

static void findSpacesAroundPassword(const SectionValues& section, std::vector<SettingsWarning>& warnings) {
    const std::string password = section.value("password");
    const InvisibleSpace* first = spaceAtStart(password);
    const InvisibleSpace* last = spaceAtEnd(password);
    if (first == nullptr && last == nullptr)
        return;
    const std::string where = first != nullptr && last != nullptr
                                  ? std::string("begins with ") + first->name + " and ends with " + last->name
                              : first != nullptr ? std::string("begins with ") + first->name
                                                 : std::string("ends with ") + last->name;
    warnings.push_back({"password",
                        "The password " + where +
                            ", which you cannot see (copied from a web page or a message, most likely): the "
                            "plug-in sends it as part of the password.",
                        "Write password= followed by the password alone, typed, with nothing before or "
                        "after it."});
}

// Quotes that word processors, web pages and chats put in place of straight ones. The profile
// reader strips only straight quotes around a value, so these go out as part of it. A title's
// prefix or suffix may hold them on purpose.
static const char* const typographicQuotes[] = {
    "\xE2\x80\x9C", "\xE2\x80\x9D", "\xE2\x80\x9E", "\xE2\x80\x98", "\xE2\x80\x99", "\xC2\xAB", "\xC2\xBB",
};

// The length of the typographic quote that `text` starts with (at == 0) or ends with; 0 for none.
static std::size_t quoteAt(const std::string& text, bool atStart) {
    for (const char* quote : typographicQuotes) {
        const std::string mark = quote;
        if (atStart ? startsWith(text, mark) : endsWith(text, mark))
            return mark.size();
    }
    return 0;
}

static void findTypographicQuotes(const SectionValues& section, std::vector<SettingsWarning>& warnings) {
    for (const auto& [key, value] : section.values) {
        const std::size_t open = quoteAt(value, true);
        const std::size_t close = quoteAt(value, false);
        if (open == 0 || close == 0 || open + close > value.size() || isTitleKey(key))
            continue;
        const std::string inside = value.substr(open, value.size() - open - close);
        const bool secret = key == "password";
        warnings.push_back({key,
                            key + (secret ? std::string() : "=" + value) +
                                " stands in typographic quotes, which the plug-in takes as part of the " +
                                (secret ? "password." : "value."),
                            secret ? "Write password= followed by the password alone, without the quotes."
                                   : "Write " + key + "=" + inside + "."});
    }
}

static bool hasWarningFor(const std::vector<SettingsWarning>& warnings, const std::string& key) {
    for (const SettingsWarning& warning : warnings) {
        if (warning.key == key)
            return true;
    }
    return false;
}

static std::wstring widened(const std::string& text) {
    return std::wstring(text.begin(), text.end());
}

std::string meantTitleDelay(const std::string& written) {
    std::string value = trimmed(written);
    for (char& c : value) {
        if (c == ',')
            c = '.';
    }
    while (!value.empty() && (value.back() == ' ' || (value.back() >= 'a' && value.back() <= 'z') ||
                              (value.back() >= 'A' && value.back() <= 'Z')))
        value.pop_back();
    if (value.empty() || readTitleDelay(widened(value)).reading != TitleDelayReading::asWritten)
        return std::string();
    return value;
}

// A title delay the plug-in cannot take as written; it then uses another delay than the DJ meant.
// A comment behind the value has a warning of its own.
static void findTitleDelayMistake(const SectionValues& section, std::vector<SettingsWarning>& warnings) {
    const std::string written = section.value("title_delay");
    // Bytes outside ASCII widened one by one are no digits either, as in the value as read.
    const TitleDelay delay = readTitleDelay(widened(written));
    if (delay.reading == TitleDelayReading::asWritten || hasWarningFor(warnings, "title_delay"))
        return;
    const std::string line = "title_delay=" + written;
    const std::string atOnce = ", so the plug-in uses title_delay=0 and sends each title at once.";
    std::string fix = "Write title_delay= with the seconds from 0 to 60, such as title_delay=2.5.";
    if (const std::string meant = meantTitleDelay(written); !meant.empty())
        fix = "Write title_delay=" + meant + ".";
    std::string what = line +
                       " is not a number of seconds the plug-in reads (it wants a point for "
                       "fractions and no unit)" +
                       atOnce;
    if (delay.reading == TitleDelayReading::negative)
        what = line + " is negative" + atOnce;
    if (delay.reading == TitleDelayReading::aboveMaximum) {
        what = line + " is above 60, so the plug-in waits only 60 s.";
        fix = "Write title_delay=60 or less.";
    }
    warnings.push_back({"title_delay", what, fix, true});
}

// The list's texts with each "," and ";" taken for a "|", without the blanks around them.
static std::string barSeparated(const std::string& written) {
    return joinedEntries(written, ",;|", "|");
}

// Commas or semicolons where "|" separates the texts: the plug-in looks for the whole
// "Station ID, Jingle".
static void findCommasInSkipList(const SectionValues& section, std::vector<SettingsWarning>& warnings) {
    const std::string written = section.value("skip_titles");
    if (written.find_first_of(",;") == std::string::npos || hasWarningFor(warnings, "skip_titles"))
        return;
    const char* mark = contains(written, ",") ? "a comma" : "a semicolon";
    warnings.push_back({"skip_titles",
                        std::string("skip_titles holds ") + mark +
                            ", but only \"|\" separates its texts: the plug-in skips only a title that holds "
                            "all of \"" +
                            written + "\".",
                        "Write skip_titles=" + barSeparated(written) + ".", true});
}

SettingsWarning cutValueWarning(const std::string& key, std::size_t length) {
    const std::string longest = std::to_string(longestSettingValue);
    SettingsWarning warning{key,
                            key + " is " + std::to_string(length) +
                                " characters long: the plug-in reads only its first " + longest + ".",
                            "Shorten " + key + " to " + longest + " characters at most.", isTitleKey(key)};
    warning.notAsWritten = true;
    return warning;
}

// The password without DNAS's own ":#N" at its end, which names the stream to update.
static std::string beforeStreamNumber(const std::string& password) {
    return streamInPassword(password) ? password.substr(0, password.rfind(":#")) : password;
}

// Icecast compares user names letter for letter: "Source" is not its source user.
static void findUserNameCase(const SectionValues& section, std::vector<SettingsWarning>& warnings) {
    const std::string username = section.value("username");
    const std::string lowered = asciiLowered(username);
    if (isShoutcast(section.value("protocol")) || username == lowered ||
        (lowered != "source" && lowered != "admin"))
        return;
    warnings.push_back({"username",
                        "username=" + username + " is not " + lowered +
                            ": Icecast compares user names letter for letter, and its " + lowered +
                            " user is written in small letters.",
                        "Write username=" + lowered + "."});
}

std::vector<SettingsWarning> findSettingsMistakes(const SectionValues& section,
                                                  const std::vector<std::string>& liveMounts,
                                                  const std::vector<ShoutcastStream>& streams) {
    std::vector<SettingsWarning> warnings;
    findComments(section, warnings);
    findTypographicQuotes(section, warnings);
    findUserInfo(section, warnings);
    findUserNameCase(section, warnings);
    findSpacesAroundPassword(section, warnings);
    findTitleDelayMistake(section, warnings);
    findCommasInSkipList(section, warnings);
    const std::string protocol = section.value("protocol");
    if (!isKnownProtocol(protocol))
        warnings.push_back(
            {"protocol",
             "protocol=" + protocol +
                 " is not a server kind the plug-in knows, so it talks to the "
                 "server as to Icecast.",
             "Write protocol=icecast2 for Icecast (and the Icecast-style input of Liquidsoap's "
             "harbor), or protocol=shoutcast for Shoutcast (sc1 and sc2 work too)."});
    if (isShoutcast(protocol) && contains(beforeStreamNumber(section.value("password")), ":"))
        warnings.push_back(
            {"password",
             "The password holds \":\": a Shoutcast server reads the part before it as a user name "
             "and compares only the rest with its passwords.",
             "Use a password without \":\" (change it on the server and in the encoder), or the "
             "server's admin password if it has none."});
    findPathMistakes(section, liveMounts, streams, warnings);
    return warnings;
}
