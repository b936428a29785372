// The title filter of Shoutcast DNAS 2, as measured on DNAS 2.6.
#include "delivery/ShoutcastTitleFilter.h"

#include <cstring>

// Whole titles it drops.
static const char* const placeholders[] = {
    "-",    "http://", "https://", "auto dj",    "ao vivo", "unknown",
    "test", "dsp",     "demo",     "line input", "preview",
};

// Texts a title may not hold anywhere.
static const char* const forbiddenContents[] = {
    "!doctype", "<script", "<html", "<body", "<div", "%] ", "invalid resource", "radio online",
};

// Beginnings it drops. The match is at the start only: "Daft Punk - Main Stream Mix" passes.
static const char* const forbiddenStarts[] = {
    "get /",   "put /",      "post /",      "head /",   "source /", "track ",    "track0", "track1",
    "stream ", "no artist ", "new artist ", "line-in ", "inter_",   "artist - ", "- ",     ". ",
};

// Punctuation a title may not start with. Others ("#", "&", "-", "@" ...) pass.
static const char forbiddenFirstCharacters[] = "$%*+[{}()?_~^`'.,/!:;\"";

// U+2060 WORD JOINER in UTF-8. It and U+200B both pass the filter, and mpv 0.35 shows either at a
// title's start as nothing, in its terminal lines and on its OSD alike (measured: the same pixels
// as without). The word joiner has only ever been an invisible format character; U+200B was a
// space before Unicode 4.0.1 and still marks a place to break a line.
static const char invisibleStart[] = "\xE2\x81\xA0";

// The title as the filter compares it: without blanks around it, ASCII letters in lower case.
static std::string trimmedLowerCase(const std::string& text) {
    static const char blanks[] = " \t\r\n\v\f";
    const std::size_t begin = text.find_first_not_of(blanks);
    if (begin == std::string::npos)
        return std::string();
    std::string lowered = text.substr(begin, text.find_last_not_of(blanks) - begin + 1);
    for (char& c : lowered) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return lowered;
}

static bool isPlaceholder(const std::string& title) {
    for (const char* placeholder : placeholders) {
        if (title == placeholder)
            return true;
    }
    return false;
}

static bool holdsForbiddenContents(const std::string& title) {
    for (const char* contents : forbiddenContents) {
        if (title.find(contents) != std::string::npos)
            return true;
    }
    return false;
}

static bool hasForbiddenStart(const std::string& title) {
    for (const char* start : forbiddenStarts) {
        if (title.compare(0, std::strlen(start), start) == 0)
            return true;
    }
    return !title.empty() && std::memchr(forbiddenFirstCharacters, title.front(),
                                         sizeof(forbiddenFirstCharacters) - 1) != nullptr;
}

ShoutcastFilterMatch shoutcastFilterMatch(const std::string& utf8Title) {
    const std::string title = trimmedLowerCase(utf8Title);
    if (isPlaceholder(title))
        return ShoutcastFilterMatch::placeholder;
    if (holdsForbiddenContents(title))
        return ShoutcastFilterMatch::contents;
    if (hasForbiddenStart(title))
        return ShoutcastFilterMatch::start;
    return ShoutcastFilterMatch::passes;
}

bool shoutcastFilterRefuses(const std::string& utf8Title) {
    return shoutcastFilterMatch(utf8Title) != ShoutcastFilterMatch::passes;
}

std::string passShoutcastFilter(const std::string& utf8Title) {
    if (shoutcastFilterMatch(utf8Title) != ShoutcastFilterMatch::start)
        return utf8Title;
    return invisibleStart + utf8Title;
}
