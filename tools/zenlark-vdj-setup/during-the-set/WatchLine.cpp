// Telling the watch's lines apart by the words they start with.
#include "during-the-set/WatchLine.h"

#include "TextParts.h"

// "22:53:05  " in front of a line the watch times.
static bool startsWithClock(const std::string& line) {
    if (line.size() < 10 || line.compare(8, 2, "  ") != 0)
        return false;
    for (std::size_t at = 0; at < 8; ++at) {
        const bool colon = at == 2 || at == 5;
        if (colon != (line[at] == ':') || (!colon && (line[at] < '0' || line[at] > '9')))
            return false;
    }
    return true;
}

WatchLine readWatchLine(const std::string& line) {
    WatchLine read;
    read.text = line;
    if (startsWithClock(line)) {
        read.clock = line.substr(0, 8);
        read.text = line.substr(10);
    }
    const std::string& text = read.text;
    static const char listenersSee[] = "Listeners see: ";
    if (startsWith(text, listenersSee)) {
        read.news = WatchNews::title;
        read.text = text.substr(sizeof listenersSee - 1);
        if (read.text == "(no title)")
            read.text.clear();
        return read;
    }
    static const char* const troubles[] = {"The stream dropped", "Could not reconnect",
                                           "Titles are not getting through", "Nothing streams to",
                                           "PROBLEM: "};
    for (const char* trouble : troubles) {
        if (startsWith(text, trouble)) {
            read.news = WatchNews::trouble;
            return read;
        }
    }
    static const char* const flowing[] = {"Connected", "Reconnected", "Titles can get through again",
                                          "Titles get through since", "Your encoder streams to"};
    for (const char* words : flowing) {
        if (startsWith(text, words)) {
            read.news = WatchNews::flowing;
            return read;
        }
    }
    return read;
}
