// Which field of the window a check's verdict concerns, so the window can select it.
#pragma once

#include "CheckVerdict.h"

#include <string>

// The settings key the verdict's advice tells the DJ to write ("Write mount=/live." names mount),
// else the first key or field its words name; empty when it names none.
std::string settingsKeyOf(const CheckVerdict& verdict);
