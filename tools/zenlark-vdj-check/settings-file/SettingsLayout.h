// The sections and keys of a settings file line by line, repeats included, and the mistakes in
// them: the profile reader reads only the first section of a name and the first line of a key,
// and never a section whose name the plug-in does not ask for, all without a word.
#pragma once

#include "CheckVerdict.h"
#include "settings-file/SettingsMistakes.h"

#include <string>
#include <vector>

struct SettingsLine {
    std::string key;
    std::string value; // the bytes after "=", blanks around them removed
    int line = 0;      // counted from 1
    std::string text;  // the whole line as written, without its line end
};

struct SettingsSection {
    std::string name; // as written between the brackets, blanks around it removed
    int line = 0;
    std::vector<SettingsLine> entries;
    // Lines with ":" and no "=", as panels show their settings ("Password: ..."): the reader passes
    // over them. Their key is the text before the ":", their value the text after it.
    std::vector<SettingsLine> colonLines = {};
};

// The file's text as UTF-8 (or, for 8-bit text in another code page, its bytes), whatever
// form it was saved in: UTF-16 with a byte-order mark, or UTF-8 with or without one.
std::string settingsText(const std::string& bytes);

// The section a header line opens, as written between the brackets, blanks around it removed;
// false for any other line.
bool sectionHeader(const std::string& line, std::string& section);

// The key and value a line holds, `number` being its line; false for a comment and a line
// without "=". A header line is read by sectionHeader first.
bool keyLine(const std::string& line, int number, SettingsLine& entry);

// The sections in the order of their headers, each with its key lines. Lines before the first
// header, comment lines and lines without "=" belong to no section.
std::vector<SettingsSection> settingsSections(const std::string& text);

// The key lines before the first section header (every key line of a file without one): the
// settings reader reads none of them.
std::vector<SettingsLine> linesAboveFirstSection(const std::string& text);

// True for the sections the plug-in reads: [stream], [stream2] to [stream8], in any case.
bool isReadSection(const std::string& name);

// The section of the plug-in's server `number`, from 1 to lastSectionNumber: "stream", "stream2" ...
constexpr int lastSectionNumber = 8;
std::string sectionName(int number);

// The first section called `name`, in any letter case; null when there is none.
const SettingsSection* firstSectionNamed(const std::vector<SettingsSection>& sections,
                                         const std::string& name);

// The first line of `key` in the section, in any letter case: the one the reader reads; null
// when there is none.
const SettingsLine* lineOf(const SettingsSection& section, const std::string& key);

// The sections meant for a server that the plug-in never reads, such as [stream 2], [stream1]
// or [stream9], each with the name to give it; nothing when every such section is read.
struct UnreadSection {
    std::string name;
    std::string renameTo; // "stream2"; empty when the file has no free name left
};
std::vector<UnreadSection> unreadSections(const std::vector<SettingsSection>& sections);
CheckVerdict unreadSectionsVerdict(const std::vector<UnreadSection>& unread);

// A second [name] section, and a key written twice with different values in the first one.
std::vector<SettingsWarning> repeatWarnings(const std::vector<SettingsSection>& sections,
                                            const std::string& name);

// The password of [name] where an earlier section the plug-in reads has the same one for another
// server: a section copied for a second server with its password left as it was, most likely.
// It explains a refusal; two servers may share a password.
std::vector<SettingsWarning> copiedPasswordWarnings(const std::vector<SettingsSection>& sections,
                                                    const std::string& name);
