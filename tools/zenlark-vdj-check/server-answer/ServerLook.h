// What a server shows in public about the streams a section updates: Icecast's status page,
// or a Shoutcast stream's current title. Read before the update and again after it.
#pragma once

#include "server-answer/PublishedStatus.h"

#include "delivery/ServerDialect.h"
#include "delivery/UrlCracking.h"

#include <optional>
#include <string>
#include <vector>

// Where to look: the update's server, the path it lives under (ASCII, without a trailing "/"),
// and for Shoutcast the stream id and the password that private stats ask for (UTF-8). The
// mount, as the update names it, picks the stream of an Icecast-style update to Shoutcast DNAS.
struct LookPlace {
    ServerAddress address;
    std::string basePath;
    ServerDialect dialect = ServerDialect::Icecast;
    std::string sid;
    std::string password;
    std::string mount;
};

// Nothing when the server address cannot be used.
std::optional<LookPlace> lookPlaceOf(const std::wstring& serverUrl, const std::wstring& protocol,
                                     const std::wstring& sid, const std::wstring& password);

// The server's status as it stands, and on Shoutcast DNAS also the list of every stream it hosts.
ServerView lookAtServer(const LookPlace& place);

// The same look at a server whose kind and streams an earlier look found. One that publishes no
// JSON status (Icecast-KH, Shoutcast DNAS, which answers that page with its audio stream) is read
// on its own pages at once, without asking for that page again.
ServerView lookAgainAt(const LookPlace& place, ServerKind kind, const std::vector<ShoutcastStream>& streams);
