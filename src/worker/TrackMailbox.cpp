// Handing each poll's track text from the poll thread to the sender threads.
#include "worker/TrackMailbox.h"

void TrackMailbox::post(const std::string& trackText) {
    {
        const std::lock_guard<std::mutex> guard(lock_);
        trackText_ = trackText;
        ++poll_;
    }
    changed_.notify_all();
}

void TrackMailbox::close() {
    {
        const std::lock_guard<std::mutex> guard(lock_);
        closed_ = true;
    }
    changed_.notify_all();
}

bool TrackMailbox::waitForPoll(std::uint64_t& seenPoll, std::string& trackText) {
    std::unique_lock<std::mutex> guard(lock_);
    changed_.wait(guard, [&] { return closed_ || poll_ != seenPoll; });
    if (closed_)
        return false;
    seenPoll = poll_;
    trackText = trackText_;
    return true;
}
