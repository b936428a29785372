// Finding the settings file beside the plug-in module and reading StreamSettings from it.
#pragma once

#include "settings/StreamSettings.h"

#include <cstddef>
#include <string>
#include <vector>

// The longest value the profile reader delivers; it cuts a longer one without a word.
constexpr std::size_t longestSettingValue = 2047;

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

// The six keys of the section "stream" with their defaults, `ready` when server_url and password
// are both non-empty, and the optional title_prefix, title_suffix, title_delay and skip_titles.
StreamSettings loadStreamSettings();

// The same keys from the settings file at `path`, for a tool that checks a file it is given.
StreamSettings loadStreamSettingsFrom(const std::wstring& path);

// One server's section: [stream] for the first server, [stream2] to [stream8] for more.
constexpr int maxStreamSections = 8;

struct StreamSection {
    int number = 1;    // 1 for [stream], 2 to 8 for [stream2] to [stream8]
    std::wstring name; // "stream", "stream2", ...
    StreamSettings settings;
};

// "stream" for 1, "streamN" for N from 2 to 8.
std::wstring streamSectionName(int number);

// [stream], read as loadStreamSettings reads it, then each of [stream2] to [stream8] that the
// file holds, in number order, each with the same keys and defaults. An empty `path` means the
// file beside the module.
std::vector<StreamSection> loadStreamSections(const std::wstring& path = std::wstring());
