// Building the Basic authorization header.
#include "delivery/AuthorizationHeader.h"

#include "delivery/Base64.h"
#include "delivery/TextEncoding.h"

std::wstring buildAuthorizationHeader(const std::wstring& username, const std::wstring& password) {
    const std::string token = base64Encode(utf8FromWide(username + L":" + password));
    return L"Authorization: Basic " + wideFromHostText(token);
}
