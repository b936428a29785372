// Choosing the server dialect from the protocol setting.
#include "delivery/ServerDialect.h"

// Only ASCII letters are folded: the names compared against are plain ASCII.
static std::wstring asciiLowerCase(std::wstring text) {
    for (wchar_t& c : text) {
        if (c >= L'A' && c <= L'Z')
            c = static_cast<wchar_t>(c - L'A' + L'a');
    }
    return text;
}

ServerDialect detectDialect(const std::wstring& protocol) {
    const std::wstring lowered = asciiLowerCase(protocol);
    if (lowered.find(L"shoutcast") != std::wstring::npos)
        return ServerDialect::Shoutcast;
    if (lowered == L"sc1" || lowered == L"sc2")
        return ServerDialect::Shoutcast;
    return ServerDialect::Icecast;
}
