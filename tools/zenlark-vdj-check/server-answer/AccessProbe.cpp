// One request with the update's credentials and user agent, but no title.
#include "server-answer/AccessProbe.h"

#include "delivery/HttpExchange.h"
#include "delivery/TextEncoding.h"
#include "delivery/UpdateTarget.h"
#include "delivery/UrlCracking.h"

constexpr std::size_t answerBytesToRead = 4096;

static std::string utf8(const std::wstring& text) {
    return utf8FromWide(text);
}

Access askAccess(const StreamSettings& settings) {
    const std::optional<ServerAddress> address = crackServerUrl(settings.serverUrl);
    if (!address)
        return Access::unanswered;
    const ServerDialect dialect = detectDialect(settings.protocol);
    const std::string target = accessCheckTarget(
        dialect, escapeBasePath(utf8(basePath(address->urlPath))), mountPoint(utf8(settings.mount)),
        utf8(settings.sid.empty() ? L"1" : settings.sid), utf8(settings.password));
    const UpdateRequest request{*address, std::wstring(target.begin(), target.end())};
    DeliveryReport report;
    std::string body;
    issueUpdateRequest(request, UpdateMethod::get, settings.username, settings.password, report, &body,
                       answerBytesToRead);
    return judgeAccess(dialect, report.status, body);
}
