// The module's one export: hands the host a new plug-in object for the right identifiers.
#include "host/BridgePlugin.h"
#include "host/PluginIdentifiers.h"

STDAPI DllGetClassObject(REFCLSID classId, REFIID interfaceId, LPVOID* out) {
    if (out == nullptr)
        return E_POINTER;
    *out = nullptr;
    if (!IsEqualGUID(classId, pluginClassId))
        return CLASS_E_CLASSNOTAVAILABLE;
    if (!IsEqualGUID(interfaceId, pluginInterfaceA) && !IsEqualGUID(interfaceId, pluginInterfaceB))
        return E_NOTIMPL;
    BridgePlugin* plugin = createBridgePlugin();
    if (plugin == nullptr)
        return E_OUTOFMEMORY;
    *out = &plugin->base;
    return S_OK;
}
