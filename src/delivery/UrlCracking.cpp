// Server address cracking through WinHttpCrackUrl.
#include "delivery/UrlCracking.h"

#include <windows.h>
#include <winhttp.h>

#include <array>

// Buffer sizes: the call is told one less than the buffer holds, keeping room for the terminator.
static constexpr DWORD hostNameBufferSize = 512;
static constexpr DWORD urlPathBufferSize = 1024;

static bool holdsQueryOrFragment(const std::wstring& serverUrl) {
    return serverUrl.find_first_of(L"?#") != std::wstring::npos;
}

std::optional<ServerAddress> crackServerUrl(const std::wstring& serverUrl, std::uint32_t& platformError) {
    platformError = 0;
    // Checked on the whole address: some crackers leave "?" after a bare host inside the host name.
    if (holdsQueryOrFragment(serverUrl))
        return std::nullopt;

    std::array<wchar_t, hostNameBufferSize> hostName{};
    std::array<wchar_t, urlPathBufferSize> urlPath{};
    URL_COMPONENTS components{};
    components.dwStructSize = sizeof(components);
    components.lpszHostName = hostName.data();
    components.dwHostNameLength = hostNameBufferSize - 1;
    components.lpszUrlPath = urlPath.data();
    components.dwUrlPathLength = urlPathBufferSize - 1;
    // No flags: nothing in the address is decoded or escaped. A host or path too long for its
    // buffer makes the call fail with ERROR_INSUFFICIENT_BUFFER.
    if (!WinHttpCrackUrl(serverUrl.c_str(), 0, 0, &components)) {
        platformError = GetLastError();
        return std::nullopt;
    }
    if (components.dwHostNameLength == 0)
        return std::nullopt; // "http:///x": nothing to connect to

    ServerAddress address;
    address.secure = components.nScheme == INTERNET_SCHEME_HTTPS;
    address.hostName.assign(hostName.data(), components.dwHostNameLength);
    address.port = components.nPort;
    address.urlPath.assign(urlPath.data(), components.dwUrlPathLength);
    return address;
}

std::optional<ServerAddress> crackServerUrl(const std::wstring& serverUrl) {
    std::uint32_t platformError = 0;
    return crackServerUrl(serverUrl, platformError);
}
