// The request target of a title update, composed from parts already converted to UTF-8.
#pragma once

#include "delivery/ServerDialect.h"

#include <string>

// The path of the server address without any trailing "/", so that the dialect's own path,
// which starts with "/", follows it without a doubled slash. "/" and "///" give "".
std::wstring basePath(const std::wstring& urlPath);

// The base path as it may stand in a request line: spaces, control characters and bytes
// outside ASCII become %XX (RFC 3986, section 2.1), so the line can never be split or carry
// raw 8-bit text. Everything else, existing escapes included, stays as written.
std::string escapeBasePath(const std::string& utf8Path);

// The mount point as the update names it, always starting with "/": "live", "/live" and ""
// all name the mount /live.
std::string mountPoint(const std::string& mount);

// The song as a server of the dialect takes it: a Shoutcast server gets the title its filter
// would drop for how it starts with one invisible character in front (passShoutcastFilter).
std::string songForDialect(ServerDialect dialect, const std::string& utf8Song);

// The UTF-8 text of each part of an update target, before percent-encoding.
struct UpdateTargetParts {
    std::string basePath; // already trimmed of trailing "/"
    std::string mount;    // Icecast only; empty means "/live"
    std::string sid;      // Shoutcast only
    std::string song;     // the track text
    std::string password; // Shoutcast only: it also travels in the query
};

// Icecast:   basePath "/admin/metadata?mount=" mount "&mode=updinfo&song=" song
// Shoutcast: basePath "/admin.cgi?sid=" sid "&mode=updinfo&song=" song "&pass=" password
// with the song as songForDialect gives it.
// Every query value is percent-encoded, so the result is ASCII and the query holds exactly
// its fixed keys whatever the values contain.
std::string composeUpdateTarget(ServerDialect dialect, const UpdateTargetParts& parts);
