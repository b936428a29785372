// Reading a refused server_url the way a DJ wrote it, to say what is wrong with it.
#include "settings-file/AddressProblem.h"

// ASCII letters folded to lower case; every other character stays as it is.
static std::wstring lowered(std::wstring text) {
    for (wchar_t& c : text) {
        if (c >= L'A' && c <= L'Z')
            c = static_cast<wchar_t>(c - L'A' + L'a');
    }
    return text;
}

static bool holdsNonAscii(const std::wstring& text) {
    for (const wchar_t c : text) {
        if (c >= 0x80)
            return true;
    }
    return false;
}

// The authority without any user information in front of the host.
static std::wstring hostAndPort(const std::wstring& authority) {
    const std::size_t at = authority.rfind(L'@');
    return at == std::wstring::npos ? authority : authority.substr(at + 1);
}

// The port written after the host, if any, is a number from 1 to 65535.
static bool portIsUsable(const std::wstring& authority) {
    const std::size_t colon = authority.rfind(L':');
    if (colon == std::wstring::npos || authority.find(L']', colon) != std::wstring::npos)
        return true; // no port, or the colon belongs to a bracketed IPv6 address
    const std::wstring port = authority.substr(colon + 1);
    if (port.empty() || port.size() > 5 || port.find_first_not_of(L"0123456789") != std::wstring::npos)
        return false;
    const int value = std::stoi(port);
    return value >= 1 && value <= 65535;
}

std::string explainAddressProblem(const std::wstring& serverUrl) {
    const std::wstring url = lowered(serverUrl);
    const bool http = url.rfind(L"http://", 0) == 0;
    const bool https = url.rfind(L"https://", 0) == 0;
    if (!http && !https)
        return "It must start with http:// or https://.";
    if (url.find_first_of(L"?#") != std::wstring::npos)
        return "It holds \"?\" or \"#\": give only scheme, host, port and path.";
    const std::size_t hostStart = url.find(L"//") + 2;
    const std::size_t hostEnd = url.find(L'/', hostStart);
    const std::wstring authority =
        url.substr(hostStart, hostEnd == std::wstring::npos ? std::wstring::npos : hostEnd - hostStart);
    if (authority.empty())
        return "It names no host.";
    if (authority.size() > 510)
        return "Its host name is too long.";
    if (hostEnd != std::wstring::npos && url.size() - hostEnd > 1022)
        return "Its path is too long.";
    if (url.find_first_of(L" \t\r\n") != std::wstring::npos)
        return "It holds a space or a line break.";
    if (!portIsUsable(hostAndPort(authority)))
        return "Check the port: it must be a number from 1 to 65535.";
    if (holdsNonAscii(hostAndPort(authority)))
        return "Its host name holds letters outside English: write it in its ASCII form (the one that "
               "starts with xn--, as your provider gives it).";
    return "Write it as http://host:port/path.";
}
