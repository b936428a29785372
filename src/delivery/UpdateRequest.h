// The prepared request of one title update: where it goes and its request target.
#pragma once

#include "delivery/DeliveryReport.h"
#include "delivery/ServerDialect.h"
#include "delivery/UrlCracking.h"
#include "settings/StreamSettings.h"

#include <optional>
#include <string>

struct UpdateRequest {
    ServerAddress address;
    std::wstring updateTarget; // ASCII: path and query, ready for the request line
};

// Nothing when the settings are not ready, the text is empty or the address is refused;
// `report` then says which. Touches no network.
std::optional<UpdateRequest> prepareUpdateRequest(const StreamSettings& settings, const std::string& trackText,
                                                  DeliveryReport& report);
std::optional<UpdateRequest> prepareUpdateRequest(const StreamSettings& settings, const std::string& trackText);

// The dialect's target after `basePath`, every value as percent-encoded UTF-8. The track text
// is host text: read as UTF-8 when well-formed, else in the ANSI code page.
std::wstring buildUpdateTarget(const std::wstring& basePath, ServerDialect dialect, const StreamSettings& settings,
                               const std::string& trackText);
