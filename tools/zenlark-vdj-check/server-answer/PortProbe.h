// Asking a port, without a title or credentials, what it speaks: to tell an encoder's port from
// the one for title updates, and a plain-http port from an https one.
#pragma once

#include "server-answer/AnswerVerdict.h"

#include "delivery/UrlCracking.h"

#include <cstdint>

// The HTTP status that a GET of "/" on `address.port - 1` got, or 0 for no HTTP answer (or no
// such port).
std::uint32_t statusOnPortBelow(const ServerAddress& address);

// The status that a plain-http GET of "/" on the address's own port got, or 0 for none: an
// https address whose port answers plain http names the wrong scheme.
std::uint32_t statusOverPlainHttp(const ServerAddress& address);

// Whether the address's own port speaks https, and if so whether Windows trusts its certificate,
// asked over TLS without a title or a password.
PortTls tlsOnPort(const ServerAddress& address);
