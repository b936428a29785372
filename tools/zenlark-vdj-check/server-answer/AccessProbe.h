// Sending the request that changes nothing, through the plug-in's own exchange.
#pragma once

#include "server-answer/AccessCheck.h"

#include "settings/StreamSettings.h"

// Whether the server of `settings` takes their user name and password; unanswered for settings
// whose address cannot be used, as for a server that gives no answer.
Access askAccess(const StreamSettings& settings);
