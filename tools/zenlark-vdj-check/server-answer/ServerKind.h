// The streaming servers the check tool tells apart, each described once: how its answers name it,
// where it publishes its mounts or its title, its words for an update it refuses, and where it
// departs from Icecast 2.4. The look at the server before the update finds the description; the
// read-back and the verdicts take it from there.
#pragma once

#include <cstdint>
#include <string>

enum class ServerKind {
    unknown,       // nothing in its answers names it: Liquidsoap's harbor, Shoutcast 1, a web server
    icecast,       // Icecast 2.4, and any other server that names itself Icecast with a version
    icecast25,     // Icecast 2.5
    icecastKh,     // Icecast-KH
    shoutcastDnas, // Shoutcast DNAS 2
};

// What one answer of a server shows of the program that gave it.
struct ServerSigns {
    std::uint32_t status = 0;
    std::string server;     // the Server header
    std::string icyNotices; // the icy-notice1 and icy-notice2 headers, one after the other
    std::string body;       // the start of the body
};

struct ServerDescription {
    ServerKind kind;
    const char* name; // as a verdict names it: "Icecast 2.5"
    bool (*recognise)(const ServerSigns& signs);
    // The page that lists its live mounts when it has no /status-json.xsl; null when it has none.
    const char* mountPage;
    // It publishes each stream's title on Shoutcast's pages (/currentsong, /stats, /7.html).
    bool streamPages;
    // The page that lists every stream it hosts; null when it has none.
    const char* streamListPage;
    // Its message for a title update it refuses behind a 200; null when it says nothing such.
    const char* refusedUpdate;
    // It answers every Shoutcast-style update (admin.cgi) with 401, the right password included.
    bool refusesShoutcastUpdates;
    // It takes the Icecast-style update too: for the stream whose path the mount names, and for
    // stream 1 when the mount names none.
    bool icecastUpdateByStreamPath;
    // A password that ends in ":#N" sends its Shoutcast-style update to stream N, whatever sid says.
    bool passwordNamesStream;
    // Its words, in the status line or the body, when a stream or mount lets no more listeners in,
    // and when it takes no more connections at all; null when it has none.
    const char* listenerLimitWords;
    const char* connectionLimitWords;
    // Its status page shows a title in the bytes its listeners get, so a title shown there encoded
    // twice reaches them so. (Icecast 2.4's and 2.5's JSON status shows an MP3 mount's UTF-8
    // titles encoded twice while listeners get them right.)
    bool statusShowsListenersTitle;
};

// The first description whose signs the answer shows; the unknown server's when none does.
const ServerDescription& recogniseServer(const ServerSigns& signs);

const ServerDescription& describeServer(ServerKind kind);

// True when the body holds the message of any known server for an update it refuses behind a 200.
bool holdsRefusedUpdate(const std::string& body);

enum class LimitReached {
    none,
    listeners,   // the stream or mount is full
    connections, // the whole server is full: it turns away every request, title updates and pages too
};

// Which limit any known server names in an answer's status line and body.
LimitReached limitReachedIn(const std::string& words);
