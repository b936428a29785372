// What the worker thread needs of the plug-in object that runs it, held by that object.
#pragma once

#include "worker/PollDecision.h"

#include <atomic>

struct PluginObject;

struct WorkerState {
    // Written by the host's threads (false in start, true in release), read by the worker.
    std::atomic<bool> stopRequested{false};
    // The host's view of the plug-in object: its callbacks are read before every host query.
    const PluginObject* host = nullptr;
    // The worker's alone; kept from one start to the next.
    SendState sent;
};
