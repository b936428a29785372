// The one thing the poll thread shares with the sender threads: the latest poll's track text.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>

class TrackMailbox {
public:
    // Poll thread: the text of a new poll (empty when no deck is audible).
    void post(const std::string& trackText);

    // Poll thread: no more polls; every waiting sender wakes and ends.
    void close();

    // Sender thread: waits for a poll newer than `seenPoll` and takes its text. A sender that
    // was busy while several polls went by gets only the newest, as a single server's poll loop
    // would have polled once after its exchange. False once the mailbox is closed.
    bool waitForPoll(std::uint64_t& seenPoll, std::string& trackText);

private:
    std::mutex lock_;
    std::condition_variable changed_;
    std::uint64_t poll_ = 0;
    std::string trackText_;
    bool closed_ = false;
};
