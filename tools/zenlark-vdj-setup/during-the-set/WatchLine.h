// What a line of the check tool's watch says about the titles of a set, for the window that
// shows the watch: a title listeners now see, titles stopping, titles coming through again.
#pragma once

#include <string>

enum class WatchNews {
    nothing, // a line that changes nothing shown: where it listens, the end of a wait
    title,   // listeners now see `text` ("" for no title)
    trouble, // titles do not get through: `text` says why
    flowing, // the stream is heard, or titles get through again: `text` says so
};

struct WatchLine {
    WatchNews news = WatchNews::nothing;
    std::string text;  // the line's words without its time
    std::string clock; // the time the watch put in front of it ("22:53:05"), if any
};

// Reads one line as the watch prints it: "22:53:05  Listeners see: Artist - Title",
// "22:53:05  The stream dropped: ...", "Titles are not getting through since ...", "PROBLEM: ...".
WatchLine readWatchLine(const std::string& line);
