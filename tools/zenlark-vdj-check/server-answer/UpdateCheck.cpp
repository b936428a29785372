// Sending the test title through the plug-in's own delivery code and explaining the answer.
#include "server-answer/UpdateCheck.h"

#include "Console.h"
#include "WinHttpErrors.h"
#include "server-answer/AnswerVerdict.h"
#include "server-answer/PageFetch.h"
#include "server-answer/PortProbe.h"
#include "server-answer/ReadBack.h"
#include "server-answer/ServerKind.h"
#include "settings-file/AddressProblem.h"

#include "delivery/HttpExchange.h"
#include "delivery/TextEncoding.h"
#include "delivery/UpdateTarget.h"

#include <chrono>
#include <thread>
#include <utility>

constexpr std::size_t answerBytesToRead = 4096;
// Shoutcast serves some status pages from a cache up to about a second old, and Icecast's
// status may lag an update by a moment: the read-back asks a few times before it judges.
constexpr int readBackTries = 10;
constexpr auto readBackPause = std::chrono::milliseconds(300);

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

static std::string serverPart(const UpdateRequest& request) {
    const std::string scheme = request.address.secure ? "https://" : "http://";
    return scheme + utf8(request.address.hostName) + ":" + std::to_string(request.address.port);
}

static std::string requestLine(const UpdateRequest& request) {
    return serverPart(request) + maskedTarget(request.updateTarget);
}

// The POST that follows a GET the server refused with 405 carries the query as its form body.
static void showPost(const UpdateRequest& request) {
    const std::string target = utf8(request.updateTarget);
    printLine("The server refused the GET (status 405). Request: POST " + serverPart(request) +
              target.substr(0, target.find('?')) + " with the same query as a form body");
}

std::optional<UpdateRequest> showRequest(const StreamSettings& settings, const std::string& title,
                                         DeliveryReport& report) {
    std::optional<UpdateRequest> request = prepareUpdateRequest(settings, title, report);
    if (request)
        printLine("Request: GET " + requestLine(*request));
    return request;
}

static std::optional<LookPlace> placeOf(const StreamSettings& settings) {
    std::optional<LookPlace> place =
        lookPlaceOf(settings.serverUrl, settings.protocol, settings.sid, settings.password);
    if (place)
        place->mount = mountPoint(utf8(settings.mount));
    return place;
}

static std::string mountsInWords(const ServerView& view) {
    std::string list = view.mounts.empty() ? "no mount is live" : "it streams ";
    for (std::size_t i = 0; i < view.mounts.size(); ++i)
        list += (i == 0 ? "" : ", ") + view.mounts[i].path + " (" + formatName(view.mounts[i]) + ")";
    for (const std::string& idle : view.mountsWithoutSource)
        list += "; " + idle + " has no encoder";
    return list;
}

static void showView(const ServerView& view, const std::string& when) {
    const std::string name = view.serverName.empty() ? std::string("The server") : view.serverName;
    const std::string owner = view.kind == ServerKind::unknown
                                  ? std::string()
                                  : describeServer(view.kind).name + std::string("'s ");
    if (view.page == StatusPage::icecast)
        printLine(when + ": " + name + "'s status says " + mountsInWords(view) + ".");
    else if (view.page != StatusPage::none)
        printLine(when + ": " + owner + "stream " + view.sid + " shows " +
                  titleInWords(view.title.value_or(std::string())) + ".");
    if (view.streams.size() > 1) {
        std::vector<std::string> listed;
        for (const ShoutcastStream& stream : view.streams)
            listed.push_back(streamInWords(stream));
        printLine("Its streams: " + listInWords(listed) + ".");
    }
}

// A server that takes the connection and never answers holds each request for its whole time limit.
constexpr auto waitBeforeSayingSo = std::chrono::seconds(2);

std::optional<ServerView> lookBeforeUpdate(const StreamSettings& settings) {
    const std::optional<LookPlace> place = placeOf(settings);
    if (!place)
        return std::nullopt;
    ServerView view;
    {
        const LineIfSlow waiting("Waiting for the server's status page ...", waitBeforeSayingSo);
        view = lookAtServer(*place);
    }
    showView(view, "Server before the update");
    return view;
}

std::vector<std::string> liveMountPaths(const std::optional<ServerView>& view) {
    std::vector<std::string> paths;
    if (view) {
        for (const MountStatus& mount : view->mounts)
            paths.push_back(mount.path);
    }
    return paths;
}

static CheckOutcome outcomeOf(const StreamSettings& settings, const DeliveryReport& report,
                              std::string body) {
    CheckOutcome outcome;
    outcome.dialect = detectDialect(settings.protocol);
    outcome.report = report;
    outcome.answerBody = std::move(body);
    outcome.serverUrlMissing = settings.serverUrl.empty();
    outcome.passwordMissing = settings.password.empty();
    outcome.serverUrl = utf8(settings.serverUrl);
    outcome.username = utf8(settings.username);
    outcome.mount = mountPoint(utf8(settings.mount));
    outcome.sid = utf8(settings.sid.empty() ? L"1" : settings.sid);
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

// After a plain-http exchange that a TLS port gives (no web answer), or an https one whose
// secure connection failed, asks the same port over TLS, without a title or a password, whether it
// speaks https and what Windows makes of its certificate.
static void askTls(const UpdateRequest& request, CheckOutcome& outcome) {
    const DeliveryReport& report = outcome.report;
    const bool worthAsking =
        request.address.secure ? mayBePlainHttpPort(report) && winhttpError::isTlsError(report.platformError)
                               : mayBeSourcePort(report);
    if (!worthAsking)
        return;
    const PortTls tls = tlsOnPort(request.address);
    outcome.tlsOnPort = request.address.secure && tls == PortTls::trusted ? PortTls::none : tls;
    if (tls == PortTls::unknownAuthority || tls == PortTls::otherCertificateProblem)
        printLine("Port " + std::to_string(request.address.port) +
                  " speaks https with a certificate Windows does not accept.");
    else if (tls == PortTls::trusted && !request.address.secure)
        printLine("Port " + std::to_string(request.address.port) + " speaks https.");
}

// After a failure that an encoder's port gives, asks the port one lower (without a title or a
// password) whether a web server answers there.
static void askPortBelow(const UpdateRequest& request, CheckOutcome& outcome) {
    outcome.port = request.address.port;
    if (!mayBeSourcePort(outcome.report) || request.address.port <= 1)
        return;
    const std::string below = std::to_string(request.address.port - 1);
    const std::uint32_t status = statusOnPortBelow(request.address);
    printLine("Port " + std::to_string(request.address.port) + " gave no web answer; port " + below +
              (status == 0 ? " gives none either." : " answers as a web server does."));
    outcome.httpOnPortBelow = status != 0;
}

// The look before the update met this https port without a secure answer, in a way a plain-http
// port gives; it has then asked the port over plain http already.
static bool lookFailedOverHttps(const UpdateRequest& request, const std::optional<ServerView>& before) {
    return request.address.secure && before && mayBePlainHttpError(before->noAnswerError);
}

// After an https exchange failed, asks the same port over plain http, without a title or a
// password, unless the look before the update asked already.
static void askPlainHttp(const UpdateRequest& request, const std::optional<ServerView>& before,
                         CheckOutcome& outcome) {
    if (!request.address.secure || !mayBePlainHttpPort(outcome.report) ||
        lookFailedOverHttps(request, before))
        return;
    outcome.plainHttpOnPort = statusOverPlainHttp(request.address) != 0;
    if (outcome.plainHttpOnPort)
        printLine("Port " + std::to_string(request.address.port) + " answers plain http.");
}

// After a redirect, asks server_url's own address, without a title or a password, where it leads.
static void askWhereItLeads(const StreamSettings& settings, CheckOutcome& outcome) {
    const std::optional<LookPlace> place = placeOf(settings);
    if (!place || outcome.report.status < 300 || outcome.report.status >= 400)
        return;
    const std::string target = place->basePath + "/";
    outcome.redirectedTo = fetchPage(place->address, place->address.port, place->address.secure,
                                     std::wstring(target.begin(), target.end()))
                               .location;
}

// Icecast 2.5 leaves a mount out of its status while no encoder feeds it, though it plays the
// mount's fallback to listeners. Asked as a listener asks, without a title or a password, such a
// mount answers with audio; one that does not exist answers 404.
static void askMountPlays(const StreamSettings& settings, CheckOutcome& outcome) {
    const bool refused = outcome.report.status == 400 || outcome.report.status == 404;
    const bool plainMount =
        outcome.mount.find_first_not_of(
            "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789-._~/") == std::string::npos;
    if (!refused || !plainMount || outcome.dialect != ServerDialect::Icecast || !outcome.before ||
        outcome.before->page != StatusPage::icecast || findMount(*outcome.before, outcome.mount) != nullptr)
        return;
    const std::optional<LookPlace> place = placeOf(settings);
    if (!place)
        return;
    const std::string target = place->basePath + outcome.mount;
    const PageAnswer answer = fetchPage(place->address, place->address.port, place->address.secure,
                                        std::wstring(target.begin(), target.end()));
    outcome.mountPlays = answer.status == 200 && !isPageContentType(answer.contentType);
}

// DNAS throws away at once the title of a stream it does not host or that has no source: one
// read tells.
static int readBackTriesFor(const std::optional<ServerView>& before) {
    if (!before || before->streams.empty())
        return readBackTries;
    const ShoutcastStream* stream = findStream(before->streams, dnasStreamOf(before->sid, std::string()));
    return stream != nullptr && stream->live ? readBackTries : 1;
}

// Reads the server's status again until it shows the title where it belongs, or the tries end.
static ReadBack readBackAfterUpdate(const StreamSettings& settings, CheckOutcome& outcome) {
    const std::optional<LookPlace> place = placeOf(settings);
    if (!place)
        return ReadBack{};
    const ServerKind kind = outcome.before ? outcome.before->kind : ServerKind::unknown;
    const std::vector<ShoutcastStream> streams =
        outcome.before ? outcome.before->streams : std::vector<ShoutcastStream>();
    const int tries = readBackTriesFor(outcome.before);
    ReadBack back;
    for (int attempt = 0; attempt < tries; ++attempt) {
        if (attempt > 0)
            std::this_thread::sleep_for(readBackPause);
        const ServerView view = lookAgainAt(*place, kind, streams);
        back = readBack(view, outcome.dialect, outcome.mount, outcome.sentTitle);
        if (back.result != ReadBack::Result::notShown)
            break;
    }
    return back;
}

static void showReadBack(const ReadBack& back) {
    if (back.result == ReadBack::Result::shown)
        printLine("Read back: " + back.where + " now shows the title.");
    if (back.result == ReadBack::Result::notShown)
        printLine("Read back: " + back.where + " shows " + titleInWords(back.shownTitle) + ".");
    if (back.result == ReadBack::Result::elsewhere)
        printLine("Read back: " + back.landedOn + " shows the title, " + back.where + " does not.");
    if (back.result == ReadBack::Result::encodedTwice)
        printLine("Read back: " + back.where +
                  " shows the title encoded twice: " + titleInWords(back.shownTitle) + ".");
}

// An https address whose port gave the look before the update no secure answer, but answers
// plain http: the update would fail the same way after the full wait, so it is not sent.
static bool plainHttpBeforeSending(const UpdateRequest& request, const std::optional<ServerView>& before,
                                   DeliveryReport& report) {
    if (!lookFailedOverHttps(request, before) || statusOverPlainHttp(request.address) == 0)
        return false;
    printLine("Port " + std::to_string(request.address.port) +
              " answers plain http; nothing sent over https.");
    report.failedStep = DeliveryStep::sendRequest;
    report.platformError = before->noAnswerError;
    return true;
}

UpdateResult sendAndJudge(const StreamSettings& settings, const std::optional<UpdateRequest>& request,
                          const std::string& title, const std::string& listenersTitle,
                          const std::optional<ServerView>& before, DeliveryReport& report) {
    std::string body;
    const bool plainHttp = request && plainHttpBeforeSending(*request, before, report);
    if (request && !plainHttp) {
        printLine("Sending title: " + title);
        const LineIfSlow waiting("Waiting for the server's answer (up to 10 s) ...", waitBeforeSayingSo);
        ServerMethods methods = ServerMethods::getThenPost;
        deliverUpdate(*request, settings.username, settings.password, methods, report, &body,
                      answerBytesToRead);
        if (report.method == UpdateMethod::post)
            showPost(*request);
    }
    showAnswer(report, body);
    CheckOutcome outcome = outcomeOf(settings, report, body);
    outcome.sentTitle = listenersTitle;
    outcome.before = before;
    outcome.plainHttpOnPort = plainHttp;
    if (request && !plainHttp) {
        askPortBelow(*request, outcome);
        askPlainHttp(*request, before, outcome);
        // An encoder's port may hold a TLS greeting until the time limit: it is asked only when
        // the port below gave no web answer.
        if (!outcome.plainHttpOnPort && !outcome.httpOnPortBelow)
            askTls(*request, outcome);
        askWhereItLeads(settings, outcome);
        askMountPlays(settings, outcome);
    }
    // A refusal behind a 200 needs no read-back: the title cannot be there.
    if (request && report.failedStep == DeliveryStep::none && !holdsRefusedUpdate(body)) {
        outcome.readBack = readBackAfterUpdate(settings, outcome);
        showReadBack(outcome.readBack);
    }
    UpdateResult result;
    result.verdict = judgeOutcome(outcome);
    result.sent = request && !plainHttp;
    result.credentialsRefused = loginRefused(report);
    if (outcome.readBack.result == ReadBack::Result::shown && outcome.readBack.page == StatusPage::icecast)
        result.landedOn = outcome.readBack.where;
    return result;
}
