// Sending the test title through the plug-in's own delivery code and explaining the answer.
#include "server-answer/UpdateCheck.h"

#include "Console.h"
#include "server-answer/AnswerVerdict.h"
#include "server-answer/PortBelow.h"
#include "settings-file/AddressProblem.h"

#include "delivery/SendUpdate.h"
#include "delivery/TextEncoding.h"

#include <utility>

constexpr std::size_t answerBytesToRead = 4096;

static std::string utf8(const std::wstring& text) {
    return utf8FromWide(text);
}

// The password travels as the last query value of a Shoutcast target; it is not shown.
static std::string maskedTarget(const std::wstring& target) {
    const std::string text = utf8(target);
    const std::size_t pass = text.rfind("&pass=");
    if (pass == std::string::npos)
        return text;
    return text.substr(0, pass) + "&pass=********";
}

static std::string requestLine(const UpdateRequest& request) {
    const std::string scheme = request.address.secure ? "https://" : "http://";
    return scheme + utf8(request.address.hostName) + ":" + std::to_string(request.address.port) +
           maskedTarget(request.updateTarget);
}

std::optional<UpdateRequest> showRequest(const StreamSettings& settings, const std::string& title,
                                         DeliveryReport& report) {
    std::optional<UpdateRequest> request = prepareUpdateRequest(settings, title, report);
    if (request)
        printLine("Request: GET " + requestLine(*request));
    return request;
}

static CheckOutcome outcomeOf(const StreamSettings& settings, const DeliveryReport& report,
                              std::string body) {
    CheckOutcome outcome;
    outcome.dialect = detectDialect(settings.protocol);
    outcome.report = report;
    outcome.answerBody = std::move(body);
    outcome.serverUrlMissing = settings.serverUrl.empty();
    outcome.passwordMissing = settings.password.empty();
    if (report.failedStep == DeliveryStep::badAddress)
        outcome.addressProblem = explainAddressProblem(settings.serverUrl);
    return outcome;
}

static void showProxy(SessionProxy proxy) {
    if (proxy == SessionProxy::automatic)
        printLine("Proxy: found automatically from this computer's settings");
    if (proxy == SessionProxy::winhttpSetting)
        printLine("Proxy: WinHTTP's own setting (netsh winhttp show proxy); this Windows finds no proxy "
                  "automatically");
}

static void showAnswer(const DeliveryReport& report, const std::string& body) {
    showProxy(report.proxy);
    if (report.status != 0)
        printLine("Server status: " + std::to_string(report.status));
    const std::string message = serverMessage(body);
    if (!message.empty())
        printLine("Server said: " + message);
}

// After a failure that an encoder's port gives, asks the port one lower (without a title or a
// password) whether a web server answers there.
static void askPortBelow(const UpdateRequest& request, CheckOutcome& outcome) {
    outcome.port = request.address.port;
    if (!mayBeSourcePort(outcome.report) || request.address.port <= 1)
        return;
    const std::string below = std::to_string(request.address.port - 1);
    const std::uint32_t status = statusOnPortBelow(request.address);
    printLine(
        "Port " + std::to_string(request.address.port) + " gave no HTTP answer; port " + below +
        (status == 0 ? " gives none either." : " answers HTTP (status " + std::to_string(status) + ")."));
    outcome.httpOnPortBelow = status != 0;
}

CheckVerdict sendAndJudge(const StreamSettings& settings, const std::optional<UpdateRequest>& request,
                          const std::string& title, DeliveryReport& report) {
    std::string body;
    if (request)
        sendUpdate(settings, title, report, &body, answerBytesToRead);
    showAnswer(report, body);
    CheckOutcome outcome = outcomeOf(settings, report, body);
    if (request)
        askPortBelow(*request, outcome);
    return judgeOutcome(outcome);
}
