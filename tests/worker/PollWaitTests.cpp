// The wait between polls against a timer that rounds every sleep up to Windows' default tick.
#include "worker/PollWait.h"

#include <gtest/gtest.h>

#include <functional>

// 15.625 ms: a sleep ends on the first tick at or after the time asked for.
class TickingClock : public PollClock {
public:
    static constexpr std::int64_t tick = 15'625'000;
    std::int64_t now = 0;
    std::function<void()> duringSleep;

    std::int64_t nowNanoseconds() override { return now; }
    void sleepMilliseconds(std::uint32_t milliseconds) override {
        const std::int64_t wanted = now + std::int64_t{milliseconds} * 1'000'000;
        now = (wanted + tick - 1) / tick * tick;
        if (duringSleep)
            duringSleep();
    }
};

TEST(PollWait, PeriodStaysWithinOneTickOf300MsWhenEverySleepIsRoundedUp) {
    TickingClock clock;
    clock.now = 7'000'000; // not on a tick
    const std::atomic<bool> stop{false};
    for (int poll = 0; poll < 100; ++poll) {
        const std::int64_t pollStart = clock.now;
        clock.now += 4'000'000; // the poll itself takes a little time
        ASSERT_TRUE(waitForNextPoll(clock, pollStart, stop));
        const std::int64_t period = clock.now - pollStart;
        EXPECT_GE(period, 300'000'000);
        EXPECT_LE(period, 300'000'000 + TickingClock::tick);
    }
}

TEST(PollWait, StopRequestIsSeenWithinOneStep) {
    TickingClock clock;
    std::atomic<bool> stop{false};
    int sleeps = 0;
    std::int64_t stoppedAt = 0;
    clock.duringSleep = [&] {
        if (++sleeps == 2) {
            stop = true;
            stoppedAt = clock.now;
        }
    };
    EXPECT_FALSE(waitForNextPoll(clock, 0, stop));
    EXPECT_LE(clock.now - stoppedAt, waitStepNanoseconds);
    EXPECT_EQ(sleeps, 2);
}
