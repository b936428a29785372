// What the settings file says: where it is, how Windows will read it, and each section's values.
#pragma once

#include "CheckVerdict.h"
#include "settings-file/PluginCopies.h"
#include "settings-file/SettingsFileEncoding.h"
#include "settings-file/SettingsLayout.h"
#include "settings-file/SettingsMistakes.h"
#include "settings-file/StreamChoice.h"

#include "settings/SettingsFile.h"

#include <optional>
#include <string>
#include <vector>

// The settings file to check: `given` made whole, or the file beside this program.
std::wstring settingsFileToCheck(const std::wstring& given);

// What the file is, as far as the plug-in is concerned.
struct SettingsFileState {
    std::wstring path;
    bool exists = false;
    std::optional<std::wstring> hiddenTxtTwin; // "....ini.txt": saved with an ending Windows hides
    SettingsEncodingFindings encoding;         // how Windows' profile reader will read its bytes
    std::vector<SettingsSection> sections;     // every section header and key line, repeats included
    std::vector<SettingsLine> looseLines;      // key lines above the first section header
    std::vector<std::string> pluginCopies;     // the plug-in's DLLs in the file's folder, by name
};

// The plug-in's DLLs in the folder of the settings file at `path`, by name.
std::vector<std::string> pluginCopiesBeside(const std::wstring& path);

// Shows the file's path, what Windows' profile reader will make of its bytes, the sections it
// will never read, and copies of the plug-in beside it.
SettingsFileState showSettingsFile(const std::wstring& path);

// The verdict for a file that does not exist but whose name has an ending Windows hides.
CheckVerdict hiddenEndingVerdict(const std::wstring& path, const std::wstring& twin);

// How Windows will read the section `name` of the file.
SectionReading readingOf(const SettingsFileState& file, const std::wstring& name);

// The values of `section` that the settings reader cut short, each with its whole length.
std::vector<SettingsWarning> cutValueWarnings(const std::wstring& path, const StreamSection& section);

// The section's values as UTF-8, for the checks of their text.
SectionValues sectionValuesOf(const StreamSettings& settings);

// What the section says about its Shoutcast stream: sid and mount only where the file gives them.
StreamChoice streamChoiceOf(const std::wstring& path, const StreamSection& section);

// Each warning as two lines under the section's values.
void showWarnings(const std::vector<SettingsWarning>& warnings);

// One section's values as the plug-in reads them, the password masked, the title delay and skip
// list as it will use them, and its dialect.
void showSettings(const StreamSettings& settings);

// The keys a section lacks to be used, in words: "server_url", "password" or both.
std::string missingKeys(const StreamSettings& settings);
