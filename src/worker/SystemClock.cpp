// Performance-counter clock and Sleep.
#include "worker/SystemClock.h"

#include <windows.h>

std::int64_t SystemClock::nowNanoseconds() {
    LARGE_INTEGER frequency;
    LARGE_INTEGER counter;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&counter);
    // Split the conversion so counter * 1e9 cannot overflow.
    const std::int64_t seconds = counter.QuadPart / frequency.QuadPart;
    const std::int64_t rest = counter.QuadPart % frequency.QuadPart;
    return seconds * 1000000000 + rest * 1000000000 / frequency.QuadPart;
}

void SystemClock::sleepMilliseconds(std::uint32_t milliseconds) { Sleep(milliseconds); }
