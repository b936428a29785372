// Titleless GETs of "/" that only ask whether a port answers plain http, or https.
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

static bool answersOverTls(const ServerAddress& address, CertificateCheck check) {
    return fetchPage(address, address.port, true, L"/", check).status != 0;
}

// The most lenient question first: a port that speaks no TLS is asked once.
PortTls tlsOnPort(const ServerAddress& address) {
    if (!answersOverTls(address, CertificateCheck::pastAnyProblem))
        return PortTls::none;
    if (answersOverTls(address, CertificateCheck::full))
        return PortTls::trusted;
    if (answersOverTls(address, CertificateCheck::pastUnknownAuthority))
        return PortTls::unknownAuthority;
    return PortTls::otherCertificateProblem;
}
