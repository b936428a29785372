// The poll-and-send loop of the worker thread.
#include "worker/UpdateWorker.h"

#include "delivery/SendUpdate.h"
#include "host/BridgePlugin.h"
#include "nowplaying/NowPlayingProbe.h"
#include "settings/SettingsFile.h"
#include "worker/MonotonicWait.h"
#include "worker/PollDecision.h"

constexpr int waitStepsPerPoll = 6;
constexpr std::int64_t waitStepMilliseconds = 50;

static bool stopSeen(const BridgePlugin& plugin) { return plugin.stopRequested.load(); }

// Six short waits instead of one long one, so a stop request is seen within 50 ms.
// False when a stop request ended the wait.
static bool waitForNextPoll(const BridgePlugin& plugin) {
    for (int step = 0; step < waitStepsPerPoll; ++step) {
        if (stopSeen(plugin))
            return false;
        waitMilliseconds(waitStepMilliseconds);
    }
    return true;
}

static void pollAndSend(BridgePlugin& plugin, const StreamSettings& settings) noexcept {
    try {
        const std::string trackText = readNowPlaying(plugin.base);
        runPoll(trackText, plugin.lastSentText, plugin.repeatCounter,
                [&settings](const std::string& text) { return sendUpdate(settings, text); });
    } catch (...) {
        // Out of memory in a poll or a send: the state stays as it stood; the next poll retries.
    }
}

void workerMain(BridgePlugin& plugin) noexcept {
    StreamSettings settings;
    try {
        settings = loadStreamSettings();
    } catch (...) {
        return; // without settings there is nothing to do; the host must live on
    }
    while (!stopSeen(plugin)) {
        pollAndSend(plugin, settings);
        if (!waitForNextPoll(plugin))
            return;
    }
}
