// Waits measured on the performance counter, which never jumps with the wall clock.
#pragma once

#include <cstdint>

std::int64_t monotonicNanoseconds();

// Sleeps in whole milliseconds, rounded up, until `milliseconds` have passed on that clock.
void waitMilliseconds(std::int64_t milliseconds);
