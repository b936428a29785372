// Titleless GETs of "/" that only ask whether HTTP answers.
#include "server-answer/PortProbe.h"

#include "server-answer/PageFetch.h"

std::uint32_t statusOnPortBelow(const ServerAddress& address) {
    if (address.port <= 1)
        return 0;
    return fetchPage(address, static_cast<std::uint16_t>(address.port - 1), address.secure, L"/").status;
}

std::uint32_t statusOverPlainHttp(const ServerAddress& address) {
    return fetchPage(address, address.port, false, L"/").status;
}
