// Reading DNAS's list of streams, and which stream its title update reaches.
#include "server-answer/ShoutcastStreams.h"

#include "TextParts.h"
#include "server-answer/PublishedStatus.h"

#include <limits>

// The number `text` starts with; none when it starts with no digit. Saturates instead of wrapping.
static std::optional<std::uint32_t> leadingNumber(const std::string& text) {
    std::uint64_t number = 0;
    std::size_t at = 0;
    for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at) {
        number = number * 10 + static_cast<std::uint64_t>(text[at] - '0');
        if (number > std::numeric_limits<std::uint32_t>::max())
            number = std::numeric_limits<std::uint32_t>::max();
    }
    if (at == 0)
        return std::nullopt;
    return static_cast<std::uint32_t>(number);
}

// The unescaped text of <NAME>...</NAME> in `block`, "" for <NAME/>; none when it has no such element.
static std::optional<std::string> elementText(const std::string& block, const std::string& name) {
    if (contains(block, "<" + name + "/>"))
        return std::string();
    const std::string open = "<" + name + ">";
    const std::size_t start = block.find(open);
    if (start == std::string::npos)
        return std::nullopt;
    const std::size_t from = start + open.size();
    const std::size_t end = block.find("</" + name + ">", from);
    if (end == std::string::npos)
        return std::nullopt;
    return xmlUnescaped(block.substr(from, end - from));
}

static std::uint32_t elementNumber(const std::string& block, const std::string& name) {
    return leadingNumber(elementText(block, name).value_or(std::string())).value_or(0);
}

// One <STREAM id="N"> block; none without a usable number.
static std::optional<ShoutcastStream> streamOf(const std::string& id, const std::string& block) {
    const std::optional<std::uint32_t> number = leadingNumber(id);
    if (!number || *number == 0)
        return std::nullopt;
    ShoutcastStream stream;
    stream.id = *number;
    stream.path = elementText(block, "STREAMPATH").value_or(std::string());
    stream.live = elementText(block, "STREAMSTATUS") == std::string("1");
    stream.contentType = elementText(block, "CONTENT").value_or(std::string());
    stream.bitrate = elementNumber(block, "BITRATE");
    stream.listeners = elementNumber(block, "CURRENTLISTENERS");
    stream.maxListeners = elementNumber(block, "MAXLISTENERS");
    stream.name = elementText(block, "SERVERTITLE").value_or(std::string());
    stream.title = elementText(block, "SONGTITLE").value_or(std::string());
    return stream;
}

std::optional<std::vector<ShoutcastStream>> parseShoutcastStatistics(const std::string& xml) {
    if (!contains(xml, "<SHOUTCASTSERVER>") || !contains(xml, "<STREAMSTATS>"))
        return std::nullopt;
    static const std::string open = "<STREAM id=\"";
    static const std::string close = "</STREAM>";
    std::vector<ShoutcastStream> streams;
    for (std::size_t at = xml.find(open); at != std::string::npos; at = xml.find(open, at)) {
        const std::size_t idStart = at + open.size();
        const std::size_t idEnd = xml.find('"', idStart);
        const std::size_t end = idEnd == std::string::npos ? idEnd : xml.find(close, idEnd);
        // A page cut short ends in a stream without its end: that stream is left out.
        if (end == std::string::npos)
            break;
        const std::optional<ShoutcastStream> stream =
            streamOf(xml.substr(idStart, idEnd - idStart), xml.substr(idEnd, end - idEnd));
        if (stream)
            streams.push_back(*stream);
        at = end + close.size();
    }
    return streams;
}

bool isServerFull(const std::string& statisticsXml) {
    const std::size_t start = statisticsXml.find("<STREAMSTATS>");
    if (start == std::string::npos)
        return false;
    // The server's own counts come before its first stream's.
    const std::string totals = statisticsXml.substr(start, statisticsXml.find("<STREAM id=", start) - start);
    const std::uint32_t limit = elementNumber(totals, "MAXLISTENERS");
    return limit > 0 && elementNumber(totals, "CURRENTLISTENERS") >= limit;
}

const ShoutcastStream* findStream(const std::vector<ShoutcastStream>& streams, std::uint32_t id) {
    for (const ShoutcastStream& stream : streams) {
        if (stream.id == id)
            return &stream;
    }
    return nullptr;
}

// A path with one "/" in front and none behind: "live3/" gives "/live3".
static std::string plainPath(const std::string& path) {
    std::string plain = startsWith(path, "/") ? path : "/" + path;
    while (plain.size() > 1 && plain.back() == '/')
        plain.pop_back();
    return plain;
}

const ShoutcastStream* streamAtPath(const std::vector<ShoutcastStream>& streams, const std::string& path) {
    const std::string wanted = plainPath(path);
    for (const ShoutcastStream& stream : streams) {
        if (!stream.path.empty() && plainPath(stream.path) == wanted)
            return &stream;
    }
    // DNAS serves every stream at /stream/N/ too, whatever path it was given.
    static const std::string own = "/stream/";
    if (!startsWith(wanted, own))
        return nullptr;
    const std::string number = wanted.substr(own.size());
    const std::optional<std::uint32_t> id = leadingNumber(number);
    if (!id || std::to_string(*id) != number)
        return nullptr;
    return findStream(streams, *id);
}

bool isFull(const ShoutcastStream& stream) {
    return stream.maxListeners > 0 && stream.listeners >= stream.maxListeners;
}

// The server's text on one line, without control characters a console would act on.
static std::string oneLine(std::string text) {
    for (char& c : text) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            c = ' ';
    }
    return text;
}

std::string streamInWords(const ShoutcastStream& stream) {
    std::string words = "stream " + std::to_string(stream.id) + " (";
    if (!stream.path.empty())
        words += oneLine(stream.path) + ", ";
    if (!stream.name.empty())
        words += "\"" + oneLine(stream.name) + "\", ";
    return words + (stream.live ? "live now)" : "no source)");
}

std::optional<std::uint32_t> streamInPassword(const std::string& password) {
    const std::size_t mark = password.rfind(":#");
    if (mark == std::string::npos)
        return std::nullopt;
    const std::string number = password.substr(mark + 2);
    const std::optional<std::uint32_t> id = leadingNumber(number);
    if (!id || number.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    return id;
}

std::uint32_t dnasStreamOf(const std::string& sid, const std::string& password) {
    if (const std::optional<std::uint32_t> named = streamInPassword(password))
        return *named == 0 ? 1 : *named;
    const std::uint32_t number = leadingNumber(trimmed(sid)).value_or(0);
    return number == 0 ? 1 : number;
}
