// The clock and the sleep the worker waits with, so a test can stand in a timer that behaves
// as a particular Windows does.
#pragma once

#include <cstdint>

class PollClock {
public:
    virtual ~PollClock() = default;
    // A monotonic clock that never jumps with the wall clock.
    virtual std::int64_t nowNanoseconds() = 0;
    // Sleeps at least `milliseconds`; the platform's timer may make it longer, never shorter.
    virtual void sleepMilliseconds(std::uint32_t milliseconds) = 0;
};
