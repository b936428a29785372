// Benchmark helper: a minimal host that loads the plug-in DLL and measures what a host sees.
//
// bench_host release-latency PLUGIN.dll N   N idle lifetimes; prints "release_ms=<ms>" for each
// bench_host worker-cpu PLUGIN.dll SECONDS  one deck playing for SECONDS; prints the worker
//                                           thread's CPU time, the host queries per poll and
//                                           the time from one poll's start to the next
#include "host/HostInterface.h"
#include "host/PluginIdentifiers.h"

#include <windows.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <random>

using GetClassObject = HRESULT(WINAPI*)(REFCLSID, REFIID, LPVOID*);

static std::atomic<bool> deckPlaying{false};
static std::atomic<DWORD> workerThreadId{0};
// Per-poll counts: a poll starts with its "crossfader" query.
static std::atomic<long> polls{0};
static std::atomic<long> numericInPoll{0};
static std::atomic<long> textInPoll{0};
static std::atomic<long> minNumeric{1000}, maxNumeric{0}, minText{1000}, maxText{0};
// Poll periods in milliseconds; written by the worker only, read after it has ended.
static double lastPollStart = 0.0;
static double periodSum = 0.0, periodMin = 1e9, periodMax = 0.0;

static double nowMilliseconds();

static void notePollStart() {
    const double now = nowMilliseconds();
    if (lastPollStart > 0.0) {
        const double period = now - lastPollStart;
        periodSum += period;
        if (period < periodMin) periodMin = period;
        if (period > periodMax) periodMax = period;
    }
    lastPollStart = now;
}

static void closePoll() {
    if (polls == 0)
        return;
    const long numeric = numericInPoll.exchange(0);
    const long text = textInPoll.exchange(0);
    if (numeric < minNumeric) minNumeric = numeric;
    if (numeric > maxNumeric) maxNumeric = numeric;
    if (text < minText) minText = text;
    if (text > maxText) maxText = text;
}

static HostResult answerNumber(HostCallbacks*, const char* command, double* value) {
    workerThreadId = GetCurrentThreadId();
    if (std::strcmp(command, "crossfader") == 0) {
        closePoll();
        notePollStart();
        ++polls;
    }
    ++numericInPoll;
    *value = deckPlaying && std::strncmp(command, "deck 1 ", 7) == 0 ? 1.0 : 0.0;
    return 0;
}

static HostResult answerText(HostCallbacks*, const char* command, char* buffer, std::int32_t size) {
    ++textInPoll;
    std::snprintf(buffer, static_cast<std::size_t>(size), "%s",
                  std::strstr(command, "artist") != nullptr ? "Bench Artist" : "Bench Title");
    return 0;
}

static const HostCallbacksTable hostTable{nullptr, answerNumber, answerText};
static HostCallbacks host{&hostTable};

static double nowMilliseconds() {
    LARGE_INTEGER frequency, counter;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

static PluginObject* createPlugin(GetClassObject factory) {
    void* object = nullptr;
    if (factory(pluginClassId, pluginInterfaceA, &object) != S_OK)
        return nullptr;
    auto* plugin = static_cast<PluginObject*>(object);
    plugin->callbacks = &host;
    return plugin;
}

static int releaseLatency(GetClassObject factory, long cycles) {
    std::mt19937 random(1);
    for (long i = 0; i < cycles; ++i) {
        PluginObject* plugin = createPlugin(factory);
        if (plugin == nullptr || plugin->operations->start(plugin) != 0)
            return 1;
        Sleep(100 + random() % 300); // somewhere in the waits between polls
        const double before = nowMilliseconds();
        plugin->operations->release(plugin);
        std::printf("release_ms=%.3f\n", nowMilliseconds() - before);
    }
    return 0;
}

static double fileTimeMilliseconds(const FILETIME& time) {
    ULARGE_INTEGER value;
    value.LowPart = time.dwLowDateTime;
    value.HighPart = time.dwHighDateTime;
    return static_cast<double>(value.QuadPart) / 10000.0;
}

static double processCpuMilliseconds() {
    FILETIME creation{}, exit{}, kernel{}, user{};
    GetProcessTimes(GetCurrentProcess(), &creation, &exit, &kernel, &user);
    return fileTimeMilliseconds(kernel) + fileTimeMilliseconds(user);
}

// The worker's own thread times where the platform keeps them; Wine reports 0 for another
// thread, so the process's CPU time over the run stands in (this thread only sleeps meanwhile).
static int workerCpu(GetClassObject factory, long seconds) {
    deckPlaying = true;
    PluginObject* plugin = createPlugin(factory);
    if (plugin == nullptr || plugin->operations->start(plugin) != 0)
        return 1;
    const double started = nowMilliseconds();
    const double processBefore = processCpuMilliseconds();
    Sleep(static_cast<DWORD>(seconds * 1000));
    const double processCpu = processCpuMilliseconds() - processBefore;
    HANDLE worker = OpenThread(THREAD_QUERY_INFORMATION, FALSE, workerThreadId);
    FILETIME creation{}, exit{}, kernel{}, user{};
    const bool timed = worker != nullptr && GetThreadTimes(worker, &creation, &exit, &kernel, &user);
    const double wall = nowMilliseconds() - started;
    if (worker != nullptr)
        CloseHandle(worker);
    plugin->operations->release(plugin);
    const double threadCpu = timed ? fileTimeMilliseconds(kernel) + fileTimeMilliseconds(user) : 0.0;
    const bool fromThread = threadCpu > 0.0;
    std::printf("wall_ms=%.1f cpu_ms=%.3f polls=%ld\n", wall, fromThread ? threadCpu : processCpu, polls.load());
    std::printf("cpu_source=%s\n", fromThread ? "thread" : "process");
    std::printf("numeric_per_poll=%ld..%ld text_per_poll=%ld..%ld\n", minNumeric.load(), maxNumeric.load(),
                minText.load(), maxText.load());
    const long periods = polls.load() - 1;
    std::printf("poll_period_mean_ms=%.1f poll_period_min_ms=%.1f poll_period_max_ms=%.1f\n",
                periods > 0 ? periodSum / static_cast<double>(periods) : 0.0, periodMin, periodMax);
    return 0;
}

int wmain(int argc, wchar_t** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: bench_host (release-latency PLUGIN.dll N | worker-cpu PLUGIN.dll SECONDS)\n");
        return 2;
    }
    HMODULE module = LoadLibraryW(argv[2]);
    if (module == nullptr)
        return 2;
    auto factory = reinterpret_cast<GetClassObject>(reinterpret_cast<void*>(GetProcAddress(module, "DllGetClassObject")));
    const long count = std::wcstol(argv[3], nullptr, 10);
    if (factory == nullptr || count <= 0)
        return 2;
    if (std::wcscmp(argv[1], L"release-latency") == 0)
        return releaseLatency(factory, count);
    if (std::wcscmp(argv[1], L"worker-cpu") == 0)
        return workerCpu(factory, count);
    return 2;
}
