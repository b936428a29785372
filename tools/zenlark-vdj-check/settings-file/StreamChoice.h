// Which stream of a Shoutcast server a section's updates reach, and whether that is the stream the
// DJ means. Shoutcast picks the stream by sid alone (DNAS also by ":#N" at the end of the
// password); a mount, which Icecast's DJs write, is never read. A server with several streams
// otherwise takes every title on stream 1, often the station's AutoDJ.
#pragma once

#include "server-answer/ShoutcastStreams.h"
#include "settings-file/SettingsMistakes.h"

#include <optional>
#include <string>
#include <vector>

// What a Shoutcast section says about its stream, as the plug-in reads it.
struct StreamChoice {
    std::optional<std::string> sid;   // none when the section has no sid (or an empty one)
    std::optional<std::string> mount; // none when the section has no mount (or an empty one)
    std::string password;
};

// The choices that reach another stream than the DJ means, each a problem whatever the server
// did: a sid that is no plain number, a ":#N" in the password that disagrees with sid, and, with
// the server's list of streams, a mount that names another stream than the one updated, or no
// sid where the server hosts several streams.
std::vector<SettingsWarning> findStreamChoiceMistakes(const StreamChoice& choice,
                                                      const std::vector<ShoutcastStream>& streams);
