// Reading a settings file's bytes the way Windows' profile reader will.
#include "settings-file/SettingsFileEncoding.h"

#include "AsciiCase.h"
#include "TextParts.h"
#include "WellFormedUtf8.h"
#include "settings-file/SettingsLayout.h"

#include <cstddef>

static const std::string utf8Mark = "\xEF\xBB\xBF";

static bool isUtf16Marked(const std::string& bytes) {
    return startsWith(bytes, "\xFF\xFE") || startsWith(bytes, "\xFE\xFF");
}

static bool isStreamSection(const std::string& section) {
    return startsWith(asciiLowered(section), "stream");
}

static std::vector<SettingsValueLine> nonAsciiStreamValues(const std::vector<SettingsSection>& sections) {
    std::vector<SettingsValueLine> found;
    for (const SettingsSection& section : sections) {
        if (!isStreamSection(section.name))
            continue;
        for (const SettingsLine& line : section.entries) {
            if (holdsNonAscii(line.value))
                found.push_back(SettingsValueLine{section.name, line.key, line.value});
        }
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
    const std::vector<SettingsSection> sections = settingsSections(text);
    findings.nonAscii = nonAsciiStreamValues(sections);
    if (marked && !sections.empty() && sections.front().line == 1)
        findings.sectionOnFirstLine = sections.front().name;
    if (marked)
        findings.encoding = SettingsEncoding::utf8WithMark;
    else if (!findings.nonAscii.empty())
        findings.encoding = SettingsEncoding::utf8;
    return findings;
}
