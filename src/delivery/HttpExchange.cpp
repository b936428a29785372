// One synchronous WinHTTP exchange per title update, and the POST that follows a refused GET.
#include "delivery/HttpExchange.h"

#include "delivery/AuthorizationHeader.h"
#include "delivery/HttpSession.h"

// Shoutcast v1 servers take a client whose user agent lacks "Mozilla" for a listener and answer
// admin.cgi with the stream itself, so a title update would never take there. The product token
// stays first; the comment is ordinary user-agent syntax, as source clients have it.
static const wchar_t userAgent[] = L"Zenlark-VDJ-Standalone/1.0 (Mozilla compatible)";

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

static bool isSuccessStatus(DWORD status) { return status >= 200 && status <= 299; }

constexpr DWORD methodNotAllowed = 405;

// What goes on the request line and in the body: a GET asks for the whole target; a POST sends
// the target's query, already percent-encoded ASCII, as its form body to the target's path.
struct RequestShape {
    const wchar_t* verb;
    std::wstring target;
    std::string form;
};

static RequestShape shapeOf(const UpdateRequest& request, UpdateMethod method) {
    if (method == UpdateMethod::get)
        return RequestShape{L"GET", request.updateTarget, std::string()};
    const std::size_t query = request.updateTarget.find(L'?');
    const std::wstring path = request.updateTarget.substr(0, query);
    const std::wstring form =
        query == std::wstring::npos ? std::wstring() : request.updateTarget.substr(query + 1);
    return RequestShape{L"POST", path, std::string(form.begin(), form.end())};
}

static BOOL sendRequest(HINTERNET request, UpdateMethod method, const std::string& form) {
    if (method == UpdateMethod::get)
        return WinHttpSendRequest(request, WINHTTP_NO_ADDITIONAL_HEADERS, 0,
                                  WINHTTP_NO_REQUEST_DATA, 0, 0, 0);
    const DWORD length = static_cast<DWORD>(form.size());
    return WinHttpSendRequest(request, L"Content-Type: application/x-www-form-urlencoded",
                              static_cast<DWORD>(-1), const_cast<char*>(form.data()), length, length, 0);
}

bool issueUpdateRequest(const UpdateRequest& request, UpdateMethod method, const std::wstring& username,
                        const std::wstring& password, DeliveryReport& report, std::string* answerBody,
                        std::size_t maxAnswerBytes) {
    report = DeliveryReport{};
    report.method = method;
    const RequestShape shape = shapeOf(request, method);
    // Declared session, connection, request: destroyed request first, session last.
    const UniqueInternetHandle session = openSession(userAgent, report.proxy);
    if (!session)
        return fail(report, DeliveryStep::openSession);

    const UniqueInternetHandle connection(
        WinHttpConnect(session.get(), request.address.hostName.c_str(), request.address.port, 0));
    if (!connection)
        return fail(report, DeliveryStep::connect);

    // Only the scheme decides TLS: an http address on port 443 still speaks plain HTTP.
    const DWORD secureFlag = request.address.secure ? WINHTTP_FLAG_SECURE : 0;
    const UniqueInternetHandle httpRequest(
        WinHttpOpenRequest(connection.get(), shape.verb, shape.target.c_str(), nullptr, WINHTTP_NO_REFERER,
                           WINHTTP_DEFAULT_ACCEPT_TYPES, secureFlag));
    if (!httpRequest)
        return fail(report, DeliveryStep::openRequest);

    limitRequest(httpRequest.get(), resolveTimeout, connectTimeout, sendTimeout, receiveTimeout);
    // The client would follow a redirect on its own, sending the Authorization header along to
    // wherever it points, another host included, and judge the last answer: the password would
    // leak and a redirect to any page that answers 200 would count as delivered. A 3xx is
    // judged as it stands.
    refuseRedirects(httpRequest.get());

    const std::wstring header = buildAuthorizationHeader(username, password);
    if (!WinHttpAddRequestHeaders(httpRequest.get(), header.c_str(), static_cast<DWORD>(-1),
                                  WINHTTP_ADDREQ_FLAG_ADD | WINHTTP_ADDREQ_FLAG_REPLACE))
        return fail(report, DeliveryStep::addHeader);

    if (!sendRequest(httpRequest.get(), method, shape.form))
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

bool deliverUpdate(const UpdateRequest& request, const std::wstring& username, const std::wstring& password,
                   ServerMethods& methods, DeliveryReport& report, std::string* answerBody,
                   std::size_t maxAnswerBytes) {
    if (methods == ServerMethods::postAlone)
        return issueUpdateRequest(request, UpdateMethod::post, username, password, report, answerBody,
                                  maxAnswerBytes);
    if (issueUpdateRequest(request, UpdateMethod::get, username, password, report, answerBody,
                           maxAnswerBytes))
        return true;
    if (methods == ServerMethods::getAlone || report.status != methodNotAllowed)
        return false;
    if (issueUpdateRequest(request, UpdateMethod::post, username, password, report, answerBody,
                           maxAnswerBytes)) {
        methods = ServerMethods::postAlone;
        return true;
    }
    if (report.status == methodNotAllowed)
        methods = ServerMethods::getAlone;
    return false;
}
