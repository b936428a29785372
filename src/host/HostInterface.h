// The host's binary plug-in interface, laid out by hand: the host is built with the Microsoft
// C++ ABI, whose virtual tables this compiler's virtual functions would not reproduce.
#pragma once

#include <cstddef>
#include <cstdint>

using HostResult = std::int32_t;

constexpr HostResult hostOk = 0;
constexpr HostResult hostNotImplemented = static_cast<HostResult>(0x80004001u);

// Filled by `describe`; every text is static, NUL-terminated 8-bit text.
struct PluginInfo {
    const char* name;
    const char* author;
    const char* description;
    const char* version;
    void* reserved;
    std::uint32_t flags;
};

struct HostCallbacks;

// The host's callback table. Only entries 1 and 2 are used; entry 0 is the host's own.
struct HostCallbacksTable {
    void* entry0;
    HostResult (*queryNumber)(HostCallbacks* self, const char* command, double* value);
    HostResult (*queryText)(HostCallbacks* self, const char* command, char* buffer, std::int32_t size);
};

struct HostCallbacks {
    const HostCallbacksTable* table;
};

struct PluginObject;

// The plug-in's operation table, in the host's order. Entry 3 is the deleting destructor of
// the Microsoft ABI: one slot, a flag whose lowest bit asks for the memory to be freed.
struct PluginOperations {
    HostResult (*start)(PluginObject* self);
    HostResult (*describe)(PluginObject* self, PluginInfo* info);
    HostResult (*release)(PluginObject* self);
    PluginObject* (*destroy)(PluginObject* self, std::uint32_t flags);
    HostResult (*reserved4)(PluginObject* self);
    HostResult (*reserved5)(PluginObject* self);
    HostResult (*reserved6)(PluginObject* self);
};

// The first fields of every plug-in object, as the host reads them.
struct PluginObject {
    const PluginOperations* operations;
    void* hostReserved;
    HostCallbacks* callbacks;
};

static_assert(offsetof(PluginInfo, name) == 0);
static_assert(offsetof(PluginInfo, author) == sizeof(void*));
static_assert(offsetof(PluginInfo, description) == 2 * sizeof(void*));
static_assert(offsetof(PluginInfo, version) == 3 * sizeof(void*));
static_assert(offsetof(PluginInfo, reserved) == 4 * sizeof(void*));
static_assert(offsetof(PluginInfo, flags) == 5 * sizeof(void*));

static_assert(offsetof(HostCallbacksTable, queryNumber) == 1 * sizeof(void*));
static_assert(offsetof(HostCallbacksTable, queryText) == 2 * sizeof(void*));

static_assert(offsetof(PluginOperations, start) == 0 * sizeof(void*));
static_assert(offsetof(PluginOperations, describe) == 1 * sizeof(void*));
static_assert(offsetof(PluginOperations, release) == 2 * sizeof(void*));
static_assert(offsetof(PluginOperations, destroy) == 3 * sizeof(void*));
static_assert(offsetof(PluginOperations, reserved4) == 4 * sizeof(void*));
static_assert(offsetof(PluginOperations, reserved5) == 5 * sizeof(void*));
static_assert(offsetof(PluginOperations, reserved6) == 6 * sizeof(void*));
static_assert(sizeof(PluginOperations) == 7 * sizeof(void*));

static_assert(offsetof(PluginObject, operations) == 0);
static_assert(offsetof(PluginObject, hostReserved) == sizeof(void*));
static_assert(offsetof(PluginObject, callbacks) == 2 * sizeof(void*));
#if defined(_WIN64)
static_assert(offsetof(PluginObject, hostReserved) == 8 && offsetof(PluginObject, callbacks) == 16);
static_assert(sizeof(PluginInfo) == 48);
#endif

// Defaults of the host's base type: start and entry 4 succeed, describe, 5 and 6 are not
// implemented, release destroys through entry 3 with the free flag.
HostResult baseStart(PluginObject* self) noexcept;
HostResult baseDescribe(PluginObject* self, PluginInfo* info) noexcept;
HostResult baseRelease(PluginObject* self) noexcept;
HostResult baseReserved4(PluginObject* self) noexcept;
HostResult baseReserved5(PluginObject* self) noexcept;
HostResult baseReserved6(PluginObject* self) noexcept;
