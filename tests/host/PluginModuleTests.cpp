// The real plug-in DLL, loaded as the host loads it, through the host's layout.
#include "host/HostInterface.h"
#include "host/PluginIdentifiers.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <string>
#include <thread>

using GetClassObject = HRESULT(WINAPI*)(REFCLSID, REFIID, LPVOID*);

constexpr HostResult eFail = static_cast<HostResult>(0x80004005u);

// The DLL lies beside this test program in the build tree.
static std::wstring pluginPath() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring text(path);
    return text.substr(0, text.find_last_of(L'\\') + 1) + L"ZenlarkVdjStandalone.dll";
}

static GetClassObject factory() {
    static HMODULE module = LoadLibraryW(pluginPath().c_str());
    if (module == nullptr)
        return nullptr;
    return reinterpret_cast<GetClassObject>(reinterpret_cast<void*>(GetProcAddress(module, "DllGetClassObject")));
}

static PluginObject* createPlugin(const GUID& interfaceId = pluginInterfaceA) {
    void* object = nullptr;
    if (factory()(pluginClassId, interfaceId, &object) != S_OK)
        return nullptr;
    return static_cast<PluginObject*>(object);
}

// A host that counts queries from the worker thread, one deck playing.
struct CountingHost {
    HostCallbacks callbacks{&table};
    PluginObject* plugin = nullptr;
    std::atomic<int> numberQueries{0};
    std::atomic<DWORD> queryThread{0};
    std::atomic<bool> releaseFromWorker{false};
    std::atomic<HostResult> releaseFromWorkerResult{1};

    static CountingHost& of(HostCallbacks* self) { return *reinterpret_cast<CountingHost*>(self); }

    static HostResult number(HostCallbacks* self, const char* command, double* value) {
        CountingHost& host = of(self);
        host.queryThread = GetCurrentThreadId();
        ++host.numberQueries;
        if (host.releaseFromWorker.exchange(false))
            host.releaseFromWorkerResult = host.plugin->operations->release(host.plugin);
        *value = std::string(command) == "crossfader" ? 0.0 : 1.0;
        return 0;
    }
    static HostResult text(HostCallbacks*, const char*, char* buffer, std::int32_t) {
        buffer[0] = 'x';
        return 0;
    }
    static constexpr HostCallbacksTable table{nullptr, &CountingHost::number, &CountingHost::text};
};

static void waitForQueries(const CountingHost& host, int count) {
    for (int i = 0; i < 500 && host.numberQueries < count; ++i)
        Sleep(10);
}

// A new plug-in object wired to a counting host, not yet started.
class PluginWithHost : public ::testing::Test {
protected:
    void SetUp() override {
        plugin = createPlugin();
        ASSERT_NE(plugin, nullptr);
        host.plugin = plugin;
        plugin->callbacks = &host.callbacks;
    }

    CountingHost host;
    PluginObject* plugin = nullptr;
};

TEST(PluginFactory, ExportsTheFactory) { ASSERT_NE(factory(), nullptr); }

TEST(PluginFactory, RefusesOtherIdentifiersAndNullsOut) {
    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(factory()(pluginInterfaceA, pluginInterfaceA, &out), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(out, nullptr);
    out = reinterpret_cast<void*>(1);
    EXPECT_EQ(factory()(pluginClassId, pluginClassId, &out), E_NOTIMPL);
    EXPECT_EQ(out, nullptr);
    GUID almost = pluginClassId;
    almost.Data4[7] ^= 1; // compared whole, up to the last byte
    EXPECT_EQ(factory()(almost, pluginInterfaceA, &out), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(factory()(pluginClassId, pluginInterfaceA, nullptr), E_POINTER);
}

TEST(PluginFactory, BothInterfacesGiveIndependentObjects) {
    PluginObject* a = createPlugin(pluginInterfaceA);
    PluginObject* b = createPlugin(pluginInterfaceB);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_NE(a, b);
    EXPECT_EQ(a->hostReserved, nullptr);
    EXPECT_EQ(a->callbacks, nullptr);
    EXPECT_EQ(a->operations->release(a), 0);
    EXPECT_EQ(b->operations->release(b), 0);
}

TEST(PluginObject, DescribesItself) {
    PluginObject* plugin = createPlugin();
    ASSERT_NE(plugin, nullptr);
    PluginInfo info;
    std::memset(&info, 0xAB, sizeof info);
    EXPECT_EQ(plugin->operations->describe(plugin, &info), 0);
    EXPECT_STREQ(info.name, "Zenlark VDJ Standalone Bridge");
    EXPECT_STREQ(info.description, "Sendet Titel direkt an Icecast/Shoutcast; kein Zenlark Studio erforderlich.");
    EXPECT_STREQ(info.version, "1.0");
    EXPECT_NE(info.author, nullptr);
    EXPECT_EQ(info.reserved, nullptr);
    EXPECT_EQ(info.flags, 0u);
    EXPECT_EQ(plugin->operations->reserved4(plugin), 0);
    EXPECT_EQ(plugin->operations->reserved5(plugin), static_cast<HostResult>(0x80004001u));
    EXPECT_EQ(plugin->operations->reserved6(plugin), static_cast<HostResult>(0x80004001u));
    EXPECT_EQ(plugin->operations->release(plugin), 0);
}

TEST(PluginObject, ReleaseWithoutStartDestroys) {
    PluginObject* plugin = createPlugin();
    ASSERT_NE(plugin, nullptr);
    EXPECT_EQ(plugin->operations->release(plugin), 0);
}

TEST_F(PluginWithHost, WorkerQueriesTheHostFromItsOwnThreadUntilReleased) {
    ASSERT_EQ(plugin->operations->start(plugin), 0);
    waitForQueries(host, 18); // two polls
    EXPECT_GE(host.numberQueries.load(), 18);
    EXPECT_NE(host.queryThread.load(), GetCurrentThreadId());
    EXPECT_EQ(plugin->operations->release(plugin), 0);
    const int afterRelease = host.numberQueries;
    Sleep(400);
    EXPECT_EQ(host.numberQueries.load(), afterRelease); // the worker is gone
}

TEST_F(PluginWithHost, SecondStartIsRefusedWithoutASecondWorker) {
    ASSERT_EQ(plugin->operations->start(plugin), 0);
    EXPECT_EQ(plugin->operations->start(plugin), eFail);
    EXPECT_EQ(plugin->operations->release(plugin), 0);
}

TEST_F(PluginWithHost, ReleaseDuringAWaitDoesNotWaitForTheNextPoll) {
    ASSERT_EQ(plugin->operations->start(plugin), 0);
    waitForQueries(host, 9);
    Sleep(20); // inside the waits after the first poll
    const auto before = std::chrono::steady_clock::now();
    EXPECT_EQ(plugin->operations->release(plugin), 0);
    const auto took = std::chrono::steady_clock::now() - before;
    // Far below one 300 ms poll cycle; the tight figure is measured by the benchmark.
    EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(took).count(), 250);
}

TEST_F(PluginWithHost, ReleaseOnTheWorkerThreadIsRefusedAndDestroysNothing) {
    host.releaseFromWorker = true;
    ASSERT_EQ(plugin->operations->start(plugin), 0);
    for (int i = 0; i < 500 && host.releaseFromWorkerResult == 1; ++i)
        Sleep(10);
    EXPECT_EQ(host.releaseFromWorkerResult.load(), eFail);
    PluginInfo info{};
    EXPECT_EQ(plugin->operations->describe(plugin, &info), 0); // still alive
    EXPECT_EQ(plugin->operations->release(plugin), 0);
}

TEST_F(PluginWithHost, DeletingDestructorStopsARunningWorkerFirst) {
    ASSERT_EQ(plugin->operations->start(plugin), 0);
    waitForQueries(host, 9);
    EXPECT_EQ(plugin->operations->destroy(plugin, 1), plugin);
    const int afterDestroy = host.numberQueries;
    Sleep(400);
    EXPECT_EQ(host.numberQueries.load(), afterDestroy);
}

TEST(PluginObject, RestartAfterReleaseIsANewObjectWithItsOwnWorker) {
    for (int cycle = 0; cycle < 20; ++cycle) {
        CountingHost host;
        PluginObject* plugin = createPlugin();
        ASSERT_NE(plugin, nullptr);
        plugin->callbacks = &host.callbacks;
        ASSERT_EQ(plugin->operations->start(plugin), 0);
        ASSERT_EQ(plugin->operations->release(plugin), 0);
    }
}
