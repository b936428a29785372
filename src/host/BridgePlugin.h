// The plug-in object the host holds: the host's fields first, then the worker's state.
#pragma once

#include "host/HostInterface.h"
#include "platform/UniqueHandle.h"
#include "worker/WorkerState.h"

#include <windows.h>

#include <type_traits>

using UniqueThreadHandle = UniqueHandle<HANDLE, CloseHandle>;

struct WorkerThread {
    UniqueThreadHandle handle;
    DWORD id = 0; // 0: no worker
};

struct BridgePlugin {
    PluginObject base; // operations, hostReserved, callbacks: the layout the host reads
    WorkerThread workerThread;
    WorkerState worker; // the stop flag and what the worker keeps between polls
};

static_assert(std::is_standard_layout_v<BridgePlugin>, "the host's fields must lead the object");

// The object behind a pointer the host hands back; `base` is the first member.
inline BridgePlugin& bridgeFrom(PluginObject* object) { return *reinterpret_cast<BridgePlugin*>(object); }

// A new object with the plug-in's table and every field empty; null when memory runs out.
BridgePlugin* createBridgePlugin() noexcept;

extern const PluginOperations bridgeOperations;

constexpr HostResult hostFail = static_cast<HostResult>(0x80004005u);       // E_FAIL
constexpr HostResult hostOutOfMemory = static_cast<HostResult>(0x8007000Eu); // E_OUTOFMEMORY
constexpr HostResult hostNullPointer = static_cast<HostResult>(0x80004003u); // E_POINTER
