// The platform's clock for the poll loop: the performance counter and Sleep.
#pragma once

#include "worker/PollClock.h"

class SystemClock final : public PollClock {
public:
    std::int64_t nowNanoseconds() override;
    void sleepMilliseconds(std::uint32_t milliseconds) override;
};
