// The check tool's watch: prints each title listeners receive and proves a sent title arrived.
#pragma once

#include "listeners/StreamListener.h"
#include "listeners/StreamWatch.h"
#include "listeners/WatchFiles.h"

#include "settings/StreamSettings.h"

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <string>

using LinePrinter = void (*)(const std::string& utf8Line);

// Asks the server alongside the watch; `newTitleAt` is when ("22:53:05") a title listeners had
// not had before reached them since the last time, if one did.
using AskAlongside = std::function<void(const std::optional<std::string>& newTitleAt)>;

struct WatchOptions {
    bool enabled = false;
    std::wstring streamUrl;     // --stream; empty: the stream composed from the settings
    std::optional<int> seconds; // --seconds
    std::wstring tracklistPath;  // --tracklist; empty: none
    std::wstring nowPlayingPath; // --now-playing; empty: none
};

constexpr int defaultTitleWaitSeconds = 20;

// Ends every wait of the watch as Ctrl+C does, from any thread: the setup window's Cancel.
void interruptWatch();
// Lets the next watch wait again after an interruption.
void resumeWatch();

// Where to listen: the --stream address, else the stream of the settings' server. `origin`
// says in words where the address came from; nothing in `target` when there is no usable
// address, with `problem` saying why.
struct WatchAddress {
    std::optional<StreamTarget> target;
    std::string origin;
    CheckVerdict problem;
};
WatchAddress watchAddress(const StreamSettings& settings, const std::wstring& streamUrl);
// The stream of `mountPath` ("/stream") on the settings' server: where an update really went.
WatchAddress watchAddressOnMount(const StreamSettings& settings, const std::string& mountPath);

class TitleWatch : private StreamEvents {
  public:
    // `expected`: the title an update is about to send; empty for a watch alone.
    TitleWatch(const WatchAddress& address, LinePrinter print, std::string expected = std::string());
    ~TitleWatch() override;

    // Each title listeners receive also goes to these files; call before begin().
    void recordTo(WatchFiles& files) { files_ = &files; }
    // watchToTheEnd calls `ask` on the caller's thread at its start, every `period`, and soon
    // after each drop of the stream, each reconnection and each change of title; call before
    // watchToTheEnd().
    void askAlongside(AskAlongside ask, std::chrono::seconds period) {
        ask_ = std::move(ask);
        askPeriod_ = period;
    }
    // Says where it listens and starts listening.
    void begin();
    // True when it listens to `target`: the same scheme, host, port and path.
    bool listensTo(const StreamTarget& target) const;
    // Returns once the stream was heard or its first connection failed; false after Ctrl+C.
    bool awaitHeard();
    // The update goes out now: titles from here on count as received after it.
    void updateSent();
    // Waits up to `seconds` after the update for its title; stops listening and gives the verdict.
    CheckVerdict awaitTitle(int seconds);
    // Listens until `seconds` passed (none: until Ctrl+C) or the first connection failed; exit code.
    int watchToTheEnd(std::optional<int> seconds);
    // The limit the server named when it turned the watch away before it heard the stream.
    LimitReached turnedAwayFor() const;

  private:
    void connected(bool again) override;
    void titleReceived(const std::string& bytes) override;
    void failed(const StreamFailure& failure, bool retrying, int pauseSeconds) override;

    // A new title: its line, and the files; gives the line's time. The state lock is held.
    std::string showTitle(const std::string& title);
    void say(const std::string& line);
    // The line with the time of day in front; gives that time.
    std::string sayAtTime(const std::string& text);
    double now() const;
    // Waits until `done` holds, `deadline` passed or Ctrl+C came; the state lock is held.
    template <typename Done>
    void waitUntil(std::unique_lock<std::mutex>& lock,
                   std::optional<std::chrono::steady_clock::time_point> deadline, Done done);

    // Asks and waits in turn until the watch ends; the state lock is held.
    void askUntil(std::unique_lock<std::mutex>& lock,
                  std::optional<std::chrono::steady_clock::time_point> deadline);

    LinePrinter print_;
    StreamTarget target_;
    std::string shownAddress_;
    // Written by the listener's thread and read by the caller's, under the watch's lock.
    std::chrono::steady_clock::time_point started_;
    std::optional<std::chrono::steady_clock::time_point> sentAt_;
    bool heard_ = false;
    bool gaveUp_ = false;
    bool dropped_ = false;
    bool ending_ = false;                  // the verdict is made: the listener's reports no longer count
    bool askDue_ = false;                  // the stream dropped, came back or changed title: ask soon
    std::optional<StreamFailure> failure_; // why the stream cannot be heard right now
    std::optional<std::string> lastTitle_;
    std::string lastTitleHeard_;            // the last title that was not empty, across reconnections
    std::optional<std::string> newTitleAt_; // when a title new to listeners came since the last ask
    std::optional<TitleArrival> arrival_;
    WatchFiles* files_ = nullptr;
    AskAlongside ask_;
    std::chrono::seconds askPeriod_{0};
    StreamListener listener_;
};
