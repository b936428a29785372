// Opening the WinHTTP session, with the proxy fallback for Windows before 8.1, and the limits of a
// request.
#include "delivery/HttpSession.h"

#include <algorithm>

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

void limitRequest(HINTERNET request, int resolve, int connect, int send, int receive) {
    WinHttpSetTimeouts(request, resolve, connect, send, receive);
    DWORD answerLimit = static_cast<DWORD>(receive);
    WinHttpSetOption(request, WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, &answerLimit, sizeof(answerLimit));
}

void refuseRedirects(HINTERNET request) {
    DWORD feature = WINHTTP_DISABLE_REDIRECTS;
    WinHttpSetOption(request, WINHTTP_OPTION_DISABLE_FEATURE, &feature, sizeof(feature));
}

void readAnswerBody(HINTERNET request, std::string& body, std::size_t maxBytes) {
    body.clear();
    while (body.size() < maxBytes) {
        DWORD available = 0;
        if (!WinHttpQueryDataAvailable(request, &available) || available == 0)
            return;
        const std::size_t wanted = std::min<std::size_t>(available, maxBytes - body.size());
        const std::size_t start = body.size();
        body.resize(start + wanted);
        DWORD read = 0;
        if (!WinHttpReadData(request, &body[start], static_cast<DWORD>(wanted), &read)) {
            body.resize(start);
            return;
        }
        body.resize(start + read);
        if (read == 0)
            return;
    }
}
