// Taking the server address apart into what the HTTP exchange needs.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

struct ServerAddress {
    bool secure = false;   // the scheme is https; the port plays no part in it
    std::wstring hostName; // without user information and port, at most 510 characters
    std::uint16_t port = 0; // as written, else 80 for http and 443 for https
    std::wstring urlPath;  // as written, escapes neither decoded nor added; at most 1022 characters
};

// Nothing for an address that is not http or https, is malformed, has no host, has a host of
// 511 or more characters or a path of 1023 or more, or holds a query or fragment ("?" or "#"),
// since the update target composed after the path would then land inside it.
// `platformError` receives the cracker's error when it refused the address, else 0.
std::optional<ServerAddress> crackServerUrl(const std::wstring& serverUrl, std::uint32_t& platformError);
std::optional<ServerAddress> crackServerUrl(const std::wstring& serverUrl);

// The host and port of an address whose host is an IPv6 address in brackets, as in
// "http://[::1]:8000/", read from the text: some URL crackers split such a host at its first
// colon. The host keeps its brackets, the form the Host header needs and the connection takes;
// the port is 0 when none is written. Nothing for any other host; `usable` is false for a
// bracketed host that is not closed or is followed by anything but a port from 1 to 65535.
struct BracketedHost {
    std::wstring hostName;
    std::uint16_t port = 0;
    bool usable = false;
};
std::optional<BracketedHost> bracketedHost(const std::wstring& url);
