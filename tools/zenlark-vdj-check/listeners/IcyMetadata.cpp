// Reading ICY metadata blocks from a stream and the StreamTitle from a block.
#include "listeners/IcyMetadata.h"

#include <algorithm>

constexpr std::size_t maxMetaint = 16 * 1024 * 1024;

std::optional<std::size_t> parseMetaint(const std::string& headerValue) {
    std::size_t first = headerValue.find_first_not_of(" \t");
    std::size_t last = headerValue.find_last_not_of(" \t");
    if (first == std::string::npos)
        return std::nullopt;
    std::size_t value = 0;
    for (std::size_t i = first; i <= last; ++i) {
        const char c = headerValue[i];
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + static_cast<std::size_t>(c - '0');
        if (value > maxMetaint)
            return std::nullopt;
    }
    if (value == 0)
        return std::nullopt;
    return value;
}

IcyMetadataReader::IcyMetadataReader(std::size_t metaint) : metaint_(metaint), left_(metaint) {}

std::vector<std::string> IcyMetadataReader::feed(const char* data, std::size_t size) {
    std::vector<std::string> blocks;
    std::size_t at = 0;
    while (at < size) {
        if (part_ == Part::audio) {
            const std::size_t skipped = std::min(left_, size - at);
            at += skipped;
            left_ -= skipped;
            if (left_ == 0)
                part_ = Part::length;
            continue;
        }
        if (part_ == Part::length) {
            left_ = static_cast<unsigned char>(data[at++]) * std::size_t{16};
            part_ = left_ == 0 ? Part::audio : Part::metadata;
            if (left_ == 0)
                left_ = metaint_;
            continue;
        }
        const std::size_t taken = std::min(left_, size - at);
        block_.append(data + at, taken);
        at += taken;
        left_ -= taken;
        if (left_ == 0) {
            blocks.push_back(std::move(block_));
            block_.clear();
            part_ = Part::audio;
            left_ = metaint_;
        }
    }
    return blocks;
}

static bool isKeyCharacter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
}

// True when `text` from `at` is a key and its opening quote: letters, digits or "_", then "='".
static bool startsKey(const std::string& text, std::size_t at) {
    std::size_t end = at;
    while (end < text.size() && isKeyCharacter(text[end]))
        ++end;
    return end > at && text.compare(end, 2, "='") == 0;
}

std::optional<std::string> streamTitle(const std::string& block) {
    std::string text = block;
    while (!text.empty() && text.back() == '\0')
        text.pop_back();
    static const std::string key = "StreamTitle='";
    std::size_t start = text.find(key);
    while (start != std::string::npos && start != 0 && text.compare(start - 1, 1, ";") != 0)
        start = text.find(key, start + 1); // "XStreamTitle='" is another key
    if (start == std::string::npos)
        return std::nullopt;
    const std::size_t valueStart = start + key.size();
    for (std::size_t end = text.find("';", valueStart); end != std::string::npos;
         end = text.find("';", end + 1)) {
        const std::size_t next = end + 2;
        if (next == text.size() || startsKey(text, next))
            return text.substr(valueStart, end - valueStart);
    }
    // No closing "';": some servers end the block with a bare quote.
    if (text.size() > valueStart && text.back() == '\'')
        return text.substr(valueStart, text.size() - 1 - valueStart);
    return std::nullopt;
}
