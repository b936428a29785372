// One request with the update's credentials and user agent, but no title.
#include "server-answer/AccessProbe.h"

#include "server-answer/ServerLook.h"
#include "server-answer/SourceCheck.h"

#include "delivery/HttpExchange.h"
#include "delivery/TextEncoding.h"
#include "delivery/UpdateTarget.h"

constexpr std::size_t answerBytesToRead = 4096;

AccessAnswer askAccess(const StreamSettings& settings) {
    // The server, path, stream id and password as the look at its status pages takes them.
    const std::optional<LookPlace> place =
        lookPlaceOf(settings.serverUrl, settings.protocol, settings.sid, settings.password);
    if (!place)
        return AccessAnswer{};
    const std::string target =
        accessCheckTarget(place->dialect, place->basePath, mountPoint(utf8FromWide(settings.mount)),
                          place->sid, place->password);
    const UpdateRequest request{place->address, std::wstring(target.begin(), target.end())};
    DeliveryReport report;
    std::string body;
    issueUpdateRequest(request, UpdateMethod::get, settings.username, settings.password, report, &body,
                       answerBytesToRead);
    return AccessAnswer{judgeAccess(place->dialect, report.status, body),
                        sourceInAnswer(place->dialect, report.status, body)};
}
