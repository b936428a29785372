// Reading a pasted address part by part: scheme, user information, host and port, path, query.
#include "settings-form/PastedAddress.h"

#include "AsciiCase.h"
#include "TextParts.h"

#include <cstddef>
#include <vector>

// Without what stands around the text: `before` at its start, `after` at its end.
static std::string without(const std::string& text, const char* before, const char* after) {
    const std::size_t first = text.find_first_not_of(before);
    if (first == std::string::npos)
        return std::string();
    return text.substr(first, text.find_last_not_of(after) - first + 1);
}

// Without blanks, line breaks, quotes and angle brackets around it, as mails and chats wrap it.
static std::string unwrapped(const std::string& text) {
    return without(text, " \t\r\n\"'<>", " \t\r\n\"'<>");
}

// An address also without brackets around it, nor the full stop or comma of the sentence it ended.
static std::string addressUnwrapped(const std::string& text) {
    return without(text, " \t\"'<([{", " \t\"'>)]}.,!?");
}

static std::vector<std::string> words(const std::string& text) {
    std::vector<std::string> found;
    for (std::size_t begin = text.find_first_not_of(" \t"); begin != std::string::npos;
         begin = text.find_first_not_of(" \t", begin)) {
        const std::size_t end = std::min(text.find_first_of(" \t", begin), text.size());
        found.push_back(text.substr(begin, end - begin));
        begin = end;
    }
    return found;
}

// The address in what a panel shows around it: the first line that holds anything, without the
// label in front ("Server: radio.example.com:8000"), with a port in a column of its own
// ("radio.example.com 8000") joined to its host. An address with a scheme wins over the words
// around it.
static std::string addressIn(const std::string& text) {
    const std::size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return std::string();
    const std::string line = addressUnwrapped(text.substr(first, text.find_first_of("\r\n", first) - first));
    const std::size_t scheme = line.find("://");
    if (scheme != std::string::npos && line.find_first_of(" \t") > scheme)
        return line; // a blank further on belongs to the address, a password's say
    std::vector<std::string> parts = words(line);
    for (const std::string& part : parts) {
        if (contains(part, "://"))
            return addressUnwrapped(part);
    }
    while (parts.size() > 1 && parts.front().back() == ':')
        parts.erase(parts.begin());
    if (parts.size() == 2 && isDigits(parts[1]))
        return parts[0] + ":" + parts[1];
    std::string joined;
    for (const std::string& part : parts)
        joined += (joined.empty() ? "" : " ") + part;
    return addressUnwrapped(joined);
}

static int hexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// %XX escapes decoded, and "+" in a query value as a space; anything else as written.
static std::string decoded(const std::string& text, bool query) {
    std::string out;
    for (std::size_t at = 0; at < text.size(); ++at) {
        if (text[at] == '%' && at + 2 < text.size() && hexValue(text[at + 1]) >= 0 &&
            hexValue(text[at + 2]) >= 0) {
            out += static_cast<char>(hexValue(text[at + 1]) * 16 + hexValue(text[at + 2]));
            at += 2;
        } else {
            out += query && text[at] == '+' ? ' ' : text[at];
        }
    }
    return out;
}

std::optional<std::pair<std::string, std::string>> splitStreamPassword(const std::string& text) {
    const std::string value = unwrapped(text);
    const std::size_t mark = value.rfind(":#");
    if (mark == std::string::npos || mark == 0 || mark + 2 == value.size())
        return std::nullopt;
    const std::string number = value.substr(mark + 2);
    if (number.size() > 9 || number.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    return std::make_pair(value.substr(0, mark), number);
}

// The value of `name` in a query ("a=1&b=2"), decoded; nothing when it is not there.
static std::optional<std::string> queryValue(const std::string& query, const std::string& name) {
    for (std::size_t begin = 0; begin < query.size();) {
        const std::size_t end = std::min(query.find('&', begin), query.size());
        const std::string pair = query.substr(begin, end - begin);
        const std::size_t equals = pair.find('=');
        if (equals != std::string::npos && asciiLowered(pair.substr(0, equals)) == name)
            return decoded(pair.substr(equals + 1), true);
        begin = end + 1;
    }
    return std::nullopt;
}

// The schemes encoders write for the same HTTP server; none for another scheme ("rtmp://", a
// video platform's address), which names no server the plug-in can reach.
static std::optional<std::string> httpScheme(const std::string& text, std::size_t& rest) {
    const std::string lowered = asciiLowered(text);
    static const struct {
        const char* written;
        const char* scheme;
    } schemes[] = {{"https://", "https"}, {"http://", "http"}, {"icecast://", "http"},
                   {"shout://", "http"},  {"icy://", "http"},  {"//", "http"}};
    for (const auto& scheme : schemes) {
        if (startsWith(lowered, scheme.written)) {
            rest = std::char_traits<char>::length(scheme.written);
            return scheme.scheme;
        }
    }
    rest = 0;
    if (contains(lowered, "://"))
        return std::nullopt;
    return std::string("http");
}

// Pages a server shows under its path; the address's folder is what stands before them.
static const char* const serverPages[] = {
    "/admin.cgi", "/status-json.xsl", "/status.xsl",  "/status2.xsl", "/server_version.xsl",
    "/7.html",    "/stats",           "/currentsong", "/index.html",  "/played.html",
    "/played",    "/listen.pls",      "/listen.m3u",  "/listen.asx",  "/listen.xspf"};

static bool endsWithPage(const std::string& lowered, std::string& page) {
    for (const char* candidate : serverPages) {
        if (endsWith(lowered, candidate)) {
            page = candidate;
            return true;
        }
    }
    return false;
}

// Shoutcast 2 plays stream N at "/stream/N/", and sometimes "/stream/N/;" or "/stream/N".
static bool splitStreamNumberPath(const std::string& path, std::string& base, std::string& sid) {
    const std::string lowered = asciiLowered(path);
    const std::size_t at = lowered.rfind("/stream/");
    if (at == std::string::npos)
        return false;
    // Players add a file name after ";": "/stream/3/;stream.mp3".
    std::string number = path.substr(at + 8);
    number = number.substr(0, number.find(';'));
    while (!number.empty() && number.back() == '/')
        number.pop_back();
    if (number.empty() || number.size() > 9 || number.find_first_not_of("0123456789") != std::string::npos)
        return false;
    base = path.substr(0, at);
    sid = number;
    return true;
}

// The mount a listen address names: "/live.mp3" stays, a playlist "/live.m3u" names "/live".
static std::string mountOfListenPath(const std::string& path) {
    static const char* const playlists[] = {".m3u", ".pls", ".xspf", ".vclt", ".asx"};
    for (const char* playlist : playlists) {
        if (endsWith(asciiLowered(path), playlist))
            return path.substr(0, path.size() - std::char_traits<char>::length(playlist));
    }
    return path;
}

// What the path and query say beyond the server's folder, which they leave in `base`.
static void readPath(const std::string& path, const std::string& query, PastedAddress& pasted,
                     std::string& base) {
    const std::string lowered = asciiLowered(path);
    const std::optional<std::string> sid = queryValue(query, "sid");
    if (sid)
        pasted.sid = sid;
    if (const std::optional<std::string> mount = queryValue(query, "mount"))
        pasted.mount = mount;
    if (const std::optional<std::string> pass = queryValue(query, "pass"))
        pasted.password = pass;
    std::string page;
    std::string number;
    base = path;
    if (endsWithPage(lowered, page)) {
        base = path.substr(0, path.size() - page.size());
        // Only Shoutcast 2 numbers its streams; version 1's admin page has no number.
        if (sid)
            pasted.kind = ServerKindChoice::shoutcast2;
        else if (page == "/admin.cgi")
            pasted.kind = ServerKindChoice::shoutcast1;
        return;
    }
    const std::size_t admin = lowered.find("/admin/");
    if (admin != std::string::npos || endsWith(lowered, "/admin")) {
        base = path.substr(0, admin != std::string::npos ? admin : path.size() - 6);
        return;
    }
    if (splitStreamNumberPath(path, base, number)) {
        pasted.sid = number;
        pasted.kind = ServerKindChoice::shoutcast2;
        return;
    }
    // Shoutcast 1 plays at "/;", with a file name behind it for some players.
    const std::size_t semicolon = path.rfind("/;");
    if (semicolon != std::string::npos && path.find('/', semicolon + 1) == std::string::npos) {
        base = path.substr(0, semicolon);
        if (!pasted.kind)
            pasted.kind = ServerKindChoice::shoutcast1;
        return;
    }
    if (path.empty() || path.back() == '/')
        return; // a folder: the server lives under it
    const std::size_t slash = path.rfind('/');
    base = path.substr(0, slash);
    const std::string listen = decoded(path.substr(slash), false);
    pasted.listenPath = mountOfListenPath(listen);
    if (!pasted.mount)
        pasted.mount = pasted.listenPath;
}

PastedAddress splitPastedAddress(const std::string& text) {
    PastedAddress pasted;
    const std::string value = addressIn(text);
    if (value.empty())
        return pasted;
    std::size_t rest = 0;
    const std::optional<std::string> scheme = httpScheme(value, rest);
    if (!scheme)
        return pasted;
    // A host and port hold no "#": "PW:#2" is a password.
    if (rest == 0 && value.find('/') == std::string::npos) {
        if (const auto streamPassword = splitStreamPassword(value)) {
            pasted.password = streamPassword->first;
            pasted.sid = streamPassword->second;
            pasted.kind = ServerKindChoice::shoutcast2;
            return pasted;
        }
    }
    const std::string address = value.substr(rest);
    const std::size_t authorityEnd = std::min(address.find_first_of("/?#"), address.size());
    std::string authority = address.substr(0, authorityEnd);
    std::string afterAuthority = address.substr(authorityEnd);
    afterAuthority = afterAuthority.substr(0, afterAuthority.find('#'));
    const std::size_t questionMark = afterAuthority.find('?');
    const std::string path = afterAuthority.substr(0, questionMark);
    const std::string query =
        questionMark == std::string::npos ? std::string() : afterAuthority.substr(questionMark + 1);
    const std::size_t at = authority.rfind('@');
    if (at != std::string::npos) {
        const std::string userInfo = authority.substr(0, at);
        const std::size_t colon = userInfo.find(':');
        pasted.username = decoded(userInfo.substr(0, colon), false);
        if (colon != std::string::npos)
            pasted.password = decoded(userInfo.substr(colon + 1), false);
        authority = authority.substr(at + 1);
    }
    if (authority.empty())
        return PastedAddress{};
    std::string base;
    readPath(path, query, pasted, base);
    while (!base.empty() && base.back() == '/')
        base.pop_back();
    pasted.serverUrl = *scheme + "://" + authority + base + "/";
    return pasted;
}
