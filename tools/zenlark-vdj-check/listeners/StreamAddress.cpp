// Composing the stream address from the settings, for Icecast and both Shoutcast versions.
#include "listeners/StreamAddress.h"

#include "delivery/PercentEncoding.h"
#include "delivery/ServerDialect.h"
#include "delivery/UpdateTarget.h"

static std::wstring asciiLowerCase(std::wstring text) {
    for (wchar_t& c : text) {
        if (c >= L'A' && c <= L'Z')
            c = static_cast<wchar_t>(c - L'A' + L'a');
    }
    return text;
}

// "shoutcast" followed by the version, with or without " ", "-", "_" or "v" between.
static bool namesShoutcastVersion(const std::wstring& lowered, wchar_t version) {
    const std::wstring name = L"shoutcast";
    for (std::size_t at = lowered.find(name); at != std::wstring::npos; at = lowered.find(name, at + 1)) {
        std::size_t next = at + name.size();
        while (next < lowered.size() && (lowered[next] == L' ' || lowered[next] == L'-' ||
                                         lowered[next] == L'_' || lowered[next] == L'v'))
            ++next;
        if (next < lowered.size() && lowered[next] == version)
            return true;
    }
    return false;
}

StreamKind streamKind(const std::wstring& protocol, const std::wstring& sid) {
    if (detectDialect(protocol) == ServerDialect::Icecast)
        return StreamKind::icecast;
    const std::wstring lowered = asciiLowerCase(protocol);
    if (lowered == L"sc2" || namesShoutcastVersion(lowered, L'2'))
        return StreamKind::shoutcastV2;
    if (lowered == L"sc1" || namesShoutcastVersion(lowered, L'1'))
        return StreamKind::shoutcastV1;
    return sid.empty() || sid == L"1" ? StreamKind::shoutcastV1 : StreamKind::shoutcastV2;
}

static std::string withoutTrailingSlashes(std::string path) {
    while (!path.empty() && path.back() == '/')
        path.pop_back();
    return path;
}

std::string streamPath(StreamKind kind, const std::string& urlPath, const std::string& mount,
                       const std::string& sid) {
    const std::string base = escapeBasePath(withoutTrailingSlashes(urlPath));
    if (kind == StreamKind::icecast)
        return base + escapeBasePath(mountPoint(mount));
    if (kind == StreamKind::shoutcastV2)
        return base + "/stream/" + percentEncodeBytes(sid.empty() ? "1" : sid) + "/";
    return base + "/";
}
