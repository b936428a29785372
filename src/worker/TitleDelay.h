// How long a changed track text must stay audible before it is announced, read from its settings
// value: seconds from 0 to 60, fractions written with a point whatever the computer's language.
#pragma once

#include <cstdint>
#include <string>

constexpr std::int32_t maxTitleDelayMilliseconds = 60'000;

// What was made of the written value. A value that is not a number, or is negative, means no
// delay: titles then go out at once, as without the key, and none is held back. One above 60 s
// means 60 s, the nearest to what was asked.
enum class TitleDelayReading { asWritten, notANumber, negative, aboveMaximum };

struct TitleDelay {
    std::int32_t milliseconds = 0;
    TitleDelayReading reading = TitleDelayReading::asWritten;
};

// "2.5" gives 2500 ms; digits after the third decimal are dropped. An empty value means no
// delay. The settings reader has already dropped the blanks around the value.
TitleDelay readTitleDelay(const std::wstring& written);
