// Sending the request that changes nothing, through the plug-in's own exchange.
#pragma once

#include "server-answer/AccessCheck.h"

#include "settings/StreamSettings.h"

#include <optional>

struct AccessAnswer {
    Access access = Access::unanswered;
    std::optional<bool> sourceLive; // whether the answer shows a source on the mount, where it tells
};

// Whether the server of `settings` takes their user name and password; unanswered for settings
// whose address cannot be used, as for a server that gives no answer.
AccessAnswer askAccess(const StreamSettings& settings);
