// One titleless GET of "/" on the port below the update's port, to tell an encoder's port.
#include "server-answer/PortBelow.h"

#include "delivery/HttpSession.h"

// "Mozilla" in it makes a Shoutcast v1 server answer with its page instead of the stream.
static const wchar_t userAgent[] = L"ZenlarkVdjCheck/1.0 (Mozilla compatible)";
static constexpr int probeTimeout = 5000;

std::uint32_t statusOnPortBelow(const ServerAddress& address) {
    if (address.port <= 1)
        return 0;
    SessionProxy proxy = SessionProxy::none; // the same proxy mode the update used
    const UniqueInternetHandle session = openSession(userAgent, proxy);
    if (!session)
        return 0;
    const UniqueInternetHandle connection(WinHttpConnect(session.get(), address.hostName.c_str(),
                                                         static_cast<INTERNET_PORT>(address.port - 1), 0));
    if (!connection)
        return 0;
    const UniqueInternetHandle request(WinHttpOpenRequest(connection.get(), L"GET", L"/", nullptr,
                                                          WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES,
                                                          address.secure ? WINHTTP_FLAG_SECURE : 0));
    if (!request)
        return 0;
    limitRequest(request.get(), probeTimeout, probeTimeout, probeTimeout, probeTimeout);
    refuseRedirects(request.get()); // any answer will do, a redirect included: it only has to be HTTP
    if (!WinHttpSendRequest(request.get(), WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA, 0, 0,
                            0))
        return 0;
    if (!WinHttpReceiveResponse(request.get(), nullptr))
        return 0;
    DWORD status = 0;
    DWORD size = sizeof(status);
    if (!WinHttpQueryHeaders(request.get(), WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                             WINHTTP_HEADER_NAME_BY_INDEX, &status, &size, WINHTTP_NO_HEADER_INDEX))
        return 0;
    return status;
}
