// Naming the lines the settings reader passes over, and what to write instead.
#include "settings-file/UnreadLines.h"

#include "AsciiCase.h"
#include "CheckVerdict.h"
#include "TextParts.h"
#include "UrlText.h"

#include "delivery/UpdateTarget.h"

static bool sameKey(const std::string& left, const std::string& right) {
    return asciiLowered(left) == asciiLowered(right);
}

static bool isShoutcast(const SectionValues& used) {
    return isShoutcast(used.value("protocol"));
}

// sid means nothing to an Icecast update, nor mount to a Shoutcast one.
static bool mattersFor(const std::string& key, const SectionValues& used) {
    if (key == "sid")
        return isShoutcast(used);
    if (key == "mount")
        return !isShoutcast(used);
    return true;
}

// Whether the value the plug-in uses is the one the unread line holds, read as the update reads it.
static bool sameValue(const std::string& key, const std::string& written, const std::string& used) {
    if (key == "mount")
        return mountPoint(written) == mountPoint(used);
    return written == used;
}

static std::string keyLine(const std::string& key, const std::string& value) {
    return key + "=" + value;
}

// The password is never shown, not even one written under another key.
static std::string usedInWords(const std::string& key, const std::string& used) {
    if (key == "password")
        return used.empty() ? "no password" : "the password of its own password= line";
    return used.empty() ? key + " empty" : keyLine(key, used);
}

static SettingsWarning meantKeyWarning(const SettingsSection& section, const SettingsLine& line,
                                       const std::string& meant, const SectionValues& used) {
    const bool secret = meant == "password";
    const std::string usedValue = used.value(meant);
    const bool same = sameValue(meant, line.value, usedValue);
    const SettingsLine* meantLine = lineOf(section, meant);
    SettingsWarning warning;
    warning.key = meant;
    warning.reachesListeners = isTitleKey(meant);
    warning.notAsWritten = !same && mattersFor(meant, used);
    warning.what = line.key + "= on line " + std::to_string(line.line) +
                   " is not a key the plug-in reads: it reads " + meant + "=, " +
                   (same ? std::string("which holds the same ") + (secret ? "password." : "value.")
                         : "so it uses " + usedInWords(meant, usedValue) + ".");
    if (same) {
        warning.fix = "Delete the line " + line.key + "=" + (secret ? "" : line.value) + ".";
        return warning;
    }
    const std::string drop = meantLine == nullptr ? std::string()
                                                  : ", and delete the line " + meantLine->key + "=" +
                                                        (secret ? "" : meantLine->value) + " (line " +
                                                        std::to_string(meantLine->line) + ")";
    warning.fix =
        secret ? "Change " + line.key + "= to password= (the password after it stays as it is)" + drop + "."
               : "Write " + keyLine(meant, line.value) + " instead of " + keyLine(line.key, line.value) +
                     drop + ".";
    return warning;
}

static SettingsWarning unknownKeyWarning(const SettingsLine& line) {
    // Its value is not shown: it may be a password under a name nothing resembles.
    return SettingsWarning{"",
                           line.key + "= on line " + std::to_string(line.line) +
                               " is not a key the plug-in reads; it passes over that line.",
                           "Delete the line, or make it a comment by putting \";\" in front of it."};
}

static bool isPortKey(const std::string& key) {
    const std::string lowered = asciiLowered(key);
    return lowered == "port" || lowered == "server_port" || lowered == "serverport";
}

// "http://host:8000/" with its port replaced by `port`; a bracketed IPv6 host keeps its colons.
static std::string withPort(const std::string& root, const std::string& port) {
    const std::size_t start = root.find("://") + 3;
    const std::size_t end = root.find('/', start);
    std::string authority = root.substr(start, end - start);
    const std::size_t colon = authority.rfind(':');
    const std::size_t bracket = authority.rfind(']');
    if (colon != std::string::npos && (bracket == std::string::npos || colon > bracket))
        authority.erase(colon);
    return root.substr(0, start) + authority + ":" + port + root.substr(end);
}

// The whole server_url line that host=, port= and the like make together with what server_url
// already says; empty when nothing names the host.
static std::string serverUrlLine(const std::string& serverUrl, const std::string& host,
                                 const std::string& port) {
    const bool secure = startsWith(asciiLowered(serverUrl), "https://");
    std::string url = serverUrl;
    if (!host.empty())
        url = contains(host, "://") ? host : (secure ? "https://" : "http://") + host;
    if (!contains(url, "://"))
        return std::string();
    std::string root = serverRoot(url);
    if (isDigits(port))
        root = withPort(root, port);
    const std::string path =
        host.empty() || contains(host, "://") ? urlPath(withoutUserInfo(url)) : std::string();
    return path.empty() || path == "/" ? root : root.substr(0, root.size() - 1) + path;
}

static std::string withSlash(const std::string& url) {
    return endsWith(url, "/") ? url : url + "/";
}

// host=, port=, server= and the like: the parts of one server_url line.
static SettingsWarning addressWarning(const std::vector<const SettingsLine*>& lines,
                                      const SectionValues& used) {
    std::string host;
    std::string port;
    std::vector<std::string> names;
    for (const SettingsLine* line : lines) {
        names.push_back(line->key + "=");
        if (isPortKey(line->key) && port.empty())
            port = line->value;
        if (!isPortKey(line->key) && host.empty())
            host = line->value;
    }
    const std::string serverUrl = used.value("server_url");
    const std::string line = serverUrlLine(serverUrl, host, port);
    const bool one = lines.size() == 1;
    SettingsWarning warning;
    warning.key = "server_url";
    warning.notAsWritten = line.empty() || withSlash(line) != withSlash(serverUrl);
    warning.what = listInWords(names) + (one ? " is not a key" : " are not keys") +
                   " the plug-in reads: it takes the server's address and port from server_url alone, " +
                   (serverUrl.empty() ? std::string("which the section lacks.")
                                      : "which says " + withMaskedUserInfo(serverUrl) + ".");
    warning.fix = line.empty() ? "Write server_url= with the server's address and port, such as "
                                 "http://radio.example.com:8000/."
                               : "Write server_url=" + line +
                                     (one ? " in place of the line " : " in place of the lines ") +
                                     listInWords(names) + ".";
    return warning;
}

// The plug-in's key a "Key: value" line names, such as "Server URL" for server_url; empty for none.
static std::string keyNamedBy(const std::string& words) {
    std::string key = asciiLowered(words);
    for (char& c : key) {
        if (c == ' ' || c == '-')
            c = '_';
    }
    return isReadKey(key) ? key : std::string();
}

static SettingsWarning colonLineWarning(const SettingsSection& section, const SettingsLine& line,
                                        const std::string& key) {
    SettingsWarning warning;
    warning.key = key;
    warning.reachesListeners = isTitleKey(key);
    warning.notAsWritten = lineOf(section, key) == nullptr; // the plug-in then uses the default
    warning.what = line.key + ": on line " + std::to_string(line.line) +
                   " has \":\" where the plug-in needs \"=\", so it passes over that line.";
    warning.fix = key == "password" ? "Write password= followed by the password, in place of that line."
                                    : "Write " + key + "=" + line.value + " in place of that line.";
    return warning;
}

std::vector<SettingsWarning> unreadKeyWarnings(const std::vector<SettingsSection>& sections,
                                               const std::string& name, const SectionValues& used) {
    std::vector<SettingsWarning> warnings;
    const SettingsSection* section = firstSectionNamed(sections, name);
    if (section == nullptr)
        return warnings;
    for (const SettingsLine& line : section->colonLines) {
        const std::string key = keyNamedBy(line.key);
        if (!key.empty())
            warnings.push_back(colonLineWarning(*section, line, key));
    }
    std::vector<const SettingsLine*> addressParts;
    for (const SettingsLine& line : section->entries) {
        if (isReadKey(line.key))
            continue;
        const std::string meant = meantKey(line.key);
        if (meant == "server_url")
            addressParts.push_back(&line);
        else if (meant.empty())
            warnings.push_back(unknownKeyWarning(line));
        else
            warnings.push_back(meantKeyWarning(*section, line, meant, used));
    }
    if (!addressParts.empty())
        warnings.insert(warnings.begin(), addressWarning(addressParts, used));
    return warnings;
}

std::vector<SettingsWarning> looseLineWarnings(const std::vector<SettingsLine>& loose,
                                               const std::vector<SettingsSection>& sections,
                                               const std::string& name) {
    const bool firstIsRead = !sections.empty() && isReadSection(sections.front().name);
    const std::string meantFor = firstIsRead ? sections.front().name : "stream";
    if (loose.empty() || !sameKey(meantFor, name))
        return {};
    std::vector<std::string> keys;
    std::vector<std::string> numbers;
    for (const SettingsLine& line : loose) {
        keys.push_back(line.key + "=");
        numbers.push_back(std::to_string(line.line));
    }
    const bool one = loose.size() == 1;
    SettingsWarning warning;
    warning.notAsWritten = true;
    if (sections.empty()) {
        warning.what = "The file has no section line [stream], so the plug-in reads none of its lines (" +
                       listInWords(keys) + ").";
        warning.fix =
            "Write [stream] on a line of its own at the top of the file, above " + keys.front() + ".";
        return {warning};
    }
    const std::string header = "[" + sections.front().name + "]";
    warning.what = listInWords(keys) + (one ? " on line " : " on lines ") + listInWords(numbers) +
                   (one ? " stands" : " stand") + " above the first section " + header +
                   ": the plug-in reads only the lines inside a section, so it " +
                   (one ? "does not read it." : "reads none of them.");
    warning.fix = std::string("Move ") + (one ? "it" : "them") + " below the line [" + meantFor +
                  "], in place of any line there with the same key.";
    return {warning};
}

static bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

static bool isQuote(char c) {
    return c == '"' || c == '\'';
}

// The value after "=" with the blanks before it dropped, those after it kept.
static std::string valueWithEndBlanks(const SettingsLine& line) {
    const std::string after = line.text.substr(line.text.find('=') + 1);
    const std::size_t first = after.find_first_not_of(" \t");
    return first == std::string::npos ? std::string() : after.substr(first);
}

// The reader drops the blanks around a value unless quotes enclose it. What lies between prefix and
// title counts: a prefix that ends in a blank, and a suffix whose blank after "=" stands alone
// ("title_suffix= live", where "title_suffix = live" only spaces the line).
static bool dropsMeantBlank(const SettingsLine& line) {
    const std::string& value = line.value;
    if (value.empty() || (value.size() >= 2 && isQuote(value.front()) && value.back() == value.front()))
        return false;
    const std::string key = asciiLowered(line.key);
    const std::size_t equals = line.text.find('=');
    if (key == "title_prefix")
        return isBlank(valueWithEndBlanks(line).back());
    return key == "title_suffix" && equals + 1 < line.text.size() && isBlank(line.text[equals + 1]) &&
           equals > 0 && !isBlank(line.text[equals - 1]);
}

static std::string listenersSee(const std::string& key, const std::string& value) {
    const std::string song = "Artist - Title";
    return "listeners see \"" + (key == "title_prefix" ? value + song : song + value) + "\"";
}

static SettingsWarning droppedBlank(const SettingsLine& line) {
    const std::string key = asciiLowered(line.key);
    const std::string meant = key == "title_prefix" ? valueWithEndBlanks(line) : " " + line.value;
    return SettingsWarning{key,
                           key + (key == "title_prefix" ? " ends" : " starts") +
                               " with a space, which the plug-in drops: " + listenersSee(key, line.value) +
                               ".",
                           "Write " + key + "=\"" + meant + "\" (in quotes, so that the space stays).", true};
}

static SettingsWarning unclosedQuote(const SettingsLine& line) {
    const std::string key = asciiLowered(line.key);
    const std::string what =
        key + " starts with a quote (\") that no quote at its end closes, so the plug-in keeps it as part of "
              "the value";
    if (key == "password")
        return SettingsWarning{key, what + ".",
                               "Write password= followed by the password with a quote at both ends, or at "
                               "neither."};
    const std::string value = valueWithEndBlanks(line);
    return SettingsWarning{
        key, what + (isTitleKey(key) ? ": " + listenersSee(key, line.value) + "." : std::string(".")),
        "Write " + key + "=" + value + "\".", isTitleKey(key)};
}

std::vector<SettingsWarning> blankAndQuoteWarnings(const std::vector<SettingsSection>& sections,
                                                   const std::string& name) {
    std::vector<SettingsWarning> warnings;
    const SettingsSection* section = firstSectionNamed(sections, name);
    if (section == nullptr)
        return warnings;
    for (const char* key : settingKeys) {
        const SettingsLine* line = lineOf(*section, key);
        if (line == nullptr || line->value.empty())
            continue;
        // Only a double quote: a single one starts words ("'80s Night: ") as often as it quotes.
        const bool unclosed =
            line->value.front() == '"' && (line->value.size() == 1 || line->value.back() != '"');
        if (unclosed)
            warnings.push_back(unclosedQuote(*line));
        else if (dropsMeantBlank(*line))
            warnings.push_back(droppedBlank(*line));
    }
    return warnings;
}
