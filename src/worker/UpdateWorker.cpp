// The poll-and-send loop of the worker thread.
#include "worker/UpdateWorker.h"

#include "delivery/SendUpdate.h"
#include "nowplaying/NowPlayingProbe.h"
#include "settings/SettingsFile.h"
#include "worker/PollWait.h"
#include "worker/SystemClock.h"

static void pollAndSend(WorkerState& worker, const StreamSettings& settings) noexcept {
    try {
        const std::string trackText = readNowPlaying(*worker.host);
        runPoll(trackText, worker.sent, [&settings](const std::string& text) { return sendUpdate(settings, text); });
    } catch (...) {
        // Out of memory in a poll or a send: the state stays as it stood; the next poll retries.
    }
}

void workerMain(WorkerState& worker) noexcept {
    StreamSettings settings;
    try {
        settings = loadStreamSettings();
    } catch (...) {
        return; // without settings there is nothing to do; the host must live on
    }
    SystemClock clock;
    while (!worker.stopRequested.load()) {
        const std::int64_t pollStart = clock.nowNanoseconds();
        pollAndSend(worker, settings);
        if (!waitForNextPoll(clock, pollStart, worker.stopRequested))
            return;
    }
}
