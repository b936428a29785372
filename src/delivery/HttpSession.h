// The WinHTTP session of one exchange, and the proxy mode it could be opened with.
#pragma once

#include "delivery/DeliveryReport.h"
#include "platform/UniqueHandle.h"

#include <windows.h>
#include <winhttp.h>

using UniqueInternetHandle = UniqueHandle<HINTERNET, WinHttpCloseHandle>;

// WinHttpOpen's shape, so a test can stand in for the platform's own.
using SessionOpener = HINTERNET(WINAPI*)(LPCWSTR userAgent, DWORD accessType, LPCWSTR proxyName,
                                         LPCWSTR proxyBypass, DWORD flags);

// A synchronous session that finds its proxy automatically from the system's and the user's
// configuration. Windows before 8.1 does not know that access type and refuses it with
// ERROR_INVALID_PARAMETER; the session is then opened with WinHTTP's own proxy setting instead,
// so updates still go out there. `proxy` says which mode was used; null when both failed.
UniqueInternetHandle openSession(const wchar_t* userAgent, SessionProxy& proxy, SessionOpener open = WinHttpOpen);
