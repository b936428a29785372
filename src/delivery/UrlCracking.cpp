// Server address cracking through WinHttpCrackUrl.
#include "delivery/UrlCracking.h"

#include <windows.h>
#include <winhttp.h>

#include <array>

// Buffer sizes: the call is told one less than the buffer holds, keeping room for the terminator.
static constexpr DWORD hostNameBufferSize = 512;
static constexpr DWORD urlPathBufferSize = 1024;
static constexpr std::size_t longestHostName = hostNameBufferSize - 2;

static bool holdsQueryOrFragment(const std::wstring& serverUrl) {
    return serverUrl.find_first_of(L"?#") != std::wstring::npos;
}

// The host and port after the scheme and any user information: up to the path.
static std::wstring hostAndPort(const std::wstring& url) {
    const std::size_t scheme = url.find(L"://");
    if (scheme == std::wstring::npos)
        return std::wstring();
    const std::size_t start = scheme + 3;
    const std::wstring authority = url.substr(start, url.find(L'/', start) - start);
    const std::size_t at = authority.rfind(L'@');
    return at == std::wstring::npos ? authority : authority.substr(at + 1);
}

// A port from 1 to 65535 written in digits alone; 0 for anything else.
static std::uint16_t portNumber(const std::wstring& text) {
    if (text.empty() || text.size() > 5)
        return 0;
    std::uint32_t value = 0;
    for (const wchar_t digit : text) {
        if (digit < L'0' || digit > L'9')
            return 0;
        value = value * 10 + static_cast<std::uint32_t>(digit - L'0');
    }
    return value <= 65535 ? static_cast<std::uint16_t>(value) : 0;
}

std::optional<BracketedHost> bracketedHost(const std::wstring& url) {
    const std::wstring host = hostAndPort(url);
    if (host.empty() || host.front() != L'[')
        return std::nullopt;
    BracketedHost bracketed;
    const std::size_t close = host.find(L']');
    if (close == std::wstring::npos)
        return bracketed;
    const std::wstring rest = host.substr(close + 1);
    const std::uint16_t port = rest.empty() ? 0 : portNumber(rest.substr(1));
    if (!rest.empty() && (rest.front() != L':' || port == 0))
        return bracketed;
    bracketed.hostName = host.substr(0, close + 1);
    bracketed.port = port;
    bracketed.usable = true;
    return bracketed;
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
    const std::optional<BracketedHost> bracketed = bracketedHost(serverUrl);
    if (!bracketed)
        return address;
    if (!bracketed->usable || bracketed->hostName.size() > longestHostName)
        return std::nullopt;
    address.hostName = bracketed->hostName;
    address.port = bracketed->port != 0
                       ? bracketed->port
                       : static_cast<std::uint16_t>(address.secure ? INTERNET_DEFAULT_HTTPS_PORT
                                                                   : INTERNET_DEFAULT_HTTP_PORT);
    return address;
}

std::optional<ServerAddress> crackServerUrl(const std::wstring& serverUrl) {
    std::uint32_t platformError = 0;
    return crackServerUrl(serverUrl, platformError);
}
