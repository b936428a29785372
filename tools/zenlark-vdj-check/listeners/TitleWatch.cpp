// The watch: one listener thread reports, the caller's thread waits and judges.
#include "listeners/TitleWatch.h"

#include "Console.h"
#include "listeners/StreamAddress.h"
#include "listeners/TitleText.h"

#include "delivery/TextEncoding.h"
#include "delivery/UpdateTarget.h"
#include "delivery/UrlCracking.h"

#include <windows.h>

#include <cstdio>
#include <utility>

// The watch's state and Ctrl+C meet under one lock: the console's control handler runs on a
// thread of the system's and must wake the waiting caller.
struct WatchSignal {
    std::mutex mutex;
    std::condition_variable changed;
    bool interrupted = false;
};

static WatchSignal& watchSignal() {
    static WatchSignal signal;
    return signal;
}

void interruptWatch() {
    {
        const std::lock_guard<std::mutex> lock(watchSignal().mutex);
        watchSignal().interrupted = true;
    }
    watchSignal().changed.notify_all();
}

void resumeWatch() {
    const std::lock_guard<std::mutex> lock(watchSignal().mutex);
    watchSignal().interrupted = false;
}

static BOOL WINAPI onConsoleControl(DWORD event) {
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT && event != CTRL_CLOSE_EVENT)
        return FALSE;
    interruptWatch();
    return TRUE;
}

static std::wstring widened(const std::string& ascii) {
    return std::wstring(ascii.begin(), ascii.end());
}

static std::string kindWords(StreamKind kind, const std::wstring& sid) {
    if (kind == StreamKind::shoutcastV2)
        return "Shoutcast v2's address of stream " + utf8FromWide(sid.empty() ? L"1" : sid);
    if (kind == StreamKind::shoutcastV1)
        return "the Shoutcast v1 server's stream";
    return "the mount in the settings";
}

WatchAddress watchAddress(const StreamSettings& settings, const std::wstring& streamUrl) {
    WatchAddress address;
    if (!streamUrl.empty()) {
        address.target = streamTargetFromUrl(streamUrl);
        address.origin = "--stream";
        if (!address.target)
            address.problem = explainStreamFailure(StreamFailure{StreamStep::badAddress, 0, 0, {}});
        return address;
    }
    const std::optional<ServerAddress> server = crackServerUrl(settings.serverUrl);
    if (!server) {
        address.problem =
            CheckVerdict{false, "There is no stream to listen to: server_url is empty or cannot be used.",
                         "Set server_url in the settings file, or give the stream's address with "
                         "--stream."};
        return address;
    }
    const StreamKind kind = streamKind(settings.protocol, settings.sid);
    StreamTarget target;
    target.secure = server->secure;
    target.hostName = server->hostName;
    target.port = server->port;
    target.pathAndQuery = widened(streamPath(kind, utf8FromWide(server->urlPath),
                                             utf8FromWide(settings.mount), utf8FromWide(settings.sid)));
    address.target = target;
    address.origin = kindWords(kind, settings.sid);
    return address;
}

WatchAddress watchAddressOnMount(const StreamSettings& settings, const std::string& mountPath) {
    WatchAddress address = watchAddress(settings, std::wstring());
    if (!address.target)
        return address;
    address.target->pathAndQuery = widened(escapeBasePath(mountPath));
    address.origin = "the mount the title went to";
    return address;
}

TitleWatch::TitleWatch(const WatchAddress& address, LinePrinter print, std::string expected)
    : print_(print), target_(address.target.value()),
      shownAddress_(utf8FromWide(streamUrlText(address.target.value())) + " (" + address.origin + ")"),
      started_(std::chrono::steady_clock::now()), listener_(address.target.value(), *this) {
    if (!expected.empty())
        arrival_.emplace(std::move(expected));
}

TitleWatch::~TitleWatch() {
    listener_.stop();
}

void TitleWatch::say(const std::string& line) {
    print_(line);
    std::fflush(stdout); // a DJ, or a program reading the output, sees each line as it happens
}

std::string TitleWatch::sayAtTime(const std::string& text) {
    const std::string clock = timeOfDay();
    say(clock + "  " + text);
    return clock;
}

double TitleWatch::now() const {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - started_).count();
}

template <typename Done>
void TitleWatch::waitUntil(std::unique_lock<std::mutex>& lock,
                           std::optional<std::chrono::steady_clock::time_point> deadline, Done done) {
    const auto over = [&] { return watchSignal().interrupted || done(); };
    if (deadline)
        watchSignal().changed.wait_until(lock, *deadline, over);
    else
        watchSignal().changed.wait(lock, over);
}

void TitleWatch::begin() {
    SetConsoleCtrlHandler(onConsoleControl, TRUE);
    say("Listening to " + shownAddress_ + ", as a player does.");
    listener_.start();
}

bool TitleWatch::listensTo(const StreamTarget& target) const {
    return target.secure == target_.secure && target.port == target_.port &&
           CompareStringOrdinal(target.hostName.c_str(), -1, target_.hostName.c_str(), -1, TRUE) ==
               CSTR_EQUAL &&
           target.pathAndQuery == target_.pathAndQuery;
}

bool TitleWatch::awaitHeard() {
    std::unique_lock<std::mutex> lock(watchSignal().mutex);
    waitUntil(lock, std::nullopt, [this] { return heard_ || gaveUp_; });
    return !watchSignal().interrupted;
}

void TitleWatch::updateSent() {
    const std::lock_guard<std::mutex> lock(watchSignal().mutex);
    sentAt_ = std::chrono::steady_clock::now();
    if (arrival_)
        arrival_->updateSent(now());
}

CheckVerdict TitleWatch::awaitTitle(int seconds) {
    std::unique_lock<std::mutex> lock(watchSignal().mutex);
    if (!gaveUp_) {
        lock.unlock();
        say("Waiting up to " + std::to_string(seconds) + " s for the title to reach listeners ...");
        lock.lock();
    }
    const auto from = sentAt_.value_or(std::chrono::steady_clock::now());
    waitUntil(lock, from + std::chrono::seconds(seconds), [this] { return gaveUp_ || arrival_->arrived(); });
    const bool interrupted = watchSignal().interrupted && !arrival_->arrived();
    const std::optional<StreamFailure> failure = failure_;
    const TitleArrival arrival = *arrival_;
    ending_ = true;
    lock.unlock();
    listener_.stop();
    if (interrupted)
        return CheckVerdict{false, "stopped (Ctrl+C) before the title reached listeners.", ""};
    return arrival.verdict(seconds, failure);
}

int TitleWatch::watchToTheEnd(std::optional<int> seconds) {
    std::optional<std::chrono::steady_clock::time_point> deadline;
    if (seconds)
        deadline = started_ + std::chrono::seconds(*seconds);
    std::unique_lock<std::mutex> lock(watchSignal().mutex);
    if (ask_)
        askUntil(lock, deadline);
    else
        waitUntil(lock, deadline, [this] { return gaveUp_; });
    const bool interrupted = watchSignal().interrupted;
    const bool heard = heard_;
    const std::optional<StreamFailure> failure = failure_;
    ending_ = true;
    lock.unlock();
    if (heard)
        sayAtTime(interrupted ? "Stopped (Ctrl+C)." : "Stopped after " + std::to_string(*seconds) + " s.");
    listener_.stop();
    if (!heard) {
        const CheckVerdict why =
            failure ? explainStreamFailure(*failure)
                    : CheckVerdict{false, "The stream did not answer before the watch ended.",
                                   "Check the stream address, or watch for longer."};
        say("");
        say("PROBLEM: " + why.happened);
        if (!why.detail.empty())
            say("Detail: " + why.detail);
        say("What to do: " + why.advice);
        return 1;
    }
    return 0;
}

LimitReached TitleWatch::turnedAwayFor() const {
    const std::lock_guard<std::mutex> lock(watchSignal().mutex);
    return !heard_ && failure_ ? limitReachedOn(*failure_) : LimitReached::none;
}

void TitleWatch::askUntil(std::unique_lock<std::mutex>& lock,
                          std::optional<std::chrono::steady_clock::time_point> deadline) {
    const auto over = [&] {
        return watchSignal().interrupted || gaveUp_ ||
               (deadline && std::chrono::steady_clock::now() >= *deadline);
    };
    while (!over()) {
        askDue_ = false;
        const std::optional<std::string> newTitleAt = std::exchange(newTitleAt_, std::nullopt);
        lock.unlock();
        ask_(newTitleAt);
        lock.lock();
        const auto nextAsk = std::chrono::steady_clock::now() + askPeriod_;
        waitUntil(lock, deadline ? std::min(*deadline, nextAsk) : nextAsk,
                  [this] { return gaveUp_ || askDue_; });
    }
}

void TitleWatch::connected(bool again) {
    const std::lock_guard<std::mutex> lock(watchSignal().mutex);
    if (ending_)
        return;
    heard_ = true;
    dropped_ = false;
    askDue_ = askDue_ || again;
    failure_.reset();
    sayAtTime(again ? "Reconnected: listening again." : "Connected: listening for titles.");
    watchSignal().changed.notify_all();
}

void TitleWatch::titleReceived(const std::string& bytes) {
    const std::string title = displayTitle(bytes);
    const std::lock_guard<std::mutex> lock(watchSignal().mutex);
    if (ending_)
        return;
    if (arrival_)
        arrival_->titleSeen(title, now());
    // A change of title may mean an update got through, or that the stream moved to another
    // mount: the server is asked again soon. A reconnection shows the title listeners had again.
    if (lastTitle_ != title) {
        const std::string clock = showTitle(title);
        askDue_ = true;
        if (!title.empty() && title != lastTitleHeard_ && !newTitleAt_)
            newTitleAt_ = clock;
    }
    lastTitle_ = title;
    if (!title.empty())
        lastTitleHeard_ = title;
    watchSignal().changed.notify_all();
}

// The files before the line, so whoever reads the line finds the title in them.
std::string TitleWatch::showTitle(const std::string& title) {
    const std::optional<std::string> failure = files_ ? files_->titleShown(title, now()) : std::nullopt;
    const std::string clock =
        sayAtTime("Listeners see: " + (title.empty() ? std::string("(no title)") : title));
    if (failure)
        sayAtTime(*failure);
    return clock;
}

void TitleWatch::failed(const StreamFailure& failure, bool retrying, int pauseSeconds) {
    const std::lock_guard<std::mutex> lock(watchSignal().mutex);
    if (ending_)
        return;
    failure_ = failure;
    lastTitle_.reset(); // a new connection shows the current title again
    if (!retrying) {
        gaveUp_ = true;
    } else {
        askDue_ = askDue_ || !dropped_;
        const std::string pause = std::to_string(pauseSeconds) + " s.";
        const std::string happened = explainStreamFailure(failure).happened;
        sayAtTime(dropped_ ? "Could not reconnect: " + happened + " Trying again in " + pause
                           : "The stream dropped: " + happened + " Reconnecting in " + pause);
        dropped_ = true;
    }
    watchSignal().changed.notify_all();
}
