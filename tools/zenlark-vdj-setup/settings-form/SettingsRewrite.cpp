// Rewriting the settings file's lines in place, section by section.
#include "settings-form/SettingsRewrite.h"

#include "AsciiCase.h"
#include "TextParts.h"
#include "settings-file/SettingsLayout.h"

#include <cstddef>
#include <optional>

namespace {

// The file as lines, and where each section of a name starts and ends.
struct Lines {
    std::vector<std::string> lines;

    // The section header a line holds, lower-cased; nothing for any other line. Lines are read as
    // the check tool reads them.
    std::optional<std::string> headerAt(std::size_t index) const {
        std::string name;
        if (!sectionHeader(lines[index], name))
            return std::nullopt;
        return asciiLowered(name);
    }

    // The key a line sets, lower-cased; nothing for a header, a comment or a line without "=".
    std::optional<std::string> keyAt(std::size_t index) const {
        SettingsLine entry;
        if (headerAt(index) || !keyLine(lines[index], 0, entry))
            return std::nullopt;
        return asciiLowered(entry.key);
    }

    // The first line after `header` that opens another section, or the end.
    std::size_t sectionEnd(std::size_t header) const {
        for (std::size_t index = header + 1; index < lines.size(); ++index) {
            if (headerAt(index))
                return index;
        }
        return lines.size();
    }

    std::optional<std::size_t> headerOf(const std::string& name, std::size_t from = 0) const {
        for (std::size_t index = from; index < lines.size(); ++index) {
            if (headerAt(index) == asciiLowered(name))
                return index;
        }
        return std::nullopt;
    }

    // The last line of the section that sets a key; the header when none does.
    std::size_t lastKeyLine(std::size_t header) const {
        std::size_t last = header;
        for (std::size_t index = header + 1; index < sectionEnd(header); ++index) {
            if (keyAt(index))
                last = index;
        }
        return last;
    }
};

} // namespace

// The file's lines; a line end at the end of the text opens no line of its own.
static Lines linesOf(const std::string& text) {
    Lines file{textLines(text)};
    if (text.empty() || text.back() == '\n')
        file.lines.pop_back();
    return file;
}

std::string writtenValue(const std::string& value) {
    if (value.empty())
        return value;
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    const bool quotedPair =
        value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front();
    if (blank(value.front()) || blank(value.back()) || quotedPair)
        return "\"" + value + "\"";
    return value;
}

// The value the plug-in uses when the key is missing.
static std::string defaultOf(const std::string& key) {
    if (key == "protocol")
        return "icecast2";
    if (key == "mount")
        return "/live";
    if (key == "sid")
        return "1";
    if (key == "username")
        return "source";
    return std::string();
}

// Keys a new section always gets, so the DJ who opens the file finds where they go.
static bool alwaysWritten(const std::string& key) {
    return key == "server_url" || key == "protocol" || key == "username" || key == "password";
}

// The key as the line writes it, for keeping its spelling.
static std::string keyAsWritten(const std::string& line) {
    return trimmed(line.substr(0, line.find('=')));
}

static void setValues(Lines& file, std::size_t header, const SectionToSave& section) {
    for (const auto& [key, value] : section.values) {
        std::optional<std::size_t> first;
        for (std::size_t index = header + 1; index < file.sectionEnd(header);) {
            if (file.keyAt(index) != key) {
                ++index;
                continue;
            }
            if (first) {
                file.lines.erase(file.lines.begin() + static_cast<std::ptrdiff_t>(index));
                continue;
            }
            first = index;
            file.lines[index] = keyAsWritten(file.lines[index]) + "=" + writtenValue(value);
            ++index;
        }
        if (first || value == defaultOf(key))
            continue;
        const std::size_t after = file.lastKeyLine(header);
        file.lines.insert(file.lines.begin() + static_cast<std::ptrdiff_t>(after + 1),
                          key + "=" + writtenValue(value));
    }
}

static void appendSection(Lines& file, const SectionToSave& section) {
    if (!file.lines.empty() && !trimmed(file.lines.back()).empty())
        file.lines.push_back(std::string());
    file.lines.push_back("[" + section.name + "]");
    for (const auto& [key, value] : section.values) {
        if (alwaysWritten(key) || value != defaultOf(key))
            file.lines.push_back(key + "=" + writtenValue(value));
    }
}

static void removeSection(Lines& file, const std::string& name) {
    for (std::optional<std::size_t> header = file.headerOf(name); header;
         header = file.headerOf(name, *header)) {
        const std::size_t last = file.lastKeyLine(*header);
        file.lines.erase(file.lines.begin() + static_cast<std::ptrdiff_t>(*header),
                         file.lines.begin() + static_cast<std::ptrdiff_t>(last + 1));
    }
}

std::string rewrittenSettings(const std::string& text, const std::vector<SectionToSave>& sections,
                              const std::vector<std::string>& removed) {
    Lines file = linesOf(text);
    for (const std::string& name : removed)
        removeSection(file, name);
    for (const SectionToSave& section : sections) {
        if (const std::optional<std::size_t> header = file.headerOf(section.name))
            setValues(file, *header, section);
        else
            appendSection(file, section);
    }
    // A section added and removed again leaves no blank lines behind at the end.
    while (!file.lines.empty() && trimmed(file.lines.back()).empty())
        file.lines.pop_back();
    std::string out;
    for (const std::string& line : file.lines)
        out += line + "\r\n";
    return out;
}
