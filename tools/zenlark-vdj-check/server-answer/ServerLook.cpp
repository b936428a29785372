// Reading a server's public status pages. Icecast's JSON status is tried first whatever the
// dialect, so a Shoutcast-style update to an Icecast server is read back where Icecast put it.
// Its answer also names the server, whose own pages are read where it has no such status.
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

static ServerSigns signsOf(const PageAnswer& answer) {
    return ServerSigns{answer.status, answer.server, answer.icyNotices, answer.body};
}

// A status page under the server's path and, when that is no base path (a listen address pasted
// into server_url, say), at the server's root.
static std::vector<std::string> statusTargets(const LookPlace& place, const char* page) {
    std::vector<std::string> targets = {place.basePath + page};
    if (!place.basePath.empty())
        targets.push_back(page);
    return targets;
}

// Icecast's mount list from `page`, read by `parse`. Gives the last answer, which names the server.
static PageAnswer readMountList(const LookPlace& place, const char* page,
                                std::optional<std::vector<MountStatus>> (*parse)(const std::string&),
                                ServerView& view) {
    PageAnswer answer;
    for (const std::string& target : statusTargets(place, page)) {
        answer = fetch(place, target);
        if (answer.status == 0) {
            view.noAnswerError = answer.platformError;
            return answer;
        }
        if (answer.status != 200)
            continue;
        const std::optional<std::vector<MountStatus>> mounts = parse(answer.body);
        if (!mounts)
            continue;
        view.page = StatusPage::icecast;
        view.serverName = answer.server;
        for (const MountStatus& mount : *mounts) {
            if (mount.hasSource)
                view.mounts.push_back(mount);
            else
                view.mountsWithoutSource.push_back(mount.path);
        }
        return answer;
    }
    return answer;
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

// A Shoutcast server whose stats are private redirects its pages unless the password comes along.
static PageAnswer fetchStatsPage(const LookPlace& place, const std::string& target) {
    PageAnswer answer = fetch(place, target);
    if (!isRedirect(answer.status))
        return answer;
    const char* joiner = target.find('?') == std::string::npos ? "?" : "&";
    return fetch(place, target + joiner + "pass=" + percentEncodeBytes(place.password));
}

static PageAnswer fetchShoutcastPage(const LookPlace& place, const ShoutcastPage& page,
                                     const std::string& sid) {
    return fetchStatsPage(place, place.basePath + page.path + "?sid=" + percentEncodeBytes(sid));
}

static void readShoutcastTitle(const LookPlace& place, const std::string& sid, ServerView& view) {
    for (const ShoutcastPage& page : shoutcastPages) {
        const PageAnswer answer = fetchShoutcastPage(place, page, sid);
        if (answer.status == 0) {
            view.noAnswerError = answer.platformError;
            return;
        }
        // An audio stream's answer, with no body read, is no empty title.
        if (answer.status != 200 || !isPageContentType(answer.contentType))
            continue;
        const std::optional<std::string> title = page.parse(answer.body);
        if (!title)
            continue;
        view.page = page.page;
        view.serverName = answer.server;
        view.title = title;
        view.sid = sid;
        return;
    }
}

// The stream an update of the section's dialect reaches on that server.
static std::string streamUpdated(const LookPlace& place, const ServerDescription& server,
                                 const std::vector<ShoutcastStream>& streams) {
    if (server.icecastUpdateByStreamPath && place.dialect == ServerDialect::Icecast) {
        const ShoutcastStream* named = streamAtPath(streams, place.mount);
        return named != nullptr ? std::to_string(named->id) : "1";
    }
    if (server.passwordNamesStream)
        return std::to_string(dnasStreamOf(place.sid, place.password));
    return place.sid;
}

// Every stream the server hosts, where it lists them: under server_url's path, or at the root when
// that path is a stream's own (DNAS answers every path it does not know with that stream's audio).
static void readStreamList(const LookPlace& place, const ServerDescription& server, ServerView& view) {
    if (server.streamListPage == nullptr || view.noAnswerError != 0)
        return;
    for (const std::string& target : statusTargets(place, server.streamListPage)) {
        const PageAnswer answer = fetchStatsPage(place, target);
        const std::optional<std::vector<ShoutcastStream>> streams =
            answer.status == 200 ? parseShoutcastStatistics(answer.body) : std::nullopt;
        if (!streams)
            continue;
        view.streams = *streams;
        if (isServerFull(answer.body))
            view.limitReached = LimitReached::listeners;
        return;
    }
}

// The pages a server without Icecast's JSON status publishes instead: Icecast-KH's mount list,
// or the title of the stream an update reaches.
static void readOwnPages(const LookPlace& place, const ServerDescription& server,
                         const std::vector<ShoutcastStream>& streams, ServerView& view) {
    if (server.mountPage != nullptr)
        readMountList(place, server.mountPage, parseIcecastStatusPage, view);
    else if (server.streamPages || place.dialect == ServerDialect::Shoutcast)
        readShoutcastTitle(place, streamUpdated(place, server, streams), view);
}

// A port that gives no web answer to the first page gives none to the others either. The list of
// streams comes before the title, since the mount may name the stream an update reaches.
ServerView lookAtServer(const LookPlace& place) {
    ServerView view;
    const PageAnswer first = readMountList(place, "/status-json.xsl", parseIcecastStatus, view);
    const ServerDescription& server = recogniseServer(signsOf(first));
    view.kind = server.kind;
    if (first.status != 200)
        view.limitReached = limitReachedIn(first.statusText + " " + first.body);
    readStreamList(place, server, view);
    if (view.page == StatusPage::none && view.noAnswerError == 0)
        readOwnPages(place, server, view.streams, view);
    return view;
}

ServerView lookAgainAt(const LookPlace& place, ServerKind kind, const std::vector<ShoutcastStream>& streams) {
    const ServerDescription& server = describeServer(kind);
    if (server.mountPage == nullptr && !server.streamPages)
        return lookAtServer(place);
    ServerView view;
    view.kind = kind;
    readOwnPages(place, server, streams, view);
    return view;
}
