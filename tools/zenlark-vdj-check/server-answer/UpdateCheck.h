// What the server did with one title update: what it showed before, the update sent as the
// plug-in sends it, the server's answer, and what it shows after.
#pragma once

#include "CheckVerdict.h"
#include "server-answer/ServerLook.h"

#include "delivery/DeliveryReport.h"
#include "delivery/UpdateRequest.h"
#include "settings/StreamSettings.h"

#include <optional>
#include <string>
#include <vector>

// The request the plug-in would send for `title`, shown with the password masked; nothing when
// it would send none, with `report` saying why.
std::optional<UpdateRequest> showRequest(const StreamSettings& settings, const std::string& title,
                                         DeliveryReport& report);

// What the server shows in public before the update, shown in a line; nothing when the
// address cannot be used.
std::optional<ServerView> lookBeforeUpdate(const StreamSettings& settings);

// The mounts a server's status lists, for telling a listen address in server_url.
std::vector<std::string> liveMountPaths(const std::optional<ServerView>& view);

struct UpdateResult {
    CheckVerdict verdict;
    bool sent = false;                   // a request went out
    bool credentialsRefused = false;     // 401 or 403
    std::optional<std::string> landedOn; // the Icecast mount whose status shows the title
};

// Sends the update when there is a request, shows the server's answer, reads the title back
// where the server publishes it, and judges the outcome. `listenersTitle` is the title with
// the section's prefix and suffix, as the server will show it.
UpdateResult sendAndJudge(const StreamSettings& settings, const std::optional<UpdateRequest>& request,
                          const std::string& title, const std::string& listenersTitle,
                          const std::optional<ServerView>& before, DeliveryReport& report);
