// Asks the port one below the update's port whether a web server answers there.
#pragma once

#include "delivery/UrlCracking.h"

#include <cstdint>

// The HTTP status that a GET of "/" on `address.port - 1` got, or 0 for no HTTP answer (or no
// such port). The request carries no title and no credentials, so nothing reaches a wrong place.
std::uint32_t statusOnPortBelow(const ServerAddress& address);
