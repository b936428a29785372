// Composing the Icecast and Shoutcast update targets.
#include "delivery/UpdateTarget.h"

#include "delivery/PercentEncoding.h"
#include "delivery/ShoutcastTitleFilter.h"

std::wstring basePath(const std::wstring& urlPath) {
    std::wstring path = urlPath;
    while (!path.empty() && path.back() == L'/')
        path.pop_back();
    return path;
}

// Space, the C0 controls, DEL and every byte of a multi-byte UTF-8 character.
static bool mustEscapeInPath(unsigned char byte) { return byte <= 0x20 || byte >= 0x7F; }

std::string escapeBasePath(const std::string& utf8Path) {
    std::string escaped;
    escaped.reserve(utf8Path.size());
    for (const char c : utf8Path) {
        const auto byte = static_cast<unsigned char>(c);
        if (!mustEscapeInPath(byte)) {
            escaped += c;
            continue;
        }
        appendPercentEscape(escaped, byte);
    }
    return escaped;
}

std::string mountPoint(const std::string& mount) {
    if (mount.empty())
        return "/live";
    if (mount.front() != '/')
        return "/" + mount;
    return mount;
}

std::string songForDialect(ServerDialect dialect, const std::string& utf8Song) {
    if (dialect == ServerDialect::Shoutcast)
        return passShoutcastFilter(utf8Song);
    return utf8Song;
}

static std::string icecastTarget(const UpdateTargetParts& parts, const std::string& song) {
    return escapeBasePath(parts.basePath) + "/admin/metadata?mount=" + percentEncodeBytes(mountPoint(parts.mount)) +
           "&mode=updinfo&song=" + percentEncodeBytes(song);
}

static std::string shoutcastTarget(const UpdateTargetParts& parts, const std::string& song) {
    return escapeBasePath(parts.basePath) + "/admin.cgi?sid=" + percentEncodeBytes(parts.sid) +
           "&mode=updinfo&song=" + percentEncodeBytes(song) + "&pass=" + percentEncodeBytes(parts.password);
}

std::string composeUpdateTarget(ServerDialect dialect, const UpdateTargetParts& parts) {
    const std::string song = songForDialect(dialect, parts.song);
    if (dialect == ServerDialect::Shoutcast)
        return shoutcastTarget(parts, song);
    return icecastTarget(parts, song);
}
