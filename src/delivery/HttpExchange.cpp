// One synchronous WinHTTP GET per title update.
#include "delivery/HttpExchange.h"

#include "delivery/AuthorizationHeader.h"
#include "delivery/WinHttpSession.h"
#include "host/UniqueHandle.h"

#include <windows.h>
#include <winhttp.h>

#include <algorithm>

using UniqueInternetHandle = UniqueHandle<HINTERNET, WinHttpCloseHandle>;

static const wchar_t userAgent[] = L"Zenlark-VDJ-Standalone/1.0";

// Milliseconds for name resolution, connect, send and receive.
static constexpr int resolveTimeout = 5000;
static constexpr int connectTimeout = 5000;
static constexpr int sendTimeout = 10000;
static constexpr int receiveTimeout = 10000;

static bool fail(DeliveryReport& report, DeliveryStep step) {
    report.failedStep = step;
    report.platformError = GetLastError();
    return false;
}

// Some WinHTTP implementations (Wine's among them) wait for the status line and headers under a
// limit of their own that is unlimited by default, ignoring the receive limit; a server that
// accepts and never answers would then hold the worker, and a stop request, forever. Giving
// that wait the same receive limit keeps the bound; Windows' own default for it is longer.
static void limitWaitForAnswer(HINTERNET request) {
    DWORD limit = receiveTimeout;
    WinHttpSetOption(request, WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, &limit, sizeof(limit));
}

// The client follows redirects on its own by default, sending the added Authorization header
// along to wherever the Location points, another host included, and then judges the last
// answer's status: the password would leak to a foreign server and a redirect to any page that
// answers 200 would count as a delivered title. A 3xx is therefore judged as it stands.
static void refuseRedirects(HINTERNET request) {
    DWORD feature = WINHTTP_DISABLE_REDIRECTS;
    WinHttpSetOption(request, WINHTTP_OPTION_DISABLE_FEATURE, &feature, sizeof(feature));
}

static bool isSuccessStatus(DWORD status) { return status >= 200 && status <= 299; }

// Reads the start of the body for a tool that shows the server's answer. A failure to read just
// ends the body early: the status has already decided the outcome.
static void readAnswerBody(HINTERNET request, std::string& body, std::size_t maxBytes) {
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

bool issueUpdateRequest(const UpdateRequest& request, const std::wstring& username, const std::wstring& password,
                        DeliveryReport& report, std::string* answerBody, std::size_t maxAnswerBytes) {
    report = DeliveryReport{};
    // Declared session, connection, request: destroyed request first, session last.
    const UniqueInternetHandle session(openWinHttpSession(userAgent));
    if (!session)
        return fail(report, DeliveryStep::openSession);

    const UniqueInternetHandle connection(
        WinHttpConnect(session.get(), request.address.hostName.c_str(), request.address.port, 0));
    if (!connection)
        return fail(report, DeliveryStep::connect);

    // Only the scheme decides TLS: an http address on port 443 still speaks plain HTTP.
    const DWORD secureFlag = request.address.secure ? WINHTTP_FLAG_SECURE : 0;
    const UniqueInternetHandle httpRequest(WinHttpOpenRequest(connection.get(), L"GET", request.updateTarget.c_str(),
                                                              nullptr, WINHTTP_NO_REFERER,
                                                              WINHTTP_DEFAULT_ACCEPT_TYPES, secureFlag));
    if (!httpRequest)
        return fail(report, DeliveryStep::openRequest);

    // A failure here leaves the client's own limits in place; the exchange still goes on.
    WinHttpSetTimeouts(httpRequest.get(), resolveTimeout, connectTimeout, sendTimeout, receiveTimeout);
    limitWaitForAnswer(httpRequest.get());
    refuseRedirects(httpRequest.get());

    const std::wstring header = buildAuthorizationHeader(username, password);
    if (!WinHttpAddRequestHeaders(httpRequest.get(), header.c_str(), static_cast<DWORD>(-1),
                                  WINHTTP_ADDREQ_FLAG_ADD | WINHTTP_ADDREQ_FLAG_REPLACE))
        return fail(report, DeliveryStep::addHeader);

    if (!WinHttpSendRequest(httpRequest.get(), WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA, 0, 0, 0))
        return fail(report, DeliveryStep::sendRequest);

    if (!WinHttpReceiveResponse(httpRequest.get(), nullptr))
        return fail(report, DeliveryStep::receiveAnswer);

    DWORD status = 0;
    DWORD statusSize = sizeof(status);
    if (!WinHttpQueryHeaders(httpRequest.get(), WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                             WINHTTP_HEADER_NAME_BY_INDEX, &status, &statusSize, WINHTTP_NO_HEADER_INDEX))
        return fail(report, DeliveryStep::queryStatus);
    report.status = status;

    if (answerBody != nullptr)
        readAnswerBody(httpRequest.get(), *answerBody, maxAnswerBytes);

    if (!isSuccessStatus(status)) {
        report.failedStep = DeliveryStep::statusRejected;
        return false;
    }
    return true;
}
