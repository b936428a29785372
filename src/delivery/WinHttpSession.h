// Opening a WinHTTP session that finds the proxy the way the platform allows.
#pragma once

#include <windows.h>
#include <winhttp.h>

using WinHttpOpenFunction = HINTERNET(WINAPI*)(LPCWSTR, DWORD, LPCWSTR, LPCWSTR, DWORD);

// A synchronous session with the system's automatic proxy configuration. Windows before 8.1
// does not know that access type and refuses it with ERROR_INVALID_PARAMETER; the session is
// then opened with the default proxy configuration instead. Null when both fail, with the last
// error of the failing call. `open` is WinHttpOpen, or a stand-in for a test.
HINTERNET openWinHttpSession(const wchar_t* userAgent, WinHttpOpenFunction open = WinHttpOpen);
