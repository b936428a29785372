// The plug-in's operations: start and stop the worker thread, describe, destroy.
// No C++ exception may leave here: the host is built with another compiler.
#include "host/BridgePlugin.h"

#include "worker/UpdateWorker.h"

#include <new>

static const char pluginName[] = "Zenlark VDJ Standalone Bridge";
static const char pluginAuthor[] = "Zenlark";
static const char pluginDescription[] =
    "Sendet Titel direkt an Icecast/Shoutcast; kein Zenlark Studio erforderlich.";
static const char pluginVersion[] = "1.0";

static DWORD WINAPI workerEntry(LPVOID parameter) {
    workerMain(*static_cast<WorkerState*>(parameter));
    return 0;
}

static bool hasWorker(const BridgePlugin& plugin) { return plugin.workerThread.id != 0; }

static bool onWorkerThread(const BridgePlugin& plugin) { return GetCurrentThreadId() == plugin.workerThread.id; }

// Asks the worker to stop and waits for it; false when that cannot be done from here.
static bool stopWorker(BridgePlugin& plugin) {
    plugin.worker.stopRequested.exchange(true);
    if (!hasWorker(plugin))
        return true;
    if (onWorkerThread(plugin))
        return false;
    if (WaitForSingleObject(plugin.workerThread.handle.get(), INFINITE) != WAIT_OBJECT_0)
        return false;
    plugin.workerThread.handle.reset();
    plugin.workerThread.id = 0;
    return true;
}

static HostResult bridgeStart(PluginObject* self) noexcept {
    BridgePlugin& plugin = bridgeFrom(self);
    if (hasWorker(plugin))
        return hostFail; // one worker per object
    plugin.worker.stopRequested.exchange(false);
    DWORD id = 0;
    HANDLE thread = CreateThread(nullptr, 0, workerEntry, &plugin.worker, 0, &id);
    if (thread == nullptr)
        return hostOutOfMemory;
    plugin.workerThread.handle.reset(thread);
    plugin.workerThread.id = id;
    return hostOk;
}

static HostResult bridgeDescribe(PluginObject*, PluginInfo* info) noexcept {
    if (info == nullptr)
        return hostNullPointer;
    info->name = pluginName;
    info->author = pluginAuthor;
    info->description = pluginDescription;
    info->version = pluginVersion;
    info->reserved = nullptr;
    info->flags = 0;
    return hostOk;
}

static HostResult bridgeRelease(PluginObject* self) noexcept {
    BridgePlugin& plugin = bridgeFrom(self);
    if (!stopWorker(plugin))
        return hostFail; // destroying now would pull the object from under a running worker
    self->operations->destroy(self, 1);
    return hostOk;
}

// The deleting destructor: the lowest flag bit asks for the memory to be freed as well.
static PluginObject* bridgeDestroy(PluginObject* self, std::uint32_t flags) noexcept {
    BridgePlugin* plugin = &bridgeFrom(self);
    if (!stopWorker(*plugin))
        return self; // a worker that cannot be joined still uses the object: keep it
    if ((flags & 1u) != 0) {
        delete plugin;
        return self;
    }
    plugin->~BridgePlugin();
    return self;
}

const PluginOperations bridgeOperations = {
    bridgeStart, bridgeDescribe, bridgeRelease, bridgeDestroy, baseReserved4, baseReserved5, baseReserved6,
};

BridgePlugin* createBridgePlugin() noexcept {
    BridgePlugin* plugin = new (std::nothrow) BridgePlugin{};
    if (plugin == nullptr)
        return nullptr;
    plugin->base.operations = &bridgeOperations;
    plugin->worker.host = &plugin->base;
    return plugin;
}
