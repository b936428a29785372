// The WinHTTP session with the automatic proxy where the platform has it.
#include "delivery/WinHttpSession.h"

HINTERNET openWinHttpSession(const wchar_t* userAgent, WinHttpOpenFunction open) {
    HINTERNET session =
        open(userAgent, WINHTTP_ACCESS_TYPE_AUTOMATIC_PROXY, WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0);
    if (session != nullptr || GetLastError() != ERROR_INVALID_PARAMETER)
        return session;
    return open(userAgent, WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0);
}
