// The module's load hook: remember where the module lives, and nothing else.
#include "host/ModuleHandle.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        moduleHandle = module;
        DisableThreadLibraryCalls(module);
    }
    return TRUE;
}
