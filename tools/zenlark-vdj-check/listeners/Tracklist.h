// The set's tracklist as listeners received it: one line per new title, timed from the start of
// the watch.
#pragma once

#include <optional>
#include <string>

// "00:03:12 Artist - Title": whole seconds from the start of the watch; the hours take as many
// digits as they need. No line end.
std::string tracklistLine(double secondsFromStart, const std::string& title);

// Which titles get a line. A title listeners receive again (after a drop and a reconnect, or
// after a moment without a title) was already written; a moment without a title is no track.
class TracklistLines {
public:
    std::optional<std::string> lineFor(const std::string& title, double secondsFromStart);

private:
    std::optional<std::string> lastWritten_;
};
