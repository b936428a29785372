// What the worker thread needs of the plug-in object that runs it, held by that object.
#pragma once

#include "settings/SettingsFile.h"
#include "worker/PollDecision.h"

#include <array>
#include <atomic>

struct PluginObject;

struct WorkerState {
    // Written by the host's threads (false in start, true in release), read by the worker.
    std::atomic<bool> stopRequested{false};
    // The host's view of the plug-in object: its callbacks are read before every host query.
    const PluginObject* host = nullptr;
    // What each section's server was sent, by section number - 1; each entry is touched by the
    // one thread that serves that server. Kept from one start to the next.
    std::array<SendState, maxStreamSections> sent;
};
