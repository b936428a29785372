// Reading a settings file's lines into sections and keys, and what the reader makes of repeats.
#include "settings-file/SettingsLayout.h"

#include "AsciiCase.h"
#include "TextParts.h"
#include "UrlText.h"
#include "WellFormedUtf8.h"

#include <cstdint>

// UTF-16 code units to UTF-8; a lone surrogate becomes U+FFFD.
static std::string fromUtf16(const std::string& bytes, bool bigEndian) {
    std::string text;
    const auto unitAt = [&](std::size_t at) {
        const auto first = static_cast<unsigned char>(bytes[at]);
        const auto second = static_cast<unsigned char>(bytes[at + 1]);
        return static_cast<std::uint32_t>(bigEndian ? first << 8 | second : second << 8 | first);
    };
    for (std::size_t at = 2; at + 1 < bytes.size(); at += 2) {
        const std::uint32_t unit = unitAt(at);
        const bool high = unit >= 0xD800 && unit <= 0xDBFF;
        const std::uint32_t next = at + 3 < bytes.size() ? unitAt(at + 2) : 0;
        if (high && next >= 0xDC00 && next <= 0xDFFF) {
            appendUtf8(text, 0x10000 + ((unit - 0xD800) << 10) + (next - 0xDC00));
            at += 2;
        } else {
            appendUtf8(text, unit >= 0xD800 && unit <= 0xDFFF ? 0xFFFD : unit);
        }
    }
    return text;
}

std::string settingsText(const std::string& bytes) {
    if (startsWith(bytes, "\xFF\xFE"))
        return fromUtf16(bytes, false);
    if (startsWith(bytes, "\xFE\xFF"))
        return fromUtf16(bytes, true);
    if (startsWith(bytes, "\xEF\xBB\xBF"))
        return bytes.substr(3);
    return bytes;
}

bool sectionHeader(const std::string& line, std::string& section) {
    const std::string text = trimmed(line);
    if (text.size() < 2 || text.front() != '[' || text.find(']') == std::string::npos)
        return false;
    section = trimmed(text.substr(1, text.find(']') - 1));
    return true;
}

bool keyLine(const std::string& line, int number, SettingsLine& entry) {
    const std::size_t equals = line.find('=');
    if (equals == std::string::npos)
        return false;
    const std::string key = trimmed(line.substr(0, equals));
    if (key.empty() || key.front() == ';')
        return false;
    entry = SettingsLine{key, trimmed(line.substr(equals + 1)), number, line};
    return true;
}

// "Key: value" with no "=", as a panel shows a setting; false for any other line.
static bool colonLine(const std::string& line, int number, SettingsLine& entry) {
    const std::size_t colon = line.find(':');
    if (colon == std::string::npos || line.find('=') != std::string::npos)
        return false;
    const std::string key = trimmed(line.substr(0, colon));
    if (key.empty() || key.front() == ';' || key.front() == '#')
        return false;
    entry = SettingsLine{key, trimmed(line.substr(colon + 1)), number, line};
    return true;
}

std::vector<SettingsSection> settingsSections(const std::string& text) {
    std::vector<SettingsSection> sections;
    int number = 0;
    for (const std::string& line : textLines(text)) {
        ++number;
        std::string name;
        if (sectionHeader(line, name)) {
            sections.push_back(SettingsSection{name, number, {}});
            continue;
        }
        SettingsLine entry;
        if (!sections.empty() && keyLine(line, number, entry))
            sections.back().entries.push_back(entry);
        else if (!sections.empty() && colonLine(line, number, entry))
            sections.back().colonLines.push_back(entry);
    }
    return sections;
}

std::vector<SettingsLine> linesAboveFirstSection(const std::string& text) {
    std::vector<SettingsLine> loose;
    int number = 0;
    for (const std::string& line : textLines(text)) {
        ++number;
        std::string name;
        if (sectionHeader(line, name))
            break;
        SettingsLine entry;
        if (keyLine(line, number, entry))
            loose.push_back(entry);
    }
    return loose;
}

static const std::string firstSection = "stream";

std::string sectionName(int number) {
    return number <= 1 ? firstSection : firstSection + std::to_string(number);
}

bool isReadSection(const std::string& name) {
    const std::string lowered = asciiLowered(name);
    for (int number = 1; number <= lastSectionNumber; ++number) {
        if (lowered == sectionName(number))
            return true;
    }
    return false;
}

static bool holdsName(const std::vector<std::string>& names, const std::string& name) {
    for (const std::string& taken : names) {
        if (asciiLowered(taken) == name)
            return true;
    }
    return false;
}

// The number written in a name such as "stream 2" or "Stream_3", or 0 for none.
static int numberIn(const std::string& name) {
    int number = 0;
    for (const char c : name) {
        if (c >= '0' && c <= '9' && number < 100)
            number = number * 10 + (c - '0');
    }
    return number;
}

// The name the section was meant to have: its own number when that section is free, else
// the first free one.
static std::string freeNameFor(const std::string& name, const std::vector<std::string>& taken) {
    const int wanted = numberIn(name);
    if (wanted >= 1 && wanted <= lastSectionNumber && !holdsName(taken, sectionName(wanted)))
        return sectionName(wanted);
    for (int number = 1; number <= lastSectionNumber; ++number) {
        if (!holdsName(taken, sectionName(number)))
            return sectionName(number);
    }
    return std::string();
}

std::vector<UnreadSection> unreadSections(const std::vector<SettingsSection>& sections) {
    std::vector<std::string> taken;
    for (const SettingsSection& section : sections) {
        if (isReadSection(section.name))
            taken.push_back(section.name);
    }
    std::vector<UnreadSection> unread;
    for (const SettingsSection& section : sections) {
        if (isReadSection(section.name) || !startsWith(asciiLowered(section.name), firstSection))
            continue;
        const std::string renameTo = freeNameFor(section.name, taken);
        if (!renameTo.empty())
            taken.push_back(renameTo);
        unread.push_back(UnreadSection{section.name, renameTo});
    }
    return unread;
}

CheckVerdict unreadSectionsVerdict(const std::vector<UnreadSection>& unread) {
    std::vector<std::string> names;
    std::vector<std::string> renames;
    for (const UnreadSection& section : unread) {
        names.push_back("[" + section.name + "]");
        if (!section.renameTo.empty())
            renames.push_back("[" + section.name + "] to [" + section.renameTo + "]");
    }
    const std::string happened =
        std::string(unread.size() == 1 ? "The plug-in does not read the section "
                                       : "The plug-in does not read the sections ") +
        listInWords(names) +
        ": it reads [stream], and [stream2] to [stream8] for more servers, so no title goes to the server " +
        (unread.size() == 1 ? "it names." : "they name.");
    if (renames.empty())
        return CheckVerdict{false, happened,
                            "The plug-in sends titles to eight servers at most: remove the sections "
                            "you need least."};
    return CheckVerdict{false, happened, "Rename " + listInWords(renames) + "."};
}

static bool sameKey(const std::string& left, const std::string& right) {
    return asciiLowered(left) == asciiLowered(right);
}

const SettingsSection* firstSectionNamed(const std::vector<SettingsSection>& sections,
                                         const std::string& name) {
    for (const SettingsSection& section : sections) {
        if (sameKey(section.name, name))
            return &section;
    }
    return nullptr;
}

const SettingsLine* lineOf(const SettingsSection& section, const std::string& key) {
    for (const SettingsLine& line : section.entries) {
        if (sameKey(line.key, key))
            return &line;
    }
    return nullptr;
}

static void findRepeatedKeys(const SettingsSection& section, std::vector<SettingsWarning>& warnings) {
    for (const char* key : settingKeys) {
        const SettingsLine* first = nullptr;
        for (const SettingsLine& line : section.entries) {
            if (!sameKey(line.key, key))
                continue;
            if (first == nullptr) {
                first = &line;
                continue;
            }
            if (line.value == first->value)
                continue;
            SettingsWarning warning{key,
                                    std::string(key) + " is written twice in [" + section.name + "] (lines " +
                                        std::to_string(first->line) + " and " + std::to_string(line.line) +
                                        "): the plug-in reads only the first.",
                                    std::string("Delete the line you no longer want, so that ") + key +
                                        "= stands once.",
                                    isTitleKey(key)};
            warning.notAsWritten = true;
            warnings.push_back(warning);
            break;
        }
    }
}

std::vector<SettingsWarning> repeatWarnings(const std::vector<SettingsSection>& sections,
                                            const std::string& name) {
    std::vector<SettingsWarning> warnings;
    const SettingsSection* first = nullptr;
    for (const SettingsSection& section : sections) {
        if (!sameKey(section.name, name))
            continue;
        if (first == nullptr) {
            first = &section;
            findRepeatedKeys(section, warnings);
            continue;
        }
        SettingsWarning warning{"",
                                "The file holds the section [" + name + "] twice (lines " +
                                    std::to_string(first->line) + " and " + std::to_string(section.line) +
                                    "): the plug-in reads only the first and none of the second's lines.",
                                "Keep one [" + name + "]: delete the other, from its [" + name +
                                    "] line down to the next section, and keep the lines you want in the one "
                                    "left."};
        warning.notAsWritten = true;
        warnings.insert(warnings.begin(), warning);
        break;
    }
    return warnings;
}

static std::string firstValue(const SettingsSection& section, const char* key) {
    const SettingsLine* line = lineOf(section, key);
    return line == nullptr ? std::string() : line->value;
}

std::vector<SettingsWarning> copiedPasswordWarnings(const std::vector<SettingsSection>& sections,
                                                    const std::string& name) {
    for (std::size_t at = 0; at < sections.size(); ++at) {
        if (!sameKey(sections[at].name, name))
            continue;
        const std::string password = firstValue(sections[at], "password");
        const std::string server = serverRoot(firstValue(sections[at], "server_url"));
        for (std::size_t earlier = 0; earlier < at && !password.empty(); ++earlier) {
            const SettingsSection& other = sections[earlier];
            const std::string otherServer = serverRoot(firstValue(other, "server_url"));
            if (!isReadSection(other.name) || sameKey(other.name, name) ||
                firstValue(other, "password") != password ||
                asciiLowered(otherServer) == asciiLowered(server))
                continue;
            return {
                SettingsWarning{"password",
                                "[" + name + "] has the same password as [" + other.name +
                                    "], which is for another server (" + otherServer +
                                    "): the section was copied and its password left as it was, most likely.",
                                "Write this server's own password after password= in [" + name + "]."}};
        }
        break;
    }
    return {};
}
