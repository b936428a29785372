// Opening the WinHTTP session, with the proxy fallback for Windows before 8.1.
#include "delivery/HttpSession.h"

UniqueInternetHandle openSession(const wchar_t* userAgent, SessionProxy& proxy, SessionOpener open) {
    proxy = SessionProxy::none;
    UniqueInternetHandle session(
        open(userAgent, WINHTTP_ACCESS_TYPE_AUTOMATIC_PROXY, WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0));
    if (session) {
        proxy = SessionProxy::automatic;
        return session;
    }
    if (GetLastError() != ERROR_INVALID_PARAMETER)
        return session;
    session = UniqueInternetHandle(
        open(userAgent, WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0));
    if (session)
        proxy = SessionProxy::winhttpSetting;
    return session;
}
