// The base type's default operations.
#include "host/HostInterface.h"

HostResult baseStart(PluginObject*) noexcept { return hostOk; }

HostResult baseDescribe(PluginObject*, PluginInfo*) noexcept { return hostNotImplemented; }

HostResult baseRelease(PluginObject* self) noexcept {
    self->operations->destroy(self, 1);
    return hostOk;
}

HostResult baseReserved4(PluginObject*) noexcept { return hostOk; }

HostResult baseReserved5(PluginObject*) noexcept { return hostNotImplemented; }

HostResult baseReserved6(PluginObject*) noexcept { return hostNotImplemented; }
