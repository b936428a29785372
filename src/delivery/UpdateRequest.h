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

// The song as the update carries it: the settings' title prefix, the track text and their title
// suffix. The track text is host text, read as UTF-8 when well-formed, else in the ANSI code page.
std::wstring songText(const StreamSettings& settings, const std::string& trackText);

// The song as the server gets it, and so as its listeners see it, in UTF-8: songText, in the
// form the settings' dialect sends it (songForDialect).
std::string sentSong(const StreamSettings& settings, const std::string& trackText);

// The dialect's target after `basePath`, every value as percent-encoded UTF-8, with songText in
// the dialect's form (sentSong) as the song.
std::wstring buildUpdateTarget(const std::wstring& basePath, ServerDialect dialect, const StreamSettings& settings,
                               const std::string& trackText);

// What tells one server's stream from another: the address and the mount (Icecast) or stream id
// (Shoutcast) as the update reads them. Nothing for an address that cannot be used.
std::optional<std::wstring> serverIdentity(const StreamSettings& settings);
