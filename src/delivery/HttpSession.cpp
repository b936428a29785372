// Opening the WinHTTP session, with the proxy fallback for Windows before 8.1, and the limits of a
// request.
#include "delivery/HttpSession.h"

#include <algorithm>

// Older SDK headers lack the flag.
#ifndef WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_3
#define WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_3 0x00002000
#endif

static bool offerProtocols(HINTERNET session, OptionSetter setOption, DWORD protocols) {
    return setOption(session, WINHTTP_OPTION_SECURE_PROTOCOLS, &protocols, sizeof(protocols)) != FALSE;
}

// Windows refuses a protocol set naming a version it does not know. A refusal of both sets
// leaves Windows' default: the exchange is still tried, and fails only if the server wants more.
static void offerCurrentTls(HINTERNET session, OptionSetter setOption) {
    const DWORD tls12And13 = WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_2 | WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_3;
    if (offerProtocols(session, setOption, tls12And13))
        return;
    offerProtocols(session, setOption, WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_2);
}

static UniqueInternetHandle openWithProxy(const wchar_t* userAgent, SessionProxy& proxy, SessionOpener open) {
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

UniqueInternetHandle openSession(const wchar_t* userAgent, SessionProxy& proxy, SessionOpener open,
                                 OptionSetter setOption) {
    UniqueInternetHandle session = openWithProxy(userAgent, proxy, open);
    if (session)
        offerCurrentTls(session.get(), setOption);
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
