// Reading and saving the settings file as the window does: its text as the DJ sees it in
// Notepad, and a save that never leaves a half-written file.
#pragma once

#include <optional>
#include <string>

// The file's text as UTF-8, from UTF-16 with a byte-order mark, UTF-8 with or without one, or
// else 8-bit text in the ANSI code page; no text when there is no such file, or when it is there
// but cannot be read (another program holds it open, or Windows does not let this program read
// it): then `unreadable`, and a save would write over what it holds.
struct SettingsFileText {
    std::optional<std::string> text;
    bool unreadable = false;
};
SettingsFileText readSettingsText(const std::wstring& path);

// The sample settings file the package ships, as this program carries it.
std::string sampleSettingsText();

// Writes `utf8` as UTF-16 LE with a byte-order mark, which Windows' profile reader and Notepad
// both read as written, into a new file beside `path`, and puts it in the old one's place only
// once it is whole on the disk. Nothing when it worked, else what went wrong and what to do; the
// old file is then as it was, or, where Windows took it away without putting the new one in its
// place, the new one stays beside it, and the words say so.
std::optional<std::string> saveSettingsText(const std::wstring& path, const std::string& utf8);
