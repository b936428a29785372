// Reading a server's public status pages. Icecast's is tried first whatever the dialect, so a
// Shoutcast-style update to an Icecast server is read back where Icecast put it.
#include "server-answer/ServerLook.h"

#include "server-answer/PageFetch.h"

#include "delivery/PercentEncoding.h"
#include "delivery/TextEncoding.h"
#include "delivery/UpdateTarget.h"

static std::wstring widened(const std::string& ascii) {
    return std::wstring(ascii.begin(), ascii.end());
}

std::optional<LookPlace> lookPlaceOf(const std::wstring& serverUrl, const std::wstring& protocol,
                                     const std::wstring& sid, const std::wstring& password) {
    const std::optional<ServerAddress> address = crackServerUrl(serverUrl);
    if (!address)
        return std::nullopt;
    LookPlace place;
    place.address = *address;
    place.basePath = escapeBasePath(utf8FromWide(basePath(address->urlPath)));
    place.dialect = detectDialect(protocol);
    place.sid = utf8FromWide(sid.empty() ? L"1" : sid);
    place.password = utf8FromWide(password);
    return place;
}

static PageAnswer fetch(const LookPlace& place, const std::string& target) {
    return fetchPage(place.address, place.address.port, place.address.secure, widened(target));
}

static bool isRedirect(std::uint32_t status) {
    return status >= 300 && status < 400;
}

// Icecast's page, under the server's path and, when that is no base path (a listen address
// pasted into server_url, say), at the server's root.
static bool readIcecastStatus(const LookPlace& place, ServerView& view) {
    std::vector<std::string> targets = {place.basePath + "/status-json.xsl"};
    if (!place.basePath.empty())
        targets.push_back("/status-json.xsl");
    for (const std::string& target : targets) {
        const PageAnswer answer = fetch(place, target);
        if (answer.status == 0) {
            view.noAnswerError = answer.platformError;
            return false;
        }
        if (answer.status != 200)
            continue;
        const std::optional<std::vector<MountStatus>> mounts = parseIcecastStatus(answer.body);
        if (!mounts)
            continue;
        view.page = StatusPage::icecast;
        view.serverName = answer.server;
        view.mounts = *mounts;
        return true;
    }
    return false;
}

// Plain text, fresh at every request; a page that is HTML is some other server's answer.
static std::optional<std::string> currentSongOf(const std::string& body) {
    if (body.find('<') != std::string::npos)
        return std::nullopt;
    std::string title = body;
    while (!title.empty() && (title.back() == '\n' || title.back() == '\r'))
        title.pop_back();
    return title;
}

struct ShoutcastPage {
    StatusPage page;
    const char* path;
    std::optional<std::string> (*parse)(const std::string& body);
};

// In the order of freshness: /currentsong answers at every request, the others from a cache
// up to about a second old.
static const ShoutcastPage shoutcastPages[] = {
    {StatusPage::currentSong, "/currentsong", currentSongOf},
    {StatusPage::stats, "/stats", parseStatsSongTitle},
    {StatusPage::sevenHtml, "/7.html", parseSevenHtmlTitle},
};

// A server whose stats are private redirects these pages unless the password comes along.
static PageAnswer fetchShoutcastPage(const LookPlace& place, const ShoutcastPage& page) {
    const std::string target = place.basePath + page.path + "?sid=" + percentEncodeBytes(place.sid);
    PageAnswer answer = fetch(place, target);
    if (!isRedirect(answer.status))
        return answer;
    return fetch(place, target + "&pass=" + percentEncodeBytes(place.password));
}

static bool readShoutcastTitle(const LookPlace& place, ServerView& view) {
    for (const ShoutcastPage& page : shoutcastPages) {
        const PageAnswer answer = fetchShoutcastPage(place, page);
        if (answer.status == 0) {
            view.noAnswerError = answer.platformError;
            return false;
        }
        if (answer.status != 200)
            continue;
        const std::optional<std::string> title = page.parse(answer.body);
        if (!title)
            continue;
        view.page = page.page;
        view.serverName = answer.server;
        view.title = title;
        return true;
    }
    return false;
}

// A port that gives no web answer to the first page gives none to the others either.
ServerView lookAtServer(const LookPlace& place) {
    ServerView view;
    if (readIcecastStatus(place, view) || view.noAnswerError != 0)
        return view;
    if (place.dialect == ServerDialect::Shoutcast)
        readShoutcastTitle(place, view);
    return view;
}
