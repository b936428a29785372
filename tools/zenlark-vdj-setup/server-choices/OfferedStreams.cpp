// Turning the look at a server into the choices the window offers.
#include "server-choices/OfferedStreams.h"

#include "TextParts.h"

std::string offerLabel(const OfferedStream& offer) {
    std::string label = offer.sid.empty() ? offer.mount : "stream " + offer.sid;
    if (!offer.sid.empty() && !offer.mount.empty())
        label += ", " + offer.mount;
    if (!offer.format.empty())
        label += ", " + offer.format;
    return label + (offer.live ? ", live now" : ", no encoder now");
}

// A DNAS stream names its format only while a source streams to it.
static std::string streamFormat(const ShoutcastStream& stream) {
    if (stream.contentType.empty())
        return std::string();
    return formatName(MountStatus{stream.path, stream.contentType, "", std::nullopt});
}

std::vector<OfferedStream> offeredStreams(const ServerView& view) {
    std::vector<OfferedStream> offers;
    for (const MountStatus& mount : view.mounts)
        offers.push_back(OfferedStream{mount.path, "", formatName(mount), true, mount.title.value_or("")});
    for (const ShoutcastStream& stream : view.streams)
        offers.push_back(OfferedStream{stream.path, std::to_string(stream.id), streamFormat(stream),
                                       stream.live, stream.title});
    return offers;
}

std::optional<OfferedStream> offerNamed(const std::vector<OfferedStream>& offers, const std::string& text) {
    const std::string wanted = trimmed(text);
    for (const OfferedStream& offer : offers) {
        if (wanted == offerLabel(offer) || wanted == offer.mount ||
            (!offer.sid.empty() && wanted == offer.sid))
            return offer;
    }
    return std::nullopt;
}

std::optional<ServerKindChoice> kindSeen(const ServerView& view) {
    switch (view.kind) {
    case ServerKind::icecast:
    case ServerKind::icecast25:
    case ServerKind::icecastKh:
        return ServerKindChoice::icecast;
    case ServerKind::shoutcastDnas:
        return ServerKindChoice::shoutcast2;
    case ServerKind::unknown:
        break;
    }
    return view.page == StatusPage::icecast ? std::optional(ServerKindChoice::icecast) : std::nullopt;
}

static std::string countOf(std::size_t count, const char* one, const char* many) {
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

std::string serverInWords(const ServerView& view) {
    if (view.noAnswerError != 0)
        return "No web server answers at this address (Windows error " + std::to_string(view.noAnswerError) +
               "): check host and port.";
    const std::string name = !view.serverName.empty()           ? view.serverName
                             : view.kind != ServerKind::unknown ? describeServer(view.kind).name
                                                                : std::string();
    if (!view.streams.empty()) {
        std::size_t live = 0;
        for (const ShoutcastStream& stream : view.streams)
            live += stream.live ? 1 : 0;
        return (name.empty() ? std::string("Shoutcast") : name) + ": " +
               countOf(view.streams.size(), "stream", "streams") + ", " + std::to_string(live) + " live.";
    }
    if (view.page == StatusPage::icecast)
        return (name.empty() ? std::string("Icecast") : name) + ": " +
               (view.mounts.empty() ? std::string("no mount is live now; start your encoder.")
                                    : countOf(view.mounts.size(), "mount", "mounts") + " live.");
    if (view.page != StatusPage::none)
        return (name.empty() ? std::string("Shoutcast") : name) + ": stream " + view.sid + " answers.";
    if (!name.empty())
        return name + " answers, but publishes no list of its streams: type the mount or stream.";
    return "A server answers, but publishes no list of its streams (Liquidsoap's harbor and Shoutcast 1 "
           "publish none): type the mount or stream.";
}
