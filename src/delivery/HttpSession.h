// The WinHTTP session of one exchange, the proxy mode it could be opened with, and the limits
// every request of the project gets.
#pragma once

#include "delivery/DeliveryReport.h"
#include "platform/UniqueHandle.h"

#include <windows.h>
#include <winhttp.h>

#include <cstddef>
#include <string>

using UniqueInternetHandle = UniqueHandle<HINTERNET, WinHttpCloseHandle>;

// WinHttpOpen's shape, so a test can stand in for the platform's own.
using SessionOpener = HINTERNET(WINAPI*)(LPCWSTR userAgent, DWORD accessType, LPCWSTR proxyName,
                                         LPCWSTR proxyBypass, DWORD flags);

// WinHttpSetOption's shape, for the same reason.
using OptionSetter = BOOL(WINAPI*)(HINTERNET handle, DWORD option, LPVOID buffer, DWORD bufferLength);

// A synchronous session that finds its proxy automatically from the system's and the user's
// configuration. Windows before 8.1 does not know that access type and refuses it with
// ERROR_INVALID_PARAMETER; the session is then opened with WinHTTP's own proxy setting instead,
// so updates still go out there. `proxy` says which mode was used; null when both failed.
// The session asks for TLS 1.2 and 1.3: Windows 7 and 8.0 otherwise offer TLS 1.0 alone, which
// most https servers refuse. A Windows that does not know TLS 1.3 gets TLS 1.2 alone; one that
// refuses that too keeps its own choice.
UniqueInternetHandle openSession(const wchar_t* userAgent, SessionProxy& proxy,
                                 SessionOpener open = WinHttpOpen, OptionSetter setOption = WinHttpSetOption);

// Hands the request its limits for name resolution, connect, send and receive, in milliseconds,
// and gives the wait for the answer's status line and headers the receive limit as well: some
// WinHTTP implementations (Wine's among them) wait for those under a limit of their own that is
// unlimited by default, so a server that accepts and never answers would hold the caller for
// ever. A failure leaves the client's own limits in place; the request still goes on.
void limitRequest(HINTERNET request, int resolve, int connect, int send, int receive);

// Makes the client hand back a 3xx as it stands instead of following it.
void refuseRedirects(HINTERNET request);

// Reads the start of an answer's body into `body`, at most `maxBytes`, for a tool that shows
// what a server said. A failure to read just ends the body early: the status has already been
// read and decides the outcome.
void readAnswerBody(HINTERNET request, std::string& body, std::size_t maxBytes);
