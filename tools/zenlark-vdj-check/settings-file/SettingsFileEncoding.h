// How Windows' profile reader will read a settings file, judged from the file's raw bytes.
// It understands UTF-16 files (with a byte-order mark) and reads every other file in the ANSI
// code page: a file Notepad saved as UTF-8 then yields wrong values, and a UTF-8 byte-order mark
// sticks to the first line. (Wine's reader decodes UTF-8, so the values the tool reads under Wine
// cannot show this; the bytes can.)
#pragma once

#include <string>
#include <vector>

enum class SettingsEncoding {
    unicode,      // UTF-16 with a byte-order mark: read as written
    plain,        // ASCII, or 8-bit text that is not UTF-8: read in the ANSI code page, as written
    utf8,         // UTF-8 holding letters outside ASCII: those are read wrongly
    utf8WithMark, // UTF-8 behind a byte-order mark: the first line is read wrongly too
};

struct SettingsValueLine {
    std::string section; // as written between the brackets
    std::string key;
    std::string value; // the raw bytes after "=", spaces around them removed
};

struct SettingsEncodingFindings {
    SettingsEncoding encoding = SettingsEncoding::plain;
    std::string sectionOnFirstLine;          // with a mark: the section whose header it spoils
    std::vector<SettingsValueLine> nonAscii; // UTF-8 values of "stream" sections holding non-ASCII letters
};

SettingsEncodingFindings examineSettingsBytes(const std::string& bytes);

// How Windows' profile reader will read one section of the file.
struct SectionReading {
    bool headerLost = false;              // a UTF-8 byte-order mark hides the section's header
    std::vector<std::string> misreadKeys; // values whose letters outside ASCII Windows reads as others
    std::string missingFile = {};         // the path, when there is no file at all (UTF-8)
};

