// Test program: runs many plug-in lifetimes or many title updates in one process and prints its
// handle count and private memory along the way, so a leak shows as growth with the count.
//
// leak_check.exe cycles PLUGIN.dll N         N times: create, start, release the plug-in object
// leak_check.exe updates GOOD_URL BAD_URL N  N times: one delivered, one failed, one refused update
//
// Prints "sample=<label> handles=<count> private=<bytes>" after a warm-up of a tenth of N, at
// half of N and at N. Exit code 0 when the run finished, 1 when a step failed, 2 for usage.
#include "delivery/SendUpdate.h"
#include "host/HostInterface.h"
#include "host/PluginIdentifiers.h"

#include <windows.h>
#include <psapi.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <functional>
#include <string>

using GetClassObject = HRESULT(WINAPI*)(REFCLSID, REFIID, LPVOID*);

// Wine answers the process handle count with 0, so the handles are also counted one by one:
// every handle value that the platform still knows is an open handle.
static unsigned long openHandleCount() {
    DWORD handles = 0;
    if (GetProcessHandleCount(GetCurrentProcess(), &handles) && handles != 0)
        return handles;
    unsigned long count = 0;
    for (std::uintptr_t value = 4; value < 0x20000; value += 4) {
        DWORD flags = 0;
        if (GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags))
            ++count;
    }
    return count;
}

// The private memory the process has committed. Where the platform reports none (Wine), the
// committed private regions of the address space are added up instead.
static unsigned long long privateBytes() {
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof(counters);
    if (K32GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                                sizeof(counters)) &&
        counters.PrivateUsage != 0)
        return counters.PrivateUsage;
    unsigned long long total = 0;
    MEMORY_BASIC_INFORMATION region{};
    for (const char* at = nullptr; VirtualQuery(at, &region, sizeof(region)) == sizeof(region);
         at = static_cast<const char*>(region.BaseAddress) + region.RegionSize) {
        if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE)
            total += region.RegionSize;
        if (region.RegionSize == 0)
            break;
    }
    return total;
}

static void printSample(const char* label) {
    std::printf("sample=%s handles=%lu private=%llu\n", label, openHandleCount(), privateBytes());
    std::fflush(stdout);
}

// Runs `step` n times with samples after the warm-up, at the half and at the end.
static bool runSampled(long n, const std::function<bool()>& step) {
    const long warmUp = n / 10;
    for (long i = 0; i < warmUp; ++i)
        if (!step())
            return false;
    printSample("warm");
    for (long i = 0; i < n; ++i) {
        if (!step())
            return false;
        if (i + 1 == n / 2)
            printSample("half");
    }
    printSample("end");
    return true;
}

// One deck playing, so each poll also asks for text; answered from constants.
static HostResult answerNumber(HostCallbacks*, const char* command, double* value) {
    *value = std::strcmp(command, "crossfader") == 0 ? 0.0 : 1.0;
    return 0;
}
static HostResult answerText(HostCallbacks*, const char*, char* buffer, std::int32_t size) {
    std::snprintf(buffer, static_cast<std::size_t>(size), "%s", "Leak Check - Title");
    return 0;
}
static const HostCallbacksTable hostTable{nullptr, answerNumber, answerText};
static HostCallbacks host{&hostTable};

static int runCycles(const std::wstring& dll, long n) {
    HMODULE module = LoadLibraryW(dll.c_str());
    if (module == nullptr)
        return 1;
    auto factory = reinterpret_cast<GetClassObject>(reinterpret_cast<void*>(GetProcAddress(module, "DllGetClassObject")));
    if (factory == nullptr)
        return 1;
    const bool finished = runSampled(n, [factory] {
        void* object = nullptr;
        if (factory(pluginClassId, pluginInterfaceA, &object) != S_OK)
            return false;
        auto* plugin = static_cast<PluginObject*>(object);
        plugin->callbacks = &host;
        return plugin->operations->start(plugin) == 0 && plugin->operations->release(plugin) == 0;
    });
    return finished ? 0 : 1;
}

static StreamSettings settingsFor(const std::wstring& url, bool ready) {
    StreamSettings settings;
    settings.serverUrl = url;
    settings.protocol = L"icecast2";
    settings.mount = L"/live";
    settings.sid = L"1";
    settings.username = L"source";
    settings.password = L"leak-check";
    settings.ready = ready;
    return settings;
}

static int runUpdates(const std::wstring& goodUrl, const std::wstring& badUrl, long n) {
    const StreamSettings good = settingsFor(goodUrl, true);
    const StreamSettings bad = settingsFor(badUrl, true);
    const StreamSettings refused = settingsFor(goodUrl, false);
    const bool finished = runSampled(n, [&] {
        return sendUpdate(good, "Artist - Title") && !sendUpdate(bad, "Artist - Title") &&
               !sendUpdate(refused, "Artist - Title");
    });
    return finished ? 0 : 1;
}

static long countFrom(const wchar_t* text) {
    const long n = std::wcstol(text, nullptr, 10);
    return n > 0 ? n : 0;
}

int wmain(int argc, wchar_t** argv) {
    if (argc == 4 && std::wcscmp(argv[1], L"cycles") == 0 && countFrom(argv[3]) > 0)
        return runCycles(argv[2], countFrom(argv[3]));
    if (argc == 5 && std::wcscmp(argv[1], L"updates") == 0 && countFrom(argv[4]) > 0)
        return runUpdates(argv[2], argv[3], countFrom(argv[4]));
    std::fprintf(stderr, "usage: leak_check cycles PLUGIN.dll N | leak_check updates GOOD_URL BAD_URL N\n");
    return 2;
}
