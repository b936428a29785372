// The settings file "ZenlarkVdjStandalone.ini" beside the module, read with the profile reader.
#include "settings/SettingsFile.h"

#include "host/ModuleHandle.h"

#include <windows.h>

#include <cwchar>

static const wchar_t settingsFileName[] = L"ZenlarkVdjStandalone.ini";
static const wchar_t settingsSection[] = L"stream";

// The profile reader delivers at most 2047 characters and a terminator.
static const DWORD valueCapacity = 2048;

// The longest path the platform has, 32767 characters, and its terminator.
static const DWORD longestPathCapacity = 32768;

// The whole path of this module's file, or empty when the query fails. GetModuleFileNameW cuts a
// path that does not fit without failing (it returns the capacity), and a cut path would name
// another folder, so the buffer grows until the whole path fits.
static std::wstring ownModulePath() {
    for (DWORD capacity = MAX_PATH;; capacity *= 2) {
        if (capacity > longestPathCapacity)
            capacity = longestPathCapacity;
        std::wstring buffer(capacity, L'\0');
        const DWORD length = GetModuleFileNameW(moduleHandle, buffer.data(), capacity);
        if (length == 0)
            return {};
        if (length < capacity) {
            buffer.resize(length);
            return buffer;
        }
        if (capacity == longestPathCapacity)
            return {};
    }
}

std::wstring settingsPathBeside(const std::wstring& modulePath) {
    const std::size_t lastBackslash = modulePath.rfind(L'\\');
    if (lastBackslash == std::wstring::npos)
        return modulePath + settingsFileName;
    return modulePath.substr(0, lastBackslash + 1) + settingsFileName;
}

std::wstring settingsFilePath() {
    return settingsPathBeside(ownModulePath());
}

// The value of `key` in the section "stream" of the file at `path`, or `defaultValue`.
static std::wstring readSettingFrom(const std::wstring& path, const std::wstring& key,
                                    const std::wstring& defaultValue) {
    std::wstring buffer(valueCapacity, L'\0');
    // The count it returns is not needed: the value is the text up to the first terminator.
    GetPrivateProfileStringW(settingsSection, key.c_str(), defaultValue.c_str(), buffer.data(), valueCapacity,
                             path.c_str());
    buffer.resize(std::wcslen(buffer.c_str()));
    return buffer;
}

std::wstring readSetting(const std::wstring& key, const std::wstring& defaultValue) {
    return readSettingFrom(settingsFilePath(), key, defaultValue);
}

// The six keys in their order. An empty `path` means the file beside the module, whose path is
// found afresh for every key.
static StreamSettings readStreamSettings(const std::wstring& path) {
    auto read = [&path](const wchar_t* key, const wchar_t* defaultValue) {
        return path.empty() ? readSetting(key, defaultValue) : readSettingFrom(path, key, defaultValue);
    };
    StreamSettings settings;
    settings.serverUrl = read(L"server_url", L"");
    settings.protocol = read(L"protocol", L"icecast2");
    settings.mount = read(L"mount", L"/live");
    settings.sid = read(L"sid", L"1");
    settings.username = read(L"username", L"source");
    settings.password = read(L"password", L"");
    settings.ready = !settings.serverUrl.empty() && !settings.password.empty();
    return settings;
}

StreamSettings loadStreamSettings() {
    return readStreamSettings(std::wstring());
}

StreamSettings loadStreamSettingsFrom(const std::wstring& path) {
    return readStreamSettings(path);
}
