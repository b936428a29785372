// Finding the mistakes a DJ makes in the settings file that still give a value the plug-in uses.
#include "settings-file/SettingsMistakes.h"

#include "AsciiCase.h"

#include "delivery/ServerDialect.h"
#include "delivery/UpdateTarget.h"

static bool contains(const std::string& text, const char* part) {
    return text.find(part) != std::string::npos;
}

static bool endsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

std::string SectionValues::value(const std::string& key) const {
    for (const auto& [name, text] : values) {
        if (name == key)
            return text;
    }
    return std::string();
}

// The plug-in's own choice of dialect. It compares ASCII letters only, so widening the UTF-8
// bytes one by one gives it the answer it gives the value as read.
static bool isShoutcast(const std::string& protocol) {
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

// Keys that change what listeners see: the title's text, when it comes, which titles never do.
static bool isTitleKey(const std::string& key) {
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

// The path of an address, without its query: "http://host:8000/live" gives "/live".
static std::string pathOf(const std::string& url) {
    const std::size_t scheme = url.find("://");
    const std::size_t slash = url.find('/', scheme == std::string::npos ? 0 : scheme + 3);
    return slash == std::string::npos ? std::string() : url.substr(slash);
}

std::string serverRoot(const std::string& serverUrl) {
    const std::string path = pathOf(serverUrl);
    return serverUrl.substr(0, serverUrl.size() - path.size()) + "/";
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

static void findPathMistakes(const SectionValues& section, const std::vector<std::string>& liveMounts,
                             std::vector<SettingsWarning>& warnings) {
    const std::string url = section.value("server_url");
    std::string path = pathOf(url);
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

std::vector<SettingsWarning> findSettingsMistakes(const SectionValues& section,
                                                  const std::vector<std::string>& liveMounts) {
    std::vector<SettingsWarning> warnings;
    findComments(section, warnings);
    const std::string protocol = section.value("protocol");
    if (!isKnownProtocol(protocol))
        warnings.push_back(
            {"protocol",
             "protocol=" + protocol +
                 " is not a server kind the plug-in knows, so it talks to the "
                 "server as to Icecast.",
             "Write protocol=icecast2 for Icecast (and the Icecast-style input of Liquidsoap's "
             "harbor), or protocol=shoutcast for Shoutcast (sc1 and sc2 work too)."});
    if (isShoutcast(protocol) && contains(section.value("password"), ":"))
        warnings.push_back(
            {"password",
             "The password holds \":\": a Shoutcast server reads the part before it as a user name "
             "and compares only the rest with its passwords.",
             "Use a password without \":\" (change it on the server and in the encoder), or the "
             "server's admin password if it has none."});
    findPathMistakes(section, liveMounts, warnings);
    return warnings;
}
