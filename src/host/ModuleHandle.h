// The plug-in module's own handle, stored by the load hook and read to find the settings file.
#pragma once

#include <windows.h>

extern HMODULE moduleHandle;
