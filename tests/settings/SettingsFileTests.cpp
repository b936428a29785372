// The settings file beside a real module in a temporary folder: location, defaults, empty values,
// long paths and values, and the servers the worker takes from its sections.
#include "host/ModuleHandle.h"
#include "platform/UniqueHandle.h"
#include "settings/SettingsFile.h"
#include "worker/ServerList.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

static const wchar_t probeModuleName[] = L"SettingsProbeModule.dll";
static const wchar_t settingsFileName[] = L"ZenlarkVdjStandalone.ini";

static fs::path testProgramFolder() {
    std::wstring path(32768, L'\0');
    path.resize(GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size())));
    return fs::path(path).parent_path();
}

// Removes a folder and everything in it. std::filesystem under mingw's runtime cannot list a
// folder whose path is longer than MAX_PATH and would leave such a tree behind, so this goes
// through Windows' own calls with the extended-length prefix.
static void removeTree(const std::wstring& extendedPath) {
    WIN32_FIND_DATAW entry;
    const HANDLE found = FindFirstFileW((extendedPath + L"\\*").c_str(), &entry);
    if (found != INVALID_HANDLE_VALUE) {
        const UniqueHandle<HANDLE, FindClose> search(found);
        do {
            const std::wstring name = entry.cFileName;
            if (name == L"." || name == L"..")
                continue;
            const std::wstring child = extendedPath + L"\\" + name;
            if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
                removeTree(child);
            else
                DeleteFileW(child.c_str());
        } while (FindNextFileW(search.get(), &entry));
    }
    RemoveDirectoryW(extendedPath.c_str());
}

static std::wstring extendedLength(const fs::path& absolute) { return L"\\\\?\\" + absolute.wstring(); }

// A fresh folder under the temporary folder, holding a loaded copy of the probe module that stands
// in for the plug-in through moduleHandle; all of it goes away with the object.
class ModuleInFolder {
  public:
    explicit ModuleInFolder(const std::wstring& subfolders = L"") {
        static int serial = 0;
        root = fs::temp_directory_path() / (L"zenlark-settings-" + std::to_wstring(GetCurrentProcessId()) +
                                            L"-" + std::to_wstring(++serial));
        folder = subfolders.empty() ? root : root / subfolders;
        removeTree(extendedLength(root)); // left by an earlier run whose process had the same id
        fs::create_directories(folder);
        fs::copy_file(testProgramFolder() / probeModuleName, folder / probeModuleName);
        module = LoadLibraryW((folder / probeModuleName).c_str());
        previousHandle = moduleHandle;
        moduleHandle = module;
    }
    ~ModuleInFolder() {
        moduleHandle = previousHandle;
        if (module != nullptr)
            FreeLibrary(module);
        removeTree(extendedLength(root));
    }
    ModuleInFolder(const ModuleInFolder&) = delete;
    ModuleInFolder& operator=(const ModuleInFolder&) = delete;

    void writeSettings(const std::string& text) const {
        std::ofstream file(folder / settingsFileName, std::ios::binary);
        file << text;
    }

    fs::path root;
    fs::path folder;
    HMODULE module = nullptr;

  private:
    HMODULE previousHandle = nullptr;
};

static bool samePathIgnoringCase(const std::wstring& left, const std::wstring& right) {
    return CompareStringOrdinal(left.c_str(), -1, right.c_str(), -1, TRUE) == CSTR_EQUAL;
}

TEST(SettingsPath, KeepsTheFolderUpToTheLastBackslash) {
    EXPECT_EQ(settingsPathBeside(L"C:\\Host\\Plugins\\bridge.dll"),
              L"C:\\Host\\Plugins\\ZenlarkVdjStandalone.ini");
    EXPECT_EQ(settingsPathBeside(L"C:\\bridge.dll"), L"C:\\ZenlarkVdjStandalone.ini");
    EXPECT_EQ(settingsPathBeside(L"bridge.dll"), L"bridge.dllZenlarkVdjStandalone.ini");
    EXPECT_EQ(settingsPathBeside(L"C:/Host/bridge.dll"), L"C:/Host/bridge.dllZenlarkVdjStandalone.ini");
    EXPECT_EQ(settingsPathBeside(L""), L"ZenlarkVdjStandalone.ini");
}

TEST(SettingsFile, LiesBesideTheModuleNotTheProgram) {
    ModuleInFolder module;
    ASSERT_NE(module.module, nullptr);
    EXPECT_TRUE(samePathIgnoringCase(settingsFilePath(), (module.folder / settingsFileName).wstring()))
        << fs::path(settingsFilePath()).string();
}

TEST(SettingsFile, FailedModuleQueryGivesTheBareFileName) {
    ModuleInFolder module;
    ASSERT_NE(module.module, nullptr);
    FreeLibrary(module.module); // the handle now names no module
    module.module = nullptr;
    EXPECT_EQ(settingsFilePath(), settingsFileName);
}

TEST(SettingsFile, NoFileGivesTheDefaultsAndNotReady) {
    ModuleInFolder module;
    const StreamSettings settings = loadStreamSettings();
    EXPECT_EQ(settings.serverUrl, L"");
    EXPECT_EQ(settings.protocol, L"icecast2");
    EXPECT_EQ(settings.mount, L"/live");
    EXPECT_EQ(settings.sid, L"1");
    EXPECT_EQ(settings.username, L"source");
    EXPECT_EQ(settings.password, L"");
    EXPECT_FALSE(settings.ready);
}

TEST(SettingsFile, ReadsEveryKeyOfTheStreamSectionOnly) {
    ModuleInFolder module;
    module.writeSettings("[other]\r\npassword=wrong\r\n"
                         "[stream]\r\nserver_url=https://radio.example:8443/base\r\nprotocol=shoutcast\r\n"
                         "mount=/main\r\nsid=3\r\nusername=dj\r\npassword=hack me\r\n");
    const StreamSettings settings = loadStreamSettings();
    EXPECT_EQ(settings.serverUrl, L"https://radio.example:8443/base");
    EXPECT_EQ(settings.protocol, L"shoutcast");
    EXPECT_EQ(settings.mount, L"/main");
    EXPECT_EQ(settings.sid, L"3");
    EXPECT_EQ(settings.username, L"dj");
    EXPECT_EQ(settings.password, L"hack me");
    EXPECT_TRUE(settings.ready);
}

TEST(SettingsFile, ReadyNeedsBothAddressAndPassword) {
    ModuleInFolder module;
    module.writeSettings("[stream]\r\nserver_url=http://radio.example\r\n");
    EXPECT_FALSE(loadStreamSettings().ready);
    module.writeSettings("[stream]\r\npassword=secret\r\n");
    EXPECT_FALSE(loadStreamSettings().ready);
    module.writeSettings("[stream]\r\nserver_url=http://radio.example\r\npassword=\r\n");
    EXPECT_FALSE(loadStreamSettings().ready);
    module.writeSettings("[stream]\r\nserver_url=not a url\r\npassword=x\r\n");
    EXPECT_TRUE(loadStreamSettings().ready); // the address is examined only when an update is sent
}

TEST(SettingsFile, EmptyValueIsNotAMissingKey) {
    ModuleInFolder module;
    module.writeSettings("[stream]\r\nmount=\r\nsid=\r\nusername=\r\n");
    const StreamSettings settings = loadStreamSettings();
    EXPECT_EQ(settings.mount, L"");
    EXPECT_EQ(settings.sid, L"");
    EXPECT_EQ(settings.username, L"");
    EXPECT_EQ(settings.protocol, L"icecast2");
}

TEST(SettingsFile, LongValueIsCutTo2047Characters) {
    ModuleInFolder module;
    std::string value;
    for (int index = 0; index < 3000; ++index)
        value += static_cast<char>('a' + index % 26);
    module.writeSettings("[stream]\r\npassword=" + value + "\r\n");
    EXPECT_EQ(readSetting(L"password", L""), std::wstring(value.begin(), value.begin() + 2047));
}

TEST(SettingsFile, ModulePathLongerThan259CharactersIsNotCut) {
    // The cut would fall inside the long last folder name and leave the short outer folder.
    const std::wstring deep = std::wstring(20, L'd') + L"\\" + std::wstring(250, L'e');
    ModuleInFolder module(deep);
    ASSERT_NE(module.module, nullptr) << "the probe module did not load from a long path";
    const std::wstring modulePath = (module.folder / probeModuleName).wstring();
    ASSERT_GT(modulePath.size(), 300u);
    EXPECT_TRUE(samePathIgnoringCase(settingsFilePath(), (module.folder / settingsFileName).wstring()))
        << fs::path(settingsFilePath()).string();

    // A path cut to 259 characters would name an outer folder; a settings file there is not ours.
    const fs::path cutFolder = fs::path(settingsPathBeside(modulePath.substr(0, 259))).parent_path();
    ASSERT_TRUE(fs::is_directory(cutFolder));
    std::ofstream(cutFolder / settingsFileName, std::ios::binary) << "[stream]\r\npassword=wrong folder\r\n";
    EXPECT_EQ(readSetting(L"password", L""), L"");
}

TEST(SettingsFile, FurtherServersComeFromStream2ToStream8InNumberOrder) {
    ModuleInFolder module;
    module.writeSettings("[Stream3]\r\nserver_url=http://three\r\npassword=3\r\n"
                         "[stream9]\r\nserver_url=http://nine\r\npassword=9\r\n"
                         "[stream]\r\nserver_url=http://one\r\npassword=1\r\n"
                         "[stream2]\r\nserver_url=http://two\r\ntitle_prefix=\"DJ Nova live: \"\r\n"
                         "title_suffix=  (live)  \r\n"
                         "[stream8]\r\ntitle_delay=2.5\r\nskip_titles=station id|jingle\r\n");
    const std::vector<StreamSection> sections = loadStreamSections();
    ASSERT_EQ(sections.size(), 4u);
    EXPECT_EQ(sections[0].name, L"stream");
    EXPECT_EQ(sections[0].settings.serverUrl, L"http://one");
    EXPECT_EQ(sections[0].settings.titlePrefix, L"");
    EXPECT_EQ(sections[1].number, 2);
    EXPECT_FALSE(sections[1].settings.ready);
    EXPECT_EQ(sections[1].settings.protocol, L"icecast2"); // the same defaults as [stream]
    // The reader trims the blanks around a value; double quotes keep them.
    EXPECT_EQ(sections[1].settings.titlePrefix, L"DJ Nova live: ");
    EXPECT_EQ(sections[1].settings.titleSuffix, L"(live)");
    EXPECT_EQ(sections[2].name, L"stream3");
    EXPECT_EQ(sections[2].settings.serverUrl, L"http://three");
    EXPECT_EQ(sections[3].name, L"stream8"); // the last section there is
    EXPECT_EQ(sections[3].settings.titleDelay, L"2.5");
    EXPECT_EQ(sections[3].settings.skipTitles, L"station id|jingle");
    EXPECT_EQ(sections[0].settings.titleDelay, L"");
}

// The sections the worker updates: each ready server and mount once, in file order.
TEST(ServerList, EachReadyServerAndMountOnce) {
    const struct {
        const char* file;
        std::vector<std::wstring> servers;
    } rows[] = {
        // A section that is not ready is no server, so it makes no later one a duplicate.
        {"[stream]\r\nserver_url=http://radio.example:8000/\r\n"
         "[stream2]\r\nserver_url=http://radio.example:8000/\r\npassword=pw\r\n",
         {L"stream2"}},
        // The host name's case names no other server: the mount would be updated twice per change.
        {"[stream]\r\nserver_url=http://Radio.Example:8000/\r\npassword=pw\r\n"
         "[stream2]\r\nserver_url=http://radio.example:8000/\r\npassword=pw\r\ntitle_prefix=x\r\n"
         "[stream8]\r\nserver_url=http://radio.example:8000/\r\nmount=/other\r\npassword=pw\r\n",
         {L"stream", L"stream8"}},
    };
    ModuleInFolder module;
    for (const auto& row : rows) {
        module.writeSettings(row.file);
        std::vector<std::wstring> names;
        for (const StreamSection& server : serversToUpdate(loadStreamSections()))
            names.push_back(server.name);
        EXPECT_EQ(names, row.servers) << row.file;
    }
}
