// The look at a server (its kind and the mounts or streams it offers) on a thread of its own,
// so the window never waits on the network.
#pragma once

#include "server-answer/ServerLook.h"

#include <atomic>
#include <functional>
#include <optional>
#include <thread>

class ServerLookRun {
  public:
    // `news` is called on the look's thread once it has its answer; it must only wake the window.
    ServerLookRun(const LookPlace& place, std::function<void()> news);
    ~ServerLookRun(); // waits for the look's end: each of its requests has a time limit
    ServerLookRun(const ServerLookRun&) = delete;
    ServerLookRun& operator=(const ServerLookRun&) = delete;

    bool finished() const { return finished_; }
    // What the look found; call once finished.
    const ServerView& view() const { return view_; }

  private:
    ServerView view_;
    std::atomic<bool> finished_{false};
    std::thread thread_;
};
