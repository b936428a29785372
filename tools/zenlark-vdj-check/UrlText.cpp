// Finding the user information of an address: between "://" and the first "@" before the path.
#include "UrlText.h"

#include "AsciiCase.h"

// Where the user information ends ("@"), or npos when the address has none.
static std::size_t userInfoEnd(const std::string& url, std::size_t& start) {
    const std::size_t scheme = url.find("://");
    start = scheme == std::string::npos ? 0 : scheme + 3;
    const std::size_t authorityEnd = url.find_first_of("/?#", start);
    const std::size_t at =
        url.rfind('@', authorityEnd == std::string::npos ? std::string::npos : authorityEnd);
    return at == std::string::npos || at < start ? std::string::npos : at;
}

bool holdsUserInfo(const std::string& url) {
    std::size_t start = 0;
    return userInfoEnd(url, start) != std::string::npos;
}

std::string withoutUserInfo(const std::string& url) {
    std::size_t start = 0;
    const std::size_t at = userInfoEnd(url, start);
    return at == std::string::npos ? url : url.substr(0, start) + url.substr(at + 1);
}

std::string userInfoMoved(const std::string& serverUrl) {
    return "Write server_url=" + withoutUserInfo(serverUrl) +
           ", and put the user name into username= and the password into password=.";
}

std::string withMaskedUserInfo(const std::string& url) {
    std::size_t start = 0;
    const std::size_t at = userInfoEnd(url, start);
    if (at == std::string::npos)
        return url;
    const std::size_t colon = url.find(':', start);
    if (colon == std::string::npos || colon > at)
        return url; // a user name alone
    return url.substr(0, colon) + ":********" + url.substr(at);
}

std::string urlPath(const std::string& url) {
    const std::size_t scheme = url.find("://");
    const std::size_t slash = url.find('/', scheme == std::string::npos ? 0 : scheme + 3);
    return slash == std::string::npos ? std::string() : url.substr(slash);
}

std::string serverRoot(const std::string& serverUrl) {
    const std::string url = withoutUserInfo(serverUrl);
    const std::string path = urlPath(url);
    return url.substr(0, url.size() - path.size()) + "/";
}

std::string redirectedAddress(const std::string& serverUrl, const std::string& location) {
    std::string address = location.substr(0, location.find_first_of("?#"));
    const std::string lowered = asciiLowered(address);
    if (lowered.rfind("http://", 0) == 0 || lowered.rfind("https://", 0) == 0)
        return withoutUserInfo(address);
    if (address.rfind("/", 0) == 0 && address.rfind("//", 0) != 0)
        return serverRoot(serverUrl) + address.substr(1);
    return std::string();
}
