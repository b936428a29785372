// The description of each server kind, and telling the kinds apart by what their answers show.
#include "server-answer/ServerKind.h"

#include "AsciiCase.h"
#include "TextParts.h"

// DNAS names itself in the Server header of its own pages and refusals, and in icy-notice1 or
// icy-notice2 of the stream it sends for every path it does not know (its audio, without end).
static bool namesShoutcastDnas(const ServerSigns& signs) {
    return asciiLowered(signs.server + " " + signs.icyNotices).find("shoutcast dnas") != std::string::npos;
}

static bool namesIcecast25(const ServerSigns& signs) {
    return startsWith(signs.server, "Icecast 2.5");
}

// KH's Server header carries no version, and it has no /status-json.xsl. Its 404 for that page
// has no Server header and says so in these words the first time; later ones come from its cache
// of pages it could not make, empty.
static bool namesIcecastKh(const ServerSigns& signs) {
    const bool missingPage = signs.body.empty() || startsWith(signs.body, "Could not provide XSLT file");
    return signs.server == "Icecast" || (signs.status == 404 && signs.server.empty() && missingPage);
}

static bool namesIcecast(const ServerSigns& signs) {
    return startsWith(signs.server, "Icecast");
}

static bool namesNothing(const ServerSigns&) {
    return true;
}

// In the order they are tried: each kind's signs are looked for only where no earlier one matched.
// Kind, name, signs; mount page, stream pages, stream list; refused update; refuses admin.cgi,
// Icecast form by stream path, stream in the password; its words for a full stream and a full server;
// status shows the listeners' title.
static const ServerDescription descriptions[] = {
    {ServerKind::shoutcastDnas, "Shoutcast DNAS", namesShoutcastDnas, nullptr, true, "/statistics", nullptr,
     false, true, true, "Server limit reached", nullptr, false},
    {ServerKind::icecast25, "Icecast 2.5", namesIcecast25, nullptr, false, nullptr,
     "Mountpoint will not accept URL updates", true, false, false, "Maximum listeners reached",
     "connection limit reached", false},
    {ServerKind::icecastKh, "Icecast-KH", namesIcecastKh, "/status.xsl", false, nullptr,
     "Mountpoint will not accept this URL update", false, false, false, "max listeners reached",
     "Too many clients connected", true},
    {ServerKind::icecast, "Icecast", namesIcecast, nullptr, false, nullptr,
     "Mountpoint will not accept URL updates", false, false, false, "max listeners reached",
     "connection limit reached", false},
    {ServerKind::unknown, "The server", namesNothing, nullptr, false, nullptr, nullptr, false, false, false,
     nullptr, nullptr, false},
};

const ServerDescription& recogniseServer(const ServerSigns& signs) {
    for (const ServerDescription& description : descriptions) {
        if (description.recognise(signs))
            return description;
    }
    return describeServer(ServerKind::unknown);
}

const ServerDescription& describeServer(ServerKind kind) {
    for (const ServerDescription& description : descriptions) {
        if (description.kind == kind)
            return description;
    }
    return descriptions[sizeof descriptions / sizeof descriptions[0] - 1];
}

bool holdsRefusedUpdate(const std::string& body) {
    for (const ServerDescription& description : descriptions) {
        if (description.refusedUpdate != nullptr && body.find(description.refusedUpdate) != std::string::npos)
            return true;
    }
    return false;
}

LimitReached limitReachedIn(const std::string& words) {
    for (const ServerDescription& description : descriptions) {
        if (description.connectionLimitWords != nullptr && contains(words, description.connectionLimitWords))
            return LimitReached::connections;
        if (description.listenerLimitWords != nullptr && contains(words, description.listenerLimitWords))
            return LimitReached::listeners;
    }
    return LimitReached::none;
}
