// Performance-counter clock and a sleep that does not end early.
#include "worker/MonotonicWait.h"

#include <windows.h>

std::int64_t monotonicNanoseconds() {
    LARGE_INTEGER frequency;
    LARGE_INTEGER counter;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&counter);
    // Split the conversion so counter * 1e9 cannot overflow.
    const std::int64_t seconds = counter.QuadPart / frequency.QuadPart;
    const std::int64_t rest = counter.QuadPart % frequency.QuadPart;
    return seconds * 1000000000 + rest * 1000000000 / frequency.QuadPart;
}

void waitMilliseconds(std::int64_t milliseconds) {
    const std::int64_t deadline = monotonicNanoseconds() + milliseconds * 1000000;
    for (std::int64_t now = monotonicNanoseconds(); now < deadline; now = monotonicNanoseconds()) {
        const std::int64_t remaining = deadline - now;
        Sleep(static_cast<DWORD>((remaining + 999999) / 1000000));
    }
}
