// Plain tests and cuts of byte text, for the ASCII words the tool looks for in servers' answers
// and in the settings' values.
#pragma once

#include <algorithm>
#include <cstddef>
#include <string>
#include <vector>

inline bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

inline bool startsWith(const std::string& text, const std::string& start) {
    return text.compare(0, start.size(), start) == 0;
}

inline bool endsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// True for a text of ASCII digits alone, at least one.
inline bool isDigits(const std::string& text) {
    return !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
}

// Without the spaces and tabs around it, as the settings reader takes a value.
inline std::string trimmed(const std::string& text) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return std::string();
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// True when the text holds a byte outside ASCII.
inline bool holdsNonAscii(const std::string& text) {
    for (const char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80)
            return true;
    }
    return false;
}

// The entries of `text` between any of the `separators`, each trimmed, the empty ones left out,
// joined again with `joiner`: "a, b,,c" with "," and "|" gives "a|b|c".
inline std::string joinedEntries(const std::string& text, const char* separators, const std::string& joiner) {
    std::string joined;
    for (std::size_t begin = 0; begin <= text.size();) {
        const std::size_t end = std::min(text.find_first_of(separators, begin), text.size());
        const std::string entry = trimmed(text.substr(begin, end - begin));
        if (!entry.empty())
            joined += (joined.empty() ? "" : joiner) + entry;
        begin = end + 1;
    }
    return joined;
}

// The lines of the text without their line ends ("\n" or "\r\n"); a text that ends with a line
// end, or is empty, ends with an empty line.
inline std::vector<std::string> textLines(const std::string& text) {
    std::vector<std::string> lines;
    for (std::size_t start = 0; start <= text.size();) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}
