// The keys of a server section: the ones the plug-in reads, and the words DJs write for them
// instead, taken from encoders' and servers' own settings or misspelt.
#pragma once

#include <cstddef>
#include <string>

// The keys of a section the plug-in reads, in the order it reads them. The settings reader
// compares key names in any letter case.
constexpr const char* settingKeys[] = {"server_url",  "protocol",   "mount",        "sid",
                                       "username",    "password",   "title_prefix", "title_suffix",
                                       "title_delay", "skip_titles"};

// True for a key the plug-in reads, in any letter case.
bool isReadKey(const std::string& key);

// A word DJs write for one of the plug-in's keys, as encoders and servers name the setting.
struct KeyWord {
    const char* written; // lower case, without "_", "-", "." or blanks
    const char* meant;
};
extern const KeyWord keyWords[];
extern const std::size_t keyWordCount;

// The key the plug-in reads that a key it does not read most likely means: an encoder's or a
// server's word for it ("streamid" is sid, "host" and "port" are parts of server_url), the same
// key written with other separators ("Server-URL"), or a misspelling one or two letters away
// ("pasword"). Empty when nothing is close.
std::string meantKey(const std::string& written);
