// Storage of the module's own handle; written once while the module loads.
#include "host/ModuleHandle.h"

HMODULE moduleHandle = nullptr;
