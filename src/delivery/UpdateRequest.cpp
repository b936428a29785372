// Preparing the update request from the settings and the track text.
#include "delivery/UpdateRequest.h"

#include "delivery/TextEncoding.h"
#include "delivery/UpdateTarget.h"

// The composed target is ASCII, so each byte widens to the same character.
static std::wstring wideFromAscii(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }

std::wstring songText(const StreamSettings& settings, const std::string& trackText) {
    return settings.titlePrefix + wideFromHostText(trackText) + settings.titleSuffix;
}

std::string sentSong(const StreamSettings& settings, const std::string& trackText) {
    return songForDialect(detectDialect(settings.protocol), utf8FromWide(songText(settings, trackText)));
}

std::wstring buildUpdateTarget(const std::wstring& basePath, ServerDialect dialect, const StreamSettings& settings,
                               const std::string& trackText) {
    UpdateTargetParts parts;
    parts.basePath = utf8FromWide(basePath);
    parts.mount = utf8FromWide(settings.mount);
    parts.sid = utf8FromWide(settings.sid);
    parts.song = utf8FromWide(songText(settings, trackText));
    parts.password = utf8FromWide(settings.password);
    return wideFromAscii(composeUpdateTarget(dialect, parts));
}

static std::optional<UpdateRequest> refuse(DeliveryReport& report, DeliveryStep step, std::uint32_t platformError) {
    report.failedStep = step;
    report.platformError = platformError;
    return std::nullopt;
}

std::optional<UpdateRequest> prepareUpdateRequest(const StreamSettings& settings, const std::string& trackText,
                                                  DeliveryReport& report) {
    if (!settings.ready)
        return refuse(report, DeliveryStep::notReady, 0);
    if (trackText.empty())
        return refuse(report, DeliveryStep::emptyText, 0);
    std::uint32_t platformError = 0;
    std::optional<ServerAddress> address = crackServerUrl(settings.serverUrl, platformError);
    if (!address)
        return refuse(report, DeliveryStep::badAddress, platformError);

    UpdateRequest request;
    request.updateTarget =
        buildUpdateTarget(basePath(address->urlPath), detectDialect(settings.protocol), settings, trackText);
    request.address = std::move(*address);
    return request;
}

std::optional<UpdateRequest> prepareUpdateRequest(const StreamSettings& settings, const std::string& trackText) {
    DeliveryReport report;
    return prepareUpdateRequest(settings, trackText, report);
}

// Two settings update the same stream when they name the same server (scheme, host in any case,
// port, path) and the same mount (Icecast) or stream id (Shoutcast): the update target up to its
// song is the dialect's own reading of the path and the mount or sid.
std::optional<std::wstring> serverIdentity(const StreamSettings& settings) {
    const std::optional<ServerAddress> address = crackServerUrl(settings.serverUrl);
    if (!address)
        return std::nullopt;
    std::wstring host = address->hostName;
    for (wchar_t& c : host) {
        if (c >= L'A' && c <= L'Z')
            c = static_cast<wchar_t>(c - L'A' + L'a');
    }
    const std::wstring target =
        buildUpdateTarget(basePath(address->urlPath), detectDialect(settings.protocol), settings, std::string());
    return std::wstring(address->secure ? L"https://" : L"http://") + host + L":" + std::to_wstring(address->port) +
           target.substr(0, target.find(L"&mode="));
}
