// What servers publish about their streams, read from their public status pages: Icecast's
// /status-json.xsl (Icecast-KH's /status.xsl) and Shoutcast's /currentsong, /stats and /7.html.
#pragma once

#include "server-answer/ServerKind.h"
#include "server-answer/ShoutcastStreams.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// One live mount of an Icecast server.
struct MountStatus {
    std::string path;                 // from its listenurl: "/live"
    std::string contentType;          // its server_type: "audio/mpeg", "application/ogg", ...
    std::string subtype;              // Ogg's codec, such as "Opus"; often empty
    std::optional<std::string> title; // none when the mount has no title yet
    // Listening now, where the page says.
    std::optional<std::uint32_t> listeners = {};
    bool hasSource = true; // false: listed while no encoder feeds it, as a mount with a fallback is
};

// Which status page a server's view came from.
enum class StatusPage {
    none,        // the server publishes nothing this tool reads (Liquidsoap's harbor, for one)
    icecast,     // Icecast's list of live mounts: /status-json.xsl, or Icecast-KH's /status.xsl
    currentSong, // Shoutcast v2's /currentsong
    stats,       // Shoutcast v2's /stats
    sevenHtml,   // Shoutcast's /7.html
};

struct ServerView {
    StatusPage page = StatusPage::none;
    ServerKind kind = ServerKind::unknown; // what the server's answers named it
    std::string serverName;                // the Server header of the status page, when it gave one
    std::vector<MountStatus> mounts;       // Icecast: every live mount
    std::vector<std::string> mountsWithoutSource; // Icecast: mounts it lists with no encoder feeding them
    std::optional<std::string> title;      // Shoutcast: the stream's current title
    std::string sid;                       // Shoutcast: the stream whose title that is
    std::vector<ShoutcastStream> streams;  // Shoutcast DNAS: every stream it hosts (the look before)
    std::uint32_t noAnswerError = 0;       // the port gave no web answer at all: Windows' error
    // The server is full: it refused its status page for its client limit, or its list of streams
    // shows them all together at its limit of listeners.
    LimitReached limitReached = LimitReached::none;
};

// True for the content types of a page: text, JSON, XML, or none given. Anything else (an audio
// stream, for one) is not read as a page.
bool isPageContentType(const std::string& contentType);

// Icecast's /status-json.xsl: every mount it lists. Nothing when the text is not that page. With
// one mount Icecast writes "source" as an object, with several as an array; both are read. A
// mount with a fallback is listed while no encoder feeds it too, without a type (hasSource false).
std::optional<std::vector<MountStatus>> parseIcecastStatus(const std::string& json);

// Icecast-KH's /status.xsl, an HTML page with a section per mount ("Mount Point /live") that
// names its content type and current song: every mount it lists. A mount that has a fallback
// is listed while no encoder feeds it too, without a content type (hasSource false). Nothing
// when the text is not that page.
std::optional<std::vector<MountStatus>> parseIcecastStatusPage(const std::string& html);

// The live mount at `path` ("/live"), or null when the view lists none there.
const MountStatus* findMount(const ServerView& view, const std::string& path);

// The listeners of the stream an update reaches, as the view counted them: Icecast's mount at
// `mount`, or Shoutcast DNAS's stream `view.sid` where its own limit is what it reached; none
// where the view does not say.
std::optional<std::uint32_t> listenersOn(const ServerView& view, const std::string& mount);

// Shoutcast v2's /stats: the text of <SONGTITLE>, unescaped; nothing without that element.
std::optional<std::string> parseStatsSongTitle(const std::string& xml);

// Shoutcast's /7.html, "<html><body>listeners,status,peak,max,unique,bitrate,title</body></html>":
// the title (which may itself hold commas), unescaped; nothing when the page has another form.
std::optional<std::string> parseSevenHtmlTitle(const std::string& page);

// Text from an XML or HTML page with the five entities XML predefines and numeric references
// written out as UTF-8; any other "&...;" stays as written.
std::string xmlUnescaped(const std::string& text);

// True when a status page that shows `shown` shows the title `sent` (UTF-8). Icecast reads a
// title's stored bytes as Latin-1 on an MP3 mount without a charset, so "Zoë" may come back as
// "ZoÃ«"; that counts as the same title.
bool showsTitle(const std::string& shown, const std::string& sent);

// True when `shown` is the title `sent` encoded twice: its UTF-8 bytes read as Latin-1 letters.
bool showsTitleEncodedTwice(const std::string& shown, const std::string& sent);

// The name of a mount's format for a DJ: "MP3", "AAC", "Ogg Opus", "Ogg", "FLAC" or the type itself.
std::string formatName(const MountStatus& mount);

// True for formats whose titles travel inside the audio, so Icecast takes no title updates for them.
bool formatRefusesTitleUpdates(const MountStatus& mount);
