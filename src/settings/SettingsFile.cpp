// The settings file "ZenlarkVdjStandalone.ini" beside the module, read with the profile reader.
#include "settings/SettingsFile.h"

#include "host/ModuleHandle.h"

#include <windows.h>

#include <cwchar>

static const wchar_t settingsFileName[] = L"ZenlarkVdjStandalone.ini";
static const wchar_t firstSection[] = L"stream";

// The profile reader delivers at most longestSettingValue characters and a terminator.
static const DWORD valueCapacity = longestSettingValue + 1;

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

// The value of `key` in `section` of the file at `path`, or `defaultValue`.
static std::wstring readSettingFrom(const std::wstring& path, const wchar_t* section, const std::wstring& key,
                                    const std::wstring& defaultValue) {
    std::wstring buffer(valueCapacity, L'\0');
    // The count it returns is not needed: the value is the text up to the first terminator.
    GetPrivateProfileStringW(section, key.c_str(), defaultValue.c_str(), buffer.data(), valueCapacity, path.c_str());
    buffer.resize(std::wcslen(buffer.c_str()));
    return buffer;
}

std::wstring readSetting(const std::wstring& key, const std::wstring& defaultValue) {
    return readSettingFrom(settingsFilePath(), firstSection, key, defaultValue);
}

// The keys of one section in their order. An empty `path` means the file beside the module,
// whose path is found afresh for every key.
static StreamSettings readStreamSettings(const std::wstring& path, const std::wstring& section = firstSection) {
    auto read = [&path, &section](const wchar_t* key, const wchar_t* defaultValue) {
        if (path.empty())
            return readSettingFrom(settingsFilePath(), section.c_str(), key, defaultValue);
        return readSettingFrom(path, section.c_str(), key, defaultValue);
    };
    StreamSettings settings;
    settings.serverUrl = read(L"server_url", L"");
    settings.protocol = read(L"protocol", L"icecast2");
    settings.mount = read(L"mount", L"/live");
    settings.sid = read(L"sid", L"1");
    settings.username = read(L"username", L"source");
    settings.password = read(L"password", L"");
    settings.ready = !settings.serverUrl.empty() && !settings.password.empty();
    settings.titlePrefix = read(L"title_prefix", L"");
    settings.titleSuffix = read(L"title_suffix", L"");
    settings.titleDelay = read(L"title_delay", L"");
    settings.skipTitles = read(L"skip_titles", L"");
    return settings;
}

StreamSettings loadStreamSettings() {
    return readStreamSettings(std::wstring());
}

StreamSettings loadStreamSettingsFrom(const std::wstring& path) {
    return readStreamSettings(path);
}

std::wstring streamSectionName(int number) {
    if (number <= 1)
        return firstSection;
    return firstSection + std::to_wstring(number);
}

// Every section name in the file, each once, as the profile reader lists them.
static std::vector<std::wstring> sectionNames(const std::wstring& path) {
    // A list of NUL-terminated names ending in an empty one; cut when the buffer is too small,
    // so it grows until the count returned leaves room.
    for (DWORD capacity = 4096; capacity <= 1u << 20; capacity *= 4) {
        std::wstring buffer(capacity, L'\0');
        const DWORD length = GetPrivateProfileSectionNamesW(buffer.data(), capacity, path.c_str());
        if (length + 2 >= capacity)
            continue;
        std::vector<std::wstring> names;
        for (std::size_t at = 0; at < length && buffer[at] != L'\0'; at += names.back().size() + 1)
            names.emplace_back(buffer.c_str() + at);
        return names;
    }
    return {};
}

static bool holdsSection(const std::vector<std::wstring>& names, const std::wstring& wanted) {
    for (const std::wstring& name : names) {
        if (CompareStringOrdinal(name.c_str(), -1, wanted.c_str(), -1, TRUE) == CSTR_EQUAL)
            return true;
    }
    return false;
}

std::vector<StreamSection> loadStreamSections(const std::wstring& path) {
    std::vector<StreamSection> sections;
    sections.push_back(StreamSection{1, firstSection, readStreamSettings(path)});
    const std::wstring file = path.empty() ? settingsFilePath() : path;
    const std::vector<std::wstring> names = sectionNames(file);
    for (int number = 2; number <= maxStreamSections; ++number) {
        const std::wstring name = streamSectionName(number);
        if (holdsSection(names, name))
            sections.push_back(StreamSection{number, name, readStreamSettings(file, name)});
    }
    return sections;
}
