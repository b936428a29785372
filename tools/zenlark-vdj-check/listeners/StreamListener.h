// Listening to a stream as a player does, through WinHTTP, on a thread of its own.
#pragma once

#include "listeners/StreamWatch.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

struct StreamTarget {
    bool secure = false;
    std::wstring hostName;
    std::uint16_t port = 0;
    std::wstring pathAndQuery; // ASCII, ready for the request line
};

// An address given on the command line: http or https, a host, any path and query; the
// fragment is dropped. Nothing for anything else.
std::optional<StreamTarget> streamTargetFromUrl(const std::wstring& url);

// The address as a DJ would type it into a player: the port only when it is not the scheme's own.
std::wstring streamUrlText(const StreamTarget& target);

// Told what the listener hears, on the listener's thread.
class StreamEvents {
  public:
    virtual ~StreamEvents() = default;
    // The stream answered with metadata; `again` after a drop.
    virtual void connected(bool again) = 0;
    // The StreamTitle of one metadata block, as the server's bytes.
    virtual void titleReceived(const std::string& bytes) = 0;
    // Listening stopped. `retrying`: the listener pauses `pauseSeconds`, then connects again.
    virtual void failed(const StreamFailure& failure, bool retrying, int pauseSeconds) = 0;
};

class RequestSlot;

// GETs the target with "Icy-MetaData: 1" and reads the stream through a fixed buffer, keeping
// only the metadata. A first connection that fails ends the listener; once it has been heard,
// every drop is followed by a pause and a new connection, until stop().
class StreamListener {
  public:
    StreamListener(StreamTarget target, StreamEvents& events);
    StreamListener(const StreamListener&) = delete;
    StreamListener& operator=(const StreamListener&) = delete;
    ~StreamListener();

    void start();
    // Ends listening, also while a read waits for data that never comes, and joins the thread.
    void stop();

  private:
    void run();
    std::optional<StreamFailure> listenOnce(bool again, bool& heard);
    bool pause(int seconds);

    StreamTarget target_;
    StreamEvents& events_;
    std::unique_ptr<RequestSlot> slot_;
    std::atomic<bool> stopping_{false};
    std::mutex mutex_;
    std::condition_variable wake_;
    std::thread thread_;
};
