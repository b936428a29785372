// Asks the host what the audience hears and returns the audible deck's track text.
#pragma once

#include "host/HostInterface.h"

#include <string>

// Nine numeric queries (crossfader, then play and volume of decks 1 to 4), then artist and
// title of the chosen deck. Empty when no deck is audible or the host's callbacks are not set.
std::string readNowPlaying(const PluginObject& plugin);
