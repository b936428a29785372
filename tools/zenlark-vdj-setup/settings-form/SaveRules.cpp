// The rules of what the setup window saves, one small check per key.
#include "settings-form/SaveRules.h"

#include "AsciiCase.h"
#include "TextParts.h"
#include "UrlText.h"
#include "settings-file/AddressProblem.h"
#include "settings-file/SettingsMistakes.h"

#include "delivery/UpdateTarget.h"

#include <cstddef>

// The profile reader's buffer: longer values arrive cut.
constexpr std::size_t longestValue = 2047;

std::size_t utf16Length(const std::string& utf8) {
    std::size_t units = 0;
    for (const char c : utf8) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte & 0xC0) != 0x80)
            units += byte >= 0xF0 ? 2 : 1; // a four-byte sequence is a surrogate pair
    }
    return units;
}

static bool holdsControl(const std::string& text) {
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F)
            return true;
    }
    return false;
}

static std::wstring widened(const std::string& text) {
    return std::wstring(text.begin(), text.end());
}

// The port after the host, when one is written, is a number from 1 to 65535.
static bool portIsUsable(const std::string& hostAndPort) {
    const std::size_t colon = hostAndPort.rfind(':');
    if (colon == std::string::npos || hostAndPort.find(']', colon) != std::string::npos)
        return true;
    const std::string port = hostAndPort.substr(colon + 1);
    if (port.empty() || port.size() > 5 || port.find_first_not_of("0123456789") != std::string::npos)
        return false;
    const int value = std::stoi(port);
    return value >= 1 && value <= 65535;
}

// Scheme, host and port as the plug-in takes them, no user information, query or fragment.
static bool isUsableAddress(const std::string& url) {
    const std::string lowered = asciiLowered(url);
    const std::size_t hostStart = startsWith(lowered, "http://")    ? 7
                                  : startsWith(lowered, "https://") ? 8
                                                                    : 0;
    if (hostStart == 0 || url.find_first_of("?#@ ") != std::string::npos)
        return false;
    const std::string authority = url.substr(hostStart, url.find('/', hostStart) - hostStart);
    return !authority.empty() && authority.front() != ':' && portIsUsable(authority) &&
           !holdsNonAscii(authority);
}

static std::string addressProblem(const std::string& url) {
    if (url.empty() || isUsableAddress(url))
        return std::string();
    if (contains(url, "@"))
        return "The address holds a user name or password: paste it into the address field again, and the "
               "window moves them into their own fields.";
    return "The address cannot be used. " + explainAddressProblem(widened(url));
}

// "3", "#3", "Stream #3" and "stream 3" all name stream 3; nothing when the text names no number.
static std::string streamNumber(const std::string& written) {
    std::string text = asciiLowered(trimmed(written));
    if (startsWith(text, "stream"))
        text = text.substr(6);
    const std::size_t digits = text.find_first_not_of(" #");
    if (digits == std::string::npos)
        return std::string();
    text = text.substr(digits);
    if (text.empty() || text.size() > 9 || text.find_first_not_of("0123456789") != std::string::npos)
        return std::string();
    const std::size_t first = text.find_first_not_of('0');
    return first == std::string::npos ? std::string() : text.substr(first);
}

std::string skipLinesOf(const std::string& written) {
    return joinedEntries(written, "|", "\r\n");
}

std::string skipListOf(const std::string& lines) {
    return joinedEntries(lines, "\r\n|", "|");
}

// Every value: one line, within the reader's length.
static void checkText(const std::string& key, const std::string& value, std::vector<SaveProblem>& problems) {
    if (holdsControl(value))
        problems.push_back(
            {key, key + " holds a line break or another control character: write it on one line."});
    else if (utf16Length(value) > longestValue)
        problems.push_back({key, key + " is " + std::to_string(utf16Length(value)) +
                                     " characters long: the plug-in reads at most " +
                                     std::to_string(longestValue) + "."});
}

ValuesToSave valuesToSave(const ServerForm& form) {
    ValuesToSave result;
    std::vector<SaveProblem>& problems = result.problems;
    const std::string url = trimmed(form.serverUrl);
    if (const std::string problem = addressProblem(url); !problem.empty())
        problems.push_back({"server_url", problem});
    std::string mount = trimmed(form.mount);
    if (isIcecastLike(form.kind))
        mount = mountPoint(mount);
    // A listen address typed whole: the mount is its part after the port.
    if (const std::string written = trimmed(form.mount); contains(written, "://")) {
        const std::string path = urlPath(written);
        problems.push_back({"mount", "The mount holds a whole address: write only the part after the port, " +
                                         (path.size() > 1 ? path : std::string("such as /live")) + "."});
    }
    std::string sid = trimmed(form.sid);
    if (form.kind == ServerKindChoice::shoutcast2) {
        sid = streamNumber(form.sid);
        if (sid.empty())
            problems.push_back(
                {"sid", "The stream is no number: write the stream's number, such as 1 or 3."});
    }
    const std::string username = trimmed(form.username);
    if (username.empty() && isIcecastLike(form.kind))
        problems.push_back({"username", "The user name is empty: write the one your encoder uses, most often "
                                        "source."});
    std::string delay = trimmed(form.titleDelay);
    if (!delay.empty()) {
        delay = meantTitleDelay(delay);
        if (delay.empty())
            problems.push_back({"title_delay", "The title delay is no number of seconds from 0 to 60: write "
                                               "such as 2.5, or leave it empty."});
    }
    result.values = {{"server_url", url},
                     {"protocol", protocolToSave(form)},
                     {"mount", mount},
                     {"sid", sid},
                     {"username", username},
                     {"password", trimmed(form.password)},
                     {"title_prefix", form.titlePrefix},
                     {"title_suffix", form.titleSuffix},
                     {"title_delay", delay},
                     {"skip_titles", skipListOf(form.skipTitles)}};
    for (const auto& [key, value] : result.values)
        checkText(key, value, problems);
    return result;
}
