// Showing the settings file and its values as the plug-in will read them.
#include "settings-file/SettingsReport.h"

#include "Console.h"
#include "UrlText.h"
#include "settings-file/SettingsFileEncoding.h"

#include "delivery/ServerDialect.h"
#include "delivery/TextEncoding.h"
#include "platform/UniqueHandle.h"
#include "settings/SettingsFile.h"
#include "worker/SkipTitles.h"
#include "worker/TitleDelay.h"

#include <windows.h>

#include <cstring>
#include <cwchar>
#include <fstream>
#include <iterator>

static std::string utf8(const std::wstring& text) {
    return utf8FromWide(text);
}

// The profile reader looks for a relative path in the Windows folder, so make it whole first.
static std::wstring fullPath(const std::wstring& path) {
    const DWORD needed = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (needed == 0)
        return path;
    std::wstring buffer(needed, L'\0');
    const DWORD length = GetFullPathNameW(path.c_str(), needed, buffer.data(), nullptr);
    if (length == 0 || length >= needed)
        return path;
    buffer.resize(length);
    return buffer;
}

std::wstring settingsFileToCheck(const std::wstring& given) {
    return given.empty() ? settingsFilePath() : fullPath(given);
}

static bool fileExists(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

static std::string masked(const std::wstring& secret) {
    if (secret.empty())
        return "(empty)";
    return std::string(8, '*') + " (" + std::to_string(secret.size()) +
           (secret.size() == 1 ? " character)" : " characters)");
}

static std::string shown(const std::wstring& value) {
    return value.empty() ? "(empty)" : utf8(value);
}

// A user name and password written into the address must not show either.
static std::string shownAddress(const std::wstring& serverUrl) {
    return serverUrl.empty() ? "(empty)" : withMaskedUserInfo(utf8(serverUrl));
}

static std::string fileBytes(const std::wstring& path) {
    std::ifstream file(path.c_str(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// What Windows' profile reader makes of UTF-8 bytes: it reads them in the ANSI code page.
static std::string readInAnsiCodePage(const std::string& bytes) {
    const int length = static_cast<int>(bytes.size());
    const int needed = MultiByteToWideChar(CP_ACP, 0, bytes.data(), length, nullptr, 0);
    if (needed <= 0)
        return std::string();
    std::wstring text(static_cast<std::size_t>(needed), L'\0');
    MultiByteToWideChar(CP_ACP, 0, bytes.data(), length, text.data(), needed);
    return utf8(text);
}

static bool isSecretKey(const std::string& key) {
    return CompareStringOrdinal(std::wstring(key.begin(), key.end()).c_str(), -1, L"password", -1, TRUE) ==
           CSTR_EQUAL;
}

static void showWrongReading(const SettingsValueLine& line) {
    const std::string where = "  [" + line.section + "] " + line.key;
    if (isSecretKey(line.key)) {
        printLine(where + ": its letters outside ASCII will be read as other letters");
        return;
    }
    printLine(where + " = " + line.value + "  will be read as  " + readInAnsiCodePage(line.value));
}

// The profile reader understands UTF-16 only; UTF-8, which Notepad saves by default, is read in
// the ANSI code page, and its byte-order mark sticks to the first line.
static SettingsEncodingFindings showEncodingProblems(const std::string& bytes) {
    const SettingsEncodingFindings findings = examineSettingsBytes(bytes);
    if (findings.encoding == SettingsEncoding::utf8WithMark) {
        printLine(
            "  PROBLEM: the file is saved as UTF-8 with a byte-order mark. Windows reads it in its ANSI");
        printLine("  code page and keeps the mark in front of the first line.");
        if (!findings.sectionOnFirstLine.empty())
            printLine("  So the section [" + findings.sectionOnFirstLine +
                      "] is not found there, and every key in it has its default.");
        printLine(
            "  Save it as Unicode (Notepad: Save as, Encoding \"UTF-16 LE\"), or put a comment line first.");
    }
    if (findings.encoding == SettingsEncoding::utf8)
        printLine("  PROBLEM: the file is saved as UTF-8, which Windows reads in its ANSI code page.");
    if (findings.nonAscii.empty())
        return findings;
    printLine("  These values will be read as other letters; save the file as Unicode (Notepad: Save as,");
    printLine("  Encoding \"UTF-16 LE\") and the plug-in reads them as written:");
    for (const SettingsValueLine& line : findings.nonAscii)
        showWrongReading(line);
    return findings;
}

using UniqueFindHandle = UniqueHandle<HANDLE, FindClose>;

static std::wstring folderOf(const std::wstring& path) {
    const std::size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
}

// The names of the DLLs in the settings file's folder, where the plug-in that reads it lies.
static std::vector<std::string> dllNamesBeside(const std::wstring& path) {
    std::vector<std::string> names;
    WIN32_FIND_DATAW found{};
    const HANDLE first = FindFirstFileW((folderOf(path) + L"*.dll").c_str(), &found);
    if (first == INVALID_HANDLE_VALUE)
        return names;
    const UniqueFindHandle search(first);
    do {
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
            names.push_back(utf8(found.cFileName));
    } while (FindNextFileW(search.get(), &found));
    return names;
}

std::vector<std::string> pluginCopiesBeside(const std::wstring& path) {
    return pluginCopies(dllNamesBeside(path));
}

// Windows hides known file endings, so a file saved as "ZenlarkVdjStandalone.ini" from Notepad
// may really be "ZenlarkVdjStandalone.ini.txt".
SettingsFileState showSettingsFile(const std::wstring& path) {
    printLine("Settings file: " + utf8(path));
    SettingsFileState state;
    state.path = path;
    state.exists = fileExists(path);
    state.pluginCopies = pluginCopiesBeside(path);
    if (const std::optional<CheckVerdict> copies = pluginCopiesVerdict(state.pluginCopies))
        printLine("  PROBLEM: " + copies->happened);
    if (state.exists) {
        const std::string bytes = fileBytes(path);
        state.encoding = showEncodingProblems(bytes);
        const std::string text = settingsText(bytes);
        state.sections = settingsSections(text);
        state.looseLines = linesAboveFirstSection(text);
        const std::vector<UnreadSection> unread = unreadSections(state.sections);
        if (!unread.empty())
            printLine("  PROBLEM: " + unreadSectionsVerdict(unread).happened);
        return state;
    }
    printLine("  (no such file: every key has its default)");
    if (fileExists(path + L".txt"))
        state.hiddenTxtTwin = path + L".txt";
    return state;
}

static std::wstring fileName(const std::wstring& path) {
    const std::size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

CheckVerdict hiddenEndingVerdict(const std::wstring& path, const std::wstring& twin) {
    return CheckVerdict{
        false,
        "The settings file is named " + utf8(fileName(twin)) + ", not " + utf8(fileName(path)) +
            ": Windows hides the ending \".txt\", and the plug-in reads only " + utf8(fileName(path)) + ".",
        "Rename it to " + utf8(fileName(path)) +
            " (in Explorer: View, tick \"File name extensions\", then rename), or in Notepad use "
            "Save as with \"All files\" as the type."};
}

static bool sameName(const std::string& left, const std::wstring& right) {
    return CompareStringOrdinal(std::wstring(left.begin(), left.end()).c_str(), -1, right.c_str(), -1,
                                TRUE) == CSTR_EQUAL;
}

SectionReading readingOf(const SettingsFileState& file, const std::wstring& name) {
    SectionReading reading;
    reading.headerLost = file.encoding.encoding == SettingsEncoding::utf8WithMark &&
                         !file.encoding.sectionOnFirstLine.empty() &&
                         sameName(file.encoding.sectionOnFirstLine, name);
    for (const SettingsValueLine& line : file.encoding.nonAscii) {
        if (sameName(line.section, name))
            reading.misreadKeys.push_back(line.key);
    }
    if (!file.exists && !file.hiddenTxtTwin)
        reading.missingFile = utf8(file.path);
    return reading;
}

// The value in full, read with room for far more than the plug-in reads.
static std::wstring wholeValue(const std::wstring& path, const std::wstring& section, const wchar_t* key) {
    constexpr DWORD capacity = 1 << 16;
    std::wstring buffer(capacity, L'\0');
    GetPrivateProfileStringW(section.c_str(), key, L"", buffer.data(), capacity, path.c_str());
    buffer.resize(std::wcslen(buffer.c_str()));
    return buffer;
}

// Each key with its value as read, in the order the plug-in reads them.
static std::vector<std::pair<const char*, const std::wstring*>> keyedValues(const StreamSettings& settings) {
    return {{"server_url", &settings.serverUrl},
            {"protocol", &settings.protocol},
            {"mount", &settings.mount},
            {"sid", &settings.sid},
            {"username", &settings.username},
            {"password", &settings.password},
            {"title_prefix", &settings.titlePrefix},
            {"title_suffix", &settings.titleSuffix},
            {"title_delay", &settings.titleDelay},
            {"skip_titles", &settings.skipTitles}};
}

std::vector<SettingsWarning> cutValueWarnings(const std::wstring& path, const StreamSection& section) {
    std::vector<SettingsWarning> warnings;
    for (const auto& [key, value] : keyedValues(section.settings)) {
        if (value->size() < longestSettingValue)
            continue;
        const std::wstring whole =
            wholeValue(path, section.name, std::wstring(key, key + std::strlen(key)).c_str());
        if (whole.size() > value->size())
            warnings.push_back(cutValueWarning(key, whole.size()));
    }
    return warnings;
}

SectionValues sectionValuesOf(const StreamSettings& settings) {
    SectionValues section;
    for (const auto& [key, value] : keyedValues(settings))
        section.values.emplace_back(key, utf8(*value));
    return section;
}

// The value as the plug-in read it where the file gives the key a value; none where the plug-in
// took its default.
static std::optional<std::string> written(const std::wstring& path, const std::wstring& section,
                                          const wchar_t* key, const std::wstring& value) {
    static const wchar_t absent[] = L"\x01";
    wchar_t first[2] = {};
    GetPrivateProfileStringW(section.c_str(), key, absent, first, 2, path.c_str());
    if (first[0] == L'\0' || first[0] == absent[0])
        return std::nullopt;
    return utf8(value);
}

StreamChoice streamChoiceOf(const std::wstring& path, const StreamSection& section) {
    StreamChoice choice;
    choice.sid = written(path, section.name, L"sid", section.settings.sid);
    choice.mount = written(path, section.name, L"mount", section.settings.mount);
    choice.password = utf8(section.settings.password);
    return choice;
}

void showWarnings(const std::vector<SettingsWarning>& warnings) {
    for (const SettingsWarning& warning : warnings) {
        printLine("  WARNING: " + warning.what);
        printLine("  " + warning.fix);
    }
}

// "2.5" for 2500 ms, "60" for 60000 ms.
static std::string secondsText(std::int32_t milliseconds) {
    const std::string whole = std::to_string(milliseconds / 1000);
    if (milliseconds % 1000 == 0)
        return whole;
    std::string fraction = std::to_string(1000 + milliseconds % 1000).substr(1);
    while (fraction.back() == '0')
        fraction.pop_back();
    return whole + "." + fraction;
}

static std::string delayMeaning(std::int32_t milliseconds) {
    if (milliseconds == 0)
        return "each title goes out at once";
    return "a new title goes out once it has been heard for " + secondsText(milliseconds) + " s";
}

// The delay the plug-in will use; a value it cannot use as written is named with the one it uses.
static void showTitleDelay(const std::wstring& written) {
    const TitleDelay delay = readTitleDelay(written);
    const std::string shownValue = "  title_delay = " + shown(written) + ": ";
    const std::string used = "the plug-in uses title_delay=" + secondsText(delay.milliseconds) + ", so " +
                             delayMeaning(delay.milliseconds);
    switch (delay.reading) {
    case TitleDelayReading::asWritten:
        printLine(shownValue + delayMeaning(delay.milliseconds));
        return;
    case TitleDelayReading::notANumber:
        printLine(shownValue + "not a number of seconds (fractions with a point: 2.5); " + used);
        return;
    case TitleDelayReading::negative:
        printLine(shownValue + "negative; " + used);
        return;
    case TitleDelayReading::aboveMaximum:
        printLine(shownValue + "above 60; " + used);
        return;
    }
}

// The texts as the plug-in looks for them, each in quotes.
static void showSkipTitles(const std::wstring& written) {
    std::string entries;
    for (const std::wstring& entry : skipTitleList(written))
        entries += (entries.empty() ? "\"" : ", \"") + utf8(entry) + "\"";
    printLine("  skip_titles = " + (entries.empty() ? std::string("(empty)") : entries));
}

void showSettings(const StreamSettings& settings) {
    printLine("  server_url = " + shownAddress(settings.serverUrl));
    printLine("  protocol   = " + shown(settings.protocol));
    printLine("  mount      = " + shown(settings.mount));
    printLine("  sid        = " + shown(settings.sid));
    printLine("  username   = " + shown(settings.username));
    printLine("  password   = " + masked(settings.password));
    if (!settings.titlePrefix.empty() || !settings.titleSuffix.empty()) {
        printLine("  title_prefix = \"" + utf8(settings.titlePrefix) + "\"");
        printLine("  title_suffix = \"" + utf8(settings.titleSuffix) + "\"");
    }
    showTitleDelay(settings.titleDelay);
    showSkipTitles(settings.skipTitles);
    printLine(std::string("  ready      = ") + (settings.ready ? "yes" : "no"));
    const bool icecast = detectDialect(settings.protocol) == ServerDialect::Icecast;
    printLine(std::string("Dialect: ") + (icecast ? "Icecast (/admin/metadata)" : "Shoutcast (/admin.cgi)"));
}

std::string missingKeys(const StreamSettings& settings) {
    if (settings.serverUrl.empty() && settings.password.empty())
        return "server_url and password";
    return settings.serverUrl.empty() ? "server_url" : "password";
}
