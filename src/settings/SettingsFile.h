// Finding the settings file beside the plug-in module and reading StreamSettings from it.
#pragma once

#include "settings/StreamSettings.h"

#include <string>

// The settings file in the folder of the module at `modulePath`: the path up to and including
// its last backslash, then the file name. A path without a backslash (an empty one included)
// gets the file name appended as it is.
std::wstring settingsPathBeside(const std::wstring& modulePath);

// The settings file beside this module's own file, found from moduleHandle.
std::wstring settingsFilePath();

// The value of `key` in the section "stream", or `defaultValue` when the file, the section or the
// key is missing. A key present with an empty value gives the empty string. Values are cut to
// 2047 characters. Reads the file afresh on every call.
std::wstring readSetting(const std::wstring& key, const std::wstring& defaultValue);

// The six keys with their defaults; `ready` when server_url and password are both non-empty.
StreamSettings loadStreamSettings();

// The same six keys from the settings file at `path`, for a tool that checks a file it is given.
StreamSettings loadStreamSettingsFrom(const std::wstring& path);
