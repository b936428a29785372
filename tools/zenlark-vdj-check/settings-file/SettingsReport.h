// What the settings file says: where it is, how Windows will read it, and each section's values.
#pragma once

#include "settings/StreamSettings.h"

#include <string>

// The settings file to check: `given` made whole, or the file beside this program.
std::wstring settingsFileToCheck(const std::wstring& given);

// The file's path, and what Windows' profile reader will make of its bytes.
void showSettingsFile(const std::wstring& path);

// One section's values as the plug-in reads them, the password masked, and its dialect.
void showSettings(const StreamSettings& settings);

// The keys a section lacks to be used, in words: "server_url", "password" or both.
std::string missingKeys(const StreamSettings& settings);
