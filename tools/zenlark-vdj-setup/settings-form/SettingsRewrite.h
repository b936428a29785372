// Writing the window's values into the settings file's text while keeping everything else of it:
// the DJ's comments, keys the window does not show, other sections and their order.
#pragma once

#include <string>
#include <utility>
#include <vector>

struct SectionToSave {
    std::string name;                                        // "stream", "stream2", ...
    std::vector<std::pair<std::string, std::string>> values; // key and value as the plug-in should read it
};

// The text (UTF-8, any line ends) with each section's keys set: a key's first line in the
// section's first occurrence takes the new value and its later lines in that section go; a key
// the section lacks is added after its last key line, unless its value is the plug-in's
// default; a section the text lacks is added at the end. The sections in `removed` go, each from
// its header to its last key line. Lines end in CRLF; blank lines at the end go.
std::string rewrittenSettings(const std::string& text, const std::vector<SectionToSave>& sections,
                              const std::vector<std::string>& removed);

// The value as written after "=", so that the profile reader gives back exactly `value`: in
// double quotes when blanks at an end or a pair of quotes around it would otherwise be dropped.
std::string writtenValue(const std::string& value);
