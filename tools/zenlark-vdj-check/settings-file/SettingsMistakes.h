// Mistakes in a section's values that the plug-in takes as written without a word: a comment
// behind a value, an Icecast user name in capitals, a protocol it does not know, a Shoutcast
// password with ":", a password with invisible spaces at an end, a server_url with user
// information or whose path is a listen address or an admin page, a title delay it cannot use as
// written, a skip list split by commas.
#pragma once

#include "server-answer/ShoutcastStreams.h"
#include "settings-file/SettingsKeys.h"

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

// Keys that change what listeners see: the title's text, when it comes, which titles never do.
bool isTitleKey(const std::string& key);

// One section's values as UTF-8, each with its key, in the file's order of keys.
struct SectionValues {
    std::vector<std::pair<std::string, std::string>> values;
    std::string value(const std::string& key) const;
};

struct SettingsWarning {
    std::string key;  // the key whose value is wrong
    std::string what; // what is wrong, in plain words
    std::string fix;  // the line to write instead, or what to do
    // It changes what listeners see (the title's text, or when and whether a title comes), so it
    // is a problem even when the server takes the update.
    bool reachesListeners = false;
    // The plug-in does not read what the file says (a second section or key, a value cut short),
    // or its updates reach another stream than the file names: a problem whatever the server
    // did, and the one the verdict names first.
    bool notAsWritten = false;
};

// `liveMounts`: the mounts the server streams, when its status tells them, and `streams`, the
// streams Shoutcast DNAS lists; they let a path in server_url be recognised as one of them.
std::vector<SettingsWarning> findSettingsMistakes(const SectionValues& section,
                                                  const std::vector<std::string>& liveMounts = {},
                                                  const std::vector<ShoutcastStream>& streams = {});

// A value longer than the settings reader takes: it reads only the first longestSettingValue
// characters of `key`'s `length`.
SettingsWarning cutValueWarning(const std::string& key, std::size_t length);

// The title delay `written` means, with "," for the decimal point and a unit behind the number
// ("5s", "2,5 sec") put right, where the plug-in then reads it as written; empty where it does not.
std::string meantTitleDelay(const std::string& written);

// True for the protocol values with which the plug-in sends Shoutcast's update.
bool isShoutcast(const std::string& protocol);

// True for the protocol values the plug-in knows by name (any case): icecast, icecast2, empty,
// sc1, sc2, and any value holding "shoutcast".
bool isKnownProtocol(const std::string& protocol);
