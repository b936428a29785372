// Where a player listens to the stream that the settings send titles to.
#pragma once

#include <string>

enum class StreamKind {
    icecast,     // the server address's path, then the mount
    shoutcastV1, // one stream per server, at the server's root
    shoutcastV2, // each stream id at /stream/<sid>/
};

// Icecast for the Icecast dialect. For Shoutcast, version 2 when the protocol names it ("sc2",
// "shoutcast2", "shoutcast v2", "shoutcast-v2", "shoutcast_v2"), version 1 when it names that
// ("sc1", "shoutcast1", ...); a plain "shoutcast" means version 2 only for a sid other than 1,
// since only version 2 has more than one stream, and version 1 sits at the root.
StreamKind streamKind(const std::wstring& protocol, const std::wstring& sid);

// The request path of the stream, UTF-8 parts in, ASCII out: the server address's path
// without trailing "/", then the mount (a missing "/" added, empty meaning "/live", as for the
// update), "/stream/<sid>/" (empty sid meaning 1) or "/". Spaces, controls and bytes outside
// ASCII in the path and mount become %XX; the sid is percent-encoded.
std::string streamPath(StreamKind kind, const std::string& urlPath, const std::string& mount,
                       const std::string& sid);
