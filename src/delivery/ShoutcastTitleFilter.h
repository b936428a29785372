// Shoutcast DNAS 2's title filter: the titles it throws away while answering the update with the
// same empty 200 as a success, and how a title refused only for its start still gets through.
#pragma once

#include <string>

// Why the filter drops a title, read as the server reads it: trimmed of blanks, ASCII letters in
// lower case.
enum class ShoutcastFilterMatch {
    passes,
    placeholder, // the whole title is one of its placeholders: "test", "unknown", "-" ...
    contents,    // the title holds one of its listed texts: "<script", "radio online" ...
    start,       // it starts with punctuation or a listed word: "'Til Tuesday", "Track 1" ...
};

ShoutcastFilterMatch shoutcastFilterMatch(const std::string& utf8Title);

// True when the server would drop the title, for whatever reason.
bool shoutcastFilterRefuses(const std::string& utf8Title);

// The title a Shoutcast server takes: one the filter drops only for how it starts gets one
// invisible character in front, so it no longer starts that way; every other title, the empty
// one included, stays as it is.
std::string passShoutcastFilter(const std::string& utf8Title);
