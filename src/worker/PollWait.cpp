// The wait phase of the poll loop.
#include "worker/PollWait.h"

constexpr std::int64_t nanosecondsPerMillisecond = 1'000'000;

void sleepUntil(PollClock& clock, std::int64_t deadline) {
    for (std::int64_t now = clock.nowNanoseconds(); now < deadline; now = clock.nowNanoseconds()) {
        const std::int64_t remaining = deadline - now;
        clock.sleepMilliseconds(static_cast<std::uint32_t>((remaining + nanosecondsPerMillisecond - 1) /
                                                           nanosecondsPerMillisecond));
    }
}

// Each step's deadline is counted from the poll's start, not from the step's own start: a timer
// that rounds every sleep up (Windows' default tick is 15.6 ms, so a 50 ms sleep lasts 62.5 ms)
// then delays the poll by at most one tick instead of one tick per step.
bool waitForNextPoll(PollClock& clock, std::int64_t pollStart, const std::atomic<bool>& stopRequested) {
    for (int step = 1; step <= waitStepsPerPoll; ++step) {
        if (stopRequested.load())
            return false;
        sleepUntil(clock, pollStart + step * waitStepNanoseconds);
    }
    return true;
}
