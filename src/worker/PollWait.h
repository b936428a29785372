// The wait between two polls: six short steps, each ending at a deadline counted from the poll's
// start, so a stop request is seen within one step and the period does not grow with the timer.
#pragma once

#include "worker/PollClock.h"

#include <atomic>
#include <cstdint>

constexpr int waitStepsPerPoll = 6;
constexpr std::int64_t waitStepNanoseconds = 50'000'000;

// Sleeps in whole milliseconds, rounded up, until the clock has reached `deadline`; returns at
// once when it already has.
void sleepUntil(PollClock& clock, std::int64_t deadline);

// Waits until `pollStart` + 300 ms in six steps ending at + 50, + 100, ... + 300 ms, looking at
// the stop flag before each. False when a stop request ended the wait.
bool waitForNextPoll(PollClock& clock, std::int64_t pollStart, const std::atomic<bool>& stopRequested);
