// What the server did with one title update: the request shown, the update sent as the plug-in
// sends it, the server's answer shown and judged.
#pragma once

#include "CheckVerdict.h"

#include "delivery/DeliveryReport.h"
#include "delivery/UpdateRequest.h"
#include "settings/StreamSettings.h"

#include <optional>
#include <string>

// The request the plug-in would send for `title`, shown with the password masked; nothing when
// it would send none, with `report` saying why.
std::optional<UpdateRequest> showRequest(const StreamSettings& settings, const std::string& title,
                                         DeliveryReport& report);

// Sends the update when there is a request, shows the server's answer and judges the outcome.
CheckVerdict sendAndJudge(const StreamSettings& settings, const std::optional<UpdateRequest>& request,
                          const std::string& title, DeliveryReport& report);
