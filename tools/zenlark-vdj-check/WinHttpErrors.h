// WinHTTP's error numbers, as an update or a stream reports them, for the tool's plain words.
#pragma once

#include <cstdint>

namespace winhttpError {
constexpr std::uint32_t timeout = 12002;
constexpr std::uint32_t nameNotResolved = 12007;
constexpr std::uint32_t cannotConnect = 12029;
constexpr std::uint32_t connectionError = 12030;
constexpr std::uint32_t certificateDateInvalid = 12037;
constexpr std::uint32_t certificateNameInvalid = 12038;
constexpr std::uint32_t certificateAuthorityInvalid = 12045;
constexpr std::uint32_t invalidServerResponse = 12152;
constexpr std::uint32_t secureChannelError = 12157;
constexpr std::uint32_t secureFailure = 12175;
// Some WinHTTP implementations pass the socket's own errors through.
constexpr std::uint32_t socketReset = 10054;
constexpr std::uint32_t socketTimeout = 10060;
constexpr std::uint32_t socketRefused = 10061;

// The server closed or reset the connection instead of answering.
inline bool isConnectionDropped(std::uint32_t error) {
    return error == connectionError || error == socketReset;
}

// The certificate was refused or TLS could not be negotiated. (Revocation is not checked, so a
// revoked certificate is never reported.)
inline bool isTlsError(std::uint32_t error) {
    return error == secureFailure || error == secureChannelError || error == certificateAuthorityInvalid ||
           error == certificateNameInvalid || error == certificateDateInvalid;
}
} // namespace winhttpError
