// The Basic authorization header line of an update request.
#pragma once

#include <string>

// "Authorization: Basic " and the Base64 of the UTF-8 bytes of username ":" password
// (RFC 7617), without a line break. An empty user name still gives ":" and the password.
std::wstring buildAuthorizationHeader(const std::wstring& username, const std::wstring& password);
