// The settings file on disk: read whatever its encoding, saved whole or not at all.
#include "settings-form/SettingsFileAccess.h"

#include "settings-file/SettingsLayout.h"
#include "settings-form/SaveFailure.h"

#include "delivery/TextEncoding.h"
#include "platform/UniqueHandle.h"

#include "window/WideText.h"
#include "window/resource.h"

#include <windows.h>

#include <fstream>
#include <iterator>

using UniqueFile = UniqueHandle<HANDLE, CloseHandle>;

static bool isThere(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

SettingsFileText readSettingsText(const std::wstring& path) {
    std::ifstream file(path.c_str(), std::ios::binary);
    if (!file)
        return SettingsFileText{std::nullopt, isThere(path)};
    const std::string bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    // UTF-8 stays as it is; 8-bit text that is no UTF-8 is read in the ANSI code page, as
    // Windows' profile reader reads it.
    return SettingsFileText{utf8FromWide(wideFromHostText(settingsText(bytes))), false};
}

std::string sampleSettingsText() {
    const HRSRC found = FindResourceW(nullptr, MAKEINTRESOURCEW(IDR_SAMPLE_SETTINGS), MAKEINTRESOURCEW(10));
    const HGLOBAL loaded = found ? LoadResource(nullptr, found) : nullptr;
    const void* data = loaded ? LockResource(loaded) : nullptr;
    if (data == nullptr)
        return "[stream]\r\n";
    return std::string(static_cast<const char*>(data), SizeofResource(nullptr, found));
}

static std::string utf16LittleEndianWithMark(const std::string& utf8) {
    std::string bytes = "\xFF\xFE";
    for (const wchar_t unit : wide(utf8)) {
        bytes += static_cast<char>(unit & 0xFF);
        bytes += static_cast<char>((unit >> 8) & 0xFF);
    }
    return bytes;
}

static std::optional<std::string> failed(SaveStep step, DWORD error, const std::wstring& path) {
    return saveFailureInWords(step, error, utf8FromWide(path));
}

// The whole of `bytes` in a new file, written through to the disk; Windows' error, or 0.
static DWORD writeWholeFile(const std::wstring& path, const std::string& bytes) {
    const HANDLE opened = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL | FILE_FLAG_WRITE_THROUGH, nullptr);
    if (opened == INVALID_HANDLE_VALUE)
        return GetLastError();
    const UniqueFile file(opened);
    DWORD written = 0;
    if (!WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr))
        return GetLastError();
    if (written != bytes.size())
        return ERROR_DISK_FULL;
    if (!FlushFileBuffers(file.get()))
        return GetLastError();
    return 0;
}

std::optional<std::string> saveSettingsText(const std::wstring& path, const std::string& utf8) {
    const std::wstring fresh = path + L".new";
    if (const DWORD error = writeWholeFile(fresh, utf16LittleEndianWithMark(utf8))) {
        DeleteFileW(fresh.c_str());
        return failed(SaveStep::writeNew, error, path);
    }
    // ReplaceFileW keeps the old file's attributes and permissions; a first save has none to keep.
    const bool replaced = !isThere(path) ? MoveFileExW(fresh.c_str(), path.c_str(), MOVEFILE_WRITE_THROUGH)
                                         : ReplaceFileW(path.c_str(), fresh.c_str(), nullptr,
                                                        REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr);
    if (replaced)
        return std::nullopt;
    const DWORD error = GetLastError();
    // Without a backup name, a replace that fails to move the new file in may already have
    // removed the old one (ERROR_UNABLE_TO_MOVE_REPLACEMENT): the new file is then the only copy
    // of the settings left, and goes in the old one's place, or stays beside it.
    if (!isThere(path)) {
        if (MoveFileExW(fresh.c_str(), path.c_str(), MOVEFILE_WRITE_THROUGH))
            return std::nullopt;
        return failed(SaveStep::newLeftBeside, GetLastError(), path);
    }
    DeleteFileW(fresh.c_str());
    return failed(SaveStep::replaceOld, error, path);
}
