// Why an update failed: the step, the platform error right after it, and the status received.
#pragma once

#include <cstdint>

enum class DeliveryStep {
    none,           // delivered: the status was 200 to 299
    notReady,       // server_url or password missing
    emptyText,      // nothing to announce
    badAddress,     // server_url could not be taken apart or was refused
    openSession,    // WinHttpOpen
    connect,        // WinHttpConnect
    openRequest,    // WinHttpOpenRequest
    addHeader,      // WinHttpAddRequestHeaders
    sendRequest,    // WinHttpSendRequest: name, connection, TLS, limits
    receiveAnswer,  // WinHttpReceiveResponse: no or malformed answer
    queryStatus,    // WinHttpQueryHeaders
    statusRejected, // the status was outside 200 to 299
};

// How the session found its proxy.
enum class SessionProxy {
    none,           // no session was opened
    automatic,      // from the system's and the user's configuration (Windows 8.1 and later)
    winhttpSetting, // WinHTTP's own setting ("netsh winhttp"): older Windows has no automatic mode
};

// How an update is requested. Servers take a GET; one that refuses it with 405 (Icecast 2.5 set to
// strict) takes the same update as a POST whose form body is the query.
enum class UpdateMethod { get, post };

// What a server has shown of the methods it takes: at first a GET, followed by a POST when it
// refuses the GET with 405; POST alone once it took one; GET alone once it refused the POST with
// 405 as well, since its 405 then says something else (Liquidsoap's harbor answers both so while
// its input has no source).
enum class ServerMethods { getThenPost, postAlone, getAlone };

struct DeliveryReport {
    DeliveryStep failedStep = DeliveryStep::none;
    UpdateMethod method = UpdateMethod::get; // of the exchange this report describes
    SessionProxy proxy = SessionProxy::none;
    std::uint32_t platformError = 0; // GetLastError() right after the failing call
    std::uint32_t status = 0;        // the HTTP status, when one was read
};

// The server refused the credentials. Hosting servers block an address after repeated failed
// logins, so such a server is not asked again at once.
inline bool loginRefused(const DeliveryReport& report) {
    return report.status == 401 || report.status == 403;
}
