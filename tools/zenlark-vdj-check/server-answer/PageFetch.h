// One plain GET of a server's page, without a title or credentials, for what the server shows
// publicly: its status pages, and whether a port speaks HTTP at all.
#pragma once

#include "delivery/UrlCracking.h"

#include <cstdint>
#include <string>

struct PageAnswer {
    std::uint32_t status = 0;        // 0: no HTTP answer
    std::uint32_t platformError = 0; // why there was none
    std::string statusText;          // the status line's words after the number, as ASCII
    std::string server;              // the Server header, as ASCII
    std::string location;            // a redirect's Location header, as ASCII
    std::string contentType;         // as ASCII
    std::string icyNotices;          // icy-notice1 and icy-notice2, as ASCII, where a stream names its server
    std::string body;                // the start of the body
};

// The certificate problems a request looks past. Only a probe that carries neither a title nor a
// password looks past any, to learn whether a port speaks https and why Windows refuses it.
enum class CertificateCheck {
    full,
    pastUnknownAuthority, // a self-signed certificate, or one from an authority Windows lacks
    pastAnyProblem,       // also a certificate for another name, expired, or not for servers
};

// GETs `target` (ASCII, path and query) on the address's host at `port`, over TLS when `secure`.
// A redirect is handed back as it stands. Reads at most 64 KiB of the body, and none of a body
// that is no page (isPageContentType): some servers answer unknown paths with their audio
// stream, which never ends.
PageAnswer fetchPage(const ServerAddress& address, std::uint16_t port, bool secure,
                     const std::wstring& target, CertificateCheck check = CertificateCheck::full);
