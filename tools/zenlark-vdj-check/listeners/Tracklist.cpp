// Tracklist lines: the time from the start of the watch, then the title.
#include "listeners/Tracklist.h"

#include <cstdio>

std::string tracklistLine(double secondsFromStart, const std::string& title) {
    const long long seconds = secondsFromStart < 0 ? 0 : static_cast<long long>(secondsFromStart);
    char clock[32];
    std::snprintf(clock, sizeof clock, "%02lld:%02lld:%02lld ", seconds / 3600, seconds / 60 % 60,
                  seconds % 60);
    return clock + title;
}

std::optional<std::string> TracklistLines::lineFor(const std::string& title, double secondsFromStart) {
    if (title.empty() || title == lastWritten_)
        return std::nullopt;
    lastWritten_ = title;
    return tracklistLine(secondsFromStart, title);
}
