// Mistakes in a section's values that the plug-in takes as written without a word: a comment
// behind a value, a protocol it does not know, a Shoutcast password with ":", and a server_url
// whose path is a listen address or an admin page.
#pragma once

#include <string>
#include <utility>
#include <vector>

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
};

// `liveMounts`: the mounts the server streams, when its status tells them; they let a path in
// server_url be recognised as one of them.
std::vector<SettingsWarning> findSettingsMistakes(const SectionValues& section,
                                                  const std::vector<std::string>& liveMounts = {});

// server_url with only scheme, host and port, and a trailing "/": what a DJ should write.
std::string serverRoot(const std::string& serverUrl);

// True for the protocol values the plug-in knows by name (any case): icecast, icecast2, empty,
// sc1, sc2, and any value holding "shoutcast".
bool isKnownProtocol(const std::string& protocol);
