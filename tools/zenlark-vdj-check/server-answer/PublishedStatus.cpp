// Reading the public status pages of Icecast and Shoutcast servers.
#include "server-answer/PublishedStatus.h"

#include "AsciiCase.h"
#include "TextParts.h"
#include "WellFormedUtf8.h"

#include <cstdint>
#include <map>

bool isPageContentType(const std::string& contentType) {
    std::string type = asciiLowered(contentType.substr(0, contentType.find(';')));
    while (!type.empty() && type.back() == ' ')
        type.pop_back();
    return type.empty() || startsWith(type, "text/") || type == "application/json" ||
           type == "application/xml" || endsWith(type, "+xml") || endsWith(type, "+json");
}

const MountStatus* findMount(const ServerView& view, const std::string& path) {
    for (const MountStatus& mount : view.mounts) {
        if (mount.path == path)
            return &mount;
    }
    return nullptr;
}

std::optional<std::uint32_t> listenersOn(const ServerView& view, const std::string& mount) {
    if (!view.streams.empty()) {
        // A stream not full itself may still be shut by the server's limit: its own count says nothing.
        const ShoutcastStream* stream = findStream(view.streams, dnasStreamOf(view.sid, std::string()));
        return stream != nullptr && isFull(*stream) ? std::optional<std::uint32_t>(stream->listeners)
                                                    : std::nullopt;
    }
    const MountStatus* listened = findMount(view, mount);
    return listened != nullptr ? listened->listeners : std::nullopt;
}

std::string xmlUnescaped(const std::string& text) {
    std::string out;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t end = text[at] == '&' ? text.find(';', at) : std::string::npos;
        if (end == std::string::npos || end - at > 10) {
            out += text[at++];
            continue;
        }
        const std::string entity = text.substr(at + 1, end - at - 1);
        static const std::map<std::string, std::string> named = {
            {"amp", "&"}, {"lt", "<"}, {"gt", ">"}, {"quot", "\""}, {"apos", "'"}};
        const auto found = named.find(entity);
        std::uint32_t code = 0;
        const bool numeric = entity.size() > 1 && entity[0] == '#';
        if (numeric) {
            const bool hex = entity[1] == 'x' || entity[1] == 'X';
            for (std::size_t i = hex ? 2 : 1; i < entity.size() && code <= 0x10FFFF; ++i) {
                const char c = entity[i];
                const int digit = c >= '0' && c <= '9'          ? c - '0'
                                  : hex && c >= 'a' && c <= 'f' ? c - 'a' + 10
                                  : hex && c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                                : -1;
                if (digit < 0) {
                    code = 0x110000; // not a number: kept as written
                    break;
                }
                code = code * (hex ? 16u : 10u) + static_cast<std::uint32_t>(digit);
            }
        }
        if (found != named.end()) {
            out += found->second;
        } else if (numeric && code > 0 && code <= 0x10FFFF && (code < 0xD800 || code > 0xDFFF)) {
            appendUtf8(out, code);
        } else {
            out += text.substr(at, end - at + 1);
        }
        at = end + 1;
    }
    return out;
}

// The text of the cell after the label cell `label` in one mount's section of Icecast-KH's page:
// "<td>Content Type:</td><td class="streamdata">audio/mpeg</td>".
static std::optional<std::string> cellAfter(const std::string& section, const std::string& label) {
    const std::size_t at = section.find(label);
    if (at == std::string::npos)
        return std::nullopt;
    const std::size_t open = section.find("<td", at + label.size());
    const std::size_t start = open == std::string::npos ? open : section.find('>', open);
    const std::size_t end = start == std::string::npos ? start : section.find("</td>", start);
    if (end == std::string::npos)
        return std::nullopt;
    return xmlUnescaped(section.substr(start + 1, end - start - 1));
}

std::optional<std::vector<MountStatus>> parseIcecastStatusPage(const std::string& html) {
    static const std::string heading = "<h3>Mount Point ";
    std::size_t at = html.find(heading);
    // With no mount live the page holds no section, only its title.
    if (at == std::string::npos &&
        html.find("<title>Icecast Streaming Media Server</title>") == std::string::npos)
        return std::nullopt;
    std::vector<MountStatus> mounts;
    while (at != std::string::npos) {
        const std::size_t start = at + heading.size();
        at = html.find(heading, start);
        const std::string section = html.substr(start, at == std::string::npos ? at : at - start);
        MountStatus mount;
        mount.path = xmlUnescaped(section.substr(0, section.find('<')));
        const std::optional<std::string> contentType = cellAfter(section, "Content Type:");
        mount.contentType = contentType.value_or(std::string());
        mount.hasSource = contentType.has_value();
        mount.title = cellAfter(section, "Current Song:");
        const std::string listeners = cellAfter(section, "Current Listeners:").value_or(std::string());
        if (!listeners.empty() && listeners.size() < 10 &&
            listeners.find_first_not_of("0123456789") == std::string::npos)
            mount.listeners = static_cast<std::uint32_t>(std::stoul(listeners));
        if (!mount.path.empty() && mount.path[0] == '/')
            mounts.push_back(std::move(mount));
    }
    return mounts;
}

std::optional<std::string> parseStatsSongTitle(const std::string& xml) {
    const std::size_t open = xml.find("<SONGTITLE");
    if (open == std::string::npos)
        return std::nullopt;
    const std::size_t start = xml.find('>', open);
    if (start == std::string::npos)
        return std::nullopt;
    if (xml[start - 1] == '/')
        return std::string(); // <SONGTITLE/>
    const std::size_t end = xml.find("</SONGTITLE>", start);
    if (end == std::string::npos)
        return std::nullopt;
    return xmlUnescaped(xml.substr(start + 1, end - start - 1));
}

std::optional<std::string> parseSevenHtmlTitle(const std::string& page) {
    const std::size_t open = page.find("<body>");
    const std::size_t close = page.rfind("</body>");
    if (open == std::string::npos || close == std::string::npos || close < open)
        return std::nullopt;
    const std::string line = page.substr(open + 6, close - open - 6);
    std::size_t at = 0;
    for (int field = 0; field < 6; ++field) {
        at = line.find(',', at);
        if (at == std::string::npos)
            return std::nullopt;
        ++at;
    }
    return xmlUnescaped(line.substr(at));
}

// Each byte of the UTF-8 text taken as one Latin-1 letter, written again as UTF-8.
static std::string readAsLatin1(const std::string& utf8) {
    std::string out;
    for (const char c : utf8)
        appendUtf8(out, static_cast<unsigned char>(c));
    return out;
}

bool showsTitle(const std::string& shown, const std::string& sent) {
    return shown == sent || shown == readAsLatin1(sent);
}

bool showsTitleEncodedTwice(const std::string& shown, const std::string& sent) {
    return shown != sent && shown == readAsLatin1(sent);
}

std::string formatName(const MountStatus& mount) {
    const std::string type = asciiLowered(mount.contentType);
    if (contains(type, "mpeg") || contains(type, "mp3"))
        return "MP3";
    if (contains(type, "aac") || contains(type, "mp4"))
        return "AAC";
    if (contains(type, "flac"))
        return "FLAC";
    if (contains(type, "webm"))
        return "WebM";
    if (contains(type, "ogg") || contains(type, "opus"))
        return mount.subtype.empty() ? std::string("Ogg") : "Ogg " + mount.subtype;
    return mount.contentType.empty() ? std::string("an unknown format") : mount.contentType;
}

bool formatRefusesTitleUpdates(const MountStatus& mount) {
    const std::string type = asciiLowered(mount.contentType);
    if (contains(type, "flac") || contains(type, "webm") || contains(type, "opus"))
        return true;
    // Icecast rewrites Vorbis' own comments; every other Ogg codec carries its titles itself.
    return contains(type, "ogg") && asciiLowered(mount.subtype) != "vorbis";
}
