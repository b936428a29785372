// The mounts or streams a server offers, as the window lists them for the DJ to pick one.
#pragma once

#include "settings-form/ServerForm.h"

#include "server-answer/PublishedStatus.h"

#include <optional>
#include <string>
#include <vector>

struct OfferedStream {
    std::string mount;  // the path listeners play: Icecast's mount, a Shoutcast stream's path
    std::string sid;    // Shoutcast's stream number; empty on Icecast
    std::string format; // "MP3", "AAC", ...; empty when the server does not say
    bool live = false;  // an encoder streams to it now
    std::string title;  // what listeners see there now, when the server says
};

// "/live, MP3, live now"; "stream 3, /live3, live now".
std::string offerLabel(const OfferedStream& offer);

// Every mount or stream the view lists, in the server's order: Icecast lists its live mounts
// only, Shoutcast DNAS every stream it hosts. A server that publishes no list (Liquidsoap's
// harbor, Shoutcast 1) offers nothing.
std::vector<OfferedStream> offeredStreams(const ServerView& view);

// The offer whose label or path is `text` (as a combo box's edit holds it), if any.
std::optional<OfferedStream> offerNamed(const std::vector<OfferedStream>& offers, const std::string& text);

// The kind the server's answers name, when they name one the window offers.
std::optional<ServerKindChoice> kindSeen(const ServerView& view);

// One line on what the look found: "Icecast 2.4.4: 2 mounts live." or why it found nothing.
std::string serverInWords(const ServerView& view);
