// Reading a settings file's bytes the way Windows' profile reader will.
#include "settings-file/SettingsFileEncoding.h"

#include "AsciiCase.h"
#include "WellFormedUtf8.h"

#include <cstddef>

static const std::string utf8Mark = "\xEF\xBB\xBF";

static bool startsWith(const std::string& text, const std::string& prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

static bool isUtf16Marked(const std::string& bytes) {
    return startsWith(bytes, "\xFF\xFE") || startsWith(bytes, "\xFE\xFF");
}

static bool holdsNonAscii(const std::string& text) {
    for (const char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80)
            return true;
    }
    return false;
}

static std::string trimmed(const std::string& text) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return std::string();
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

static bool isStreamSection(const std::string& section) {
    return startsWith(asciiLowered(section), "stream");
}

// The lines of the text without their line ends.
static std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

// The section a header line opens, or nothing for any other line.
static bool sectionHeader(const std::string& line, std::string& section) {
    const std::string text = trimmed(line);
    if (text.size() < 2 || text.front() != '[' || text.find(']') == std::string::npos)
        return false;
    section = trimmed(text.substr(1, text.find(']') - 1));
    return true;
}

static std::vector<SettingsValueLine> nonAsciiStreamValues(const std::string& text) {
    std::vector<SettingsValueLine> found;
    std::string section;
    bool inSection = false;
    for (const std::string& line : linesOf(text)) {
        if (sectionHeader(line, section)) {
            inSection = true;
            continue;
        }
        const std::size_t equals = line.find('=');
        const std::string key = trimmed(line.substr(0, equals == std::string::npos ? 0 : equals));
        if (!inSection || equals == std::string::npos || key.empty() || key.front() == ';')
            continue;
        const std::string value = trimmed(line.substr(equals + 1));
        if (isStreamSection(section) && holdsNonAscii(value))
            found.push_back(SettingsValueLine{section, key, value});
    }
    return found;
}

SettingsEncodingFindings examineSettingsBytes(const std::string& bytes) {
    SettingsEncodingFindings findings;
    if (isUtf16Marked(bytes)) {
        findings.encoding = SettingsEncoding::unicode;
        return findings;
    }
    const bool marked = startsWith(bytes, utf8Mark);
    const std::string text = marked ? bytes.substr(utf8Mark.size()) : bytes;
    if (!isWellFormedUtf8(text))
        return findings; // 8-bit text in some ANSI code page: read as the editor wrote it
    findings.nonAscii = nonAsciiStreamValues(text);
    std::string section;
    if (marked && sectionHeader(linesOf(text).front(), section))
        findings.sectionOnFirstLine = section;
    if (marked)
        findings.encoding = SettingsEncoding::utf8WithMark;
    else if (!findings.nonAscii.empty())
        findings.encoding = SettingsEncoding::utf8;
    return findings;
}
