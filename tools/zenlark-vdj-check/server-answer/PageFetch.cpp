// A titleless GET through WinHTTP, with the limits of every request the tool makes.
#include "server-answer/PageFetch.h"

#include "server-answer/PublishedStatus.h"

#include "delivery/HttpSession.h"

// "Mozilla" in it makes a Shoutcast v1 server answer with its pages instead of the stream.
static const wchar_t userAgent[] = L"ZenlarkVdjCheck/1.0 (Mozilla compatible)";
static constexpr int pageTimeout = 5000;
static constexpr std::size_t maxBodyBytes = 64 * 1024;

static PageAnswer noAnswer() {
    PageAnswer answer;
    answer.platformError = GetLastError();
    return answer;
}

// A header's value with anything outside printable ASCII shown as "?"; empty when it is missing.
// `name` names a header WinHTTP has no query of its own for (WINHTTP_QUERY_CUSTOM).
static std::string asciiHeader(HINTERNET request, DWORD query,
                               const wchar_t* name = WINHTTP_HEADER_NAME_BY_INDEX) {
    wchar_t value[1024] = {};
    DWORD size = sizeof(value) - sizeof(wchar_t);
    if (!WinHttpQueryHeaders(request, query, name, value, &size, WINHTTP_NO_HEADER_INDEX))
        return std::string();
    std::string ascii;
    for (const wchar_t* c = value; *c != L'\0'; ++c)
        ascii += *c >= 0x20 && *c < 0x7F ? static_cast<char>(*c) : '?';
    return ascii;
}

static bool lookPast(HINTERNET request, CertificateCheck check) {
    if (check == CertificateCheck::full)
        return true;
    DWORD flags = SECURITY_FLAG_IGNORE_UNKNOWN_CA;
    if (check == CertificateCheck::pastAnyProblem)
        flags |= SECURITY_FLAG_IGNORE_CERT_CN_INVALID | SECURITY_FLAG_IGNORE_CERT_DATE_INVALID |
                 SECURITY_FLAG_IGNORE_CERT_WRONG_USAGE;
    return WinHttpSetOption(request, WINHTTP_OPTION_SECURITY_FLAGS, &flags, sizeof(flags)) != FALSE;
}

PageAnswer fetchPage(const ServerAddress& address, std::uint16_t port, bool secure,
                     const std::wstring& target, CertificateCheck check) {
    SessionProxy proxy = SessionProxy::none; // the same proxy mode the update uses
    const UniqueInternetHandle session = openSession(userAgent, proxy);
    if (!session)
        return noAnswer();
    const UniqueInternetHandle connection(WinHttpConnect(session.get(), address.hostName.c_str(), port, 0));
    if (!connection)
        return noAnswer();
    const UniqueInternetHandle request(WinHttpOpenRequest(connection.get(), L"GET", target.c_str(), nullptr,
                                                          WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES,
                                                          secure ? WINHTTP_FLAG_SECURE : 0));
    if (!request || (secure && !lookPast(request.get(), check)))
        return noAnswer();
    limitRequest(request.get(), pageTimeout, pageTimeout, pageTimeout, pageTimeout);
    refuseRedirects(request.get());
    if (!WinHttpSendRequest(request.get(), WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA, 0, 0,
                            0))
        return noAnswer();
    if (!WinHttpReceiveResponse(request.get(), nullptr))
        return noAnswer();
    PageAnswer answer;
    DWORD status = 0;
    DWORD size = sizeof(status);
    if (!WinHttpQueryHeaders(request.get(), WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                             WINHTTP_HEADER_NAME_BY_INDEX, &status, &size, WINHTTP_NO_HEADER_INDEX))
        return noAnswer();
    answer.status = status;
    answer.statusText = asciiHeader(request.get(), WINHTTP_QUERY_STATUS_TEXT);
    answer.server = asciiHeader(request.get(), WINHTTP_QUERY_SERVER);
    answer.location = asciiHeader(request.get(), WINHTTP_QUERY_LOCATION);
    answer.contentType = asciiHeader(request.get(), WINHTTP_QUERY_CONTENT_TYPE);
    answer.icyNotices = asciiHeader(request.get(), WINHTTP_QUERY_CUSTOM, L"icy-notice1") + " " +
                        asciiHeader(request.get(), WINHTTP_QUERY_CUSTOM, L"icy-notice2");
    if (isPageContentType(answer.contentType))
        readAnswerBody(request.get(), answer.body, maxBodyBytes);
    return answer;
}
