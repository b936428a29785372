// Whether the server now shows the title that was sent, where the section's listeners are.
#pragma once

#include "server-answer/PublishedStatus.h"

#include "delivery/ServerDialect.h"

#include <optional>
#include <string>

struct ReadBack {
    enum class Result {
        notRead,      // the server publishes no title this tool can read
        shown,        // the title shows where the section's listeners are
        notShown,     // another title (or none) shows there
        elsewhere,    // Icecast put the title on another mount than the section's listeners hear
        encodedTwice, // the title shows there encoded twice, as the server's listeners get it
    };
    Result result = Result::notRead;
    std::string where;                  // "/live" or "stream 1"
    std::string shownTitle;             // for notShown and encodedTwice: what shows there
    std::string landedOn;               // for elsewhere: the mount that shows the title
    StatusPage page = StatusPage::none; // where it was read
};

// "Icecast" or "Shoutcast": whose status page the read-back came from.
const char* serverNameOf(const ReadBack& back);

// `mount` as the update names it ("/live"), `sentTitle` with the section's prefix and suffix, as
// listeners get it; a Shoutcast title is read where `after` read it. An Icecast server takes a
// Shoutcast-style update on its own Shoutcast mount: the title then counts as shown there when the section's
// mount has no source, and as gone elsewhere when the section's mount is live.
ReadBack readBack(const ServerView& after, ServerDialect dialect, const std::string& mount,
                  const std::string& sentTitle);

// The mount whose listeners get the title, for the watch: the one it landed on, if Icecast
// shows it there.
std::optional<std::string> mountShowing(const ServerView& view, const std::string& sentTitle);
