// Plain-word verdicts for every way a title update can go. Numbers (the HTTP status, Windows'
// error) go into the detail, so the verdict itself reads as plain words.
#include "server-answer/AnswerVerdict.h"

#include "AsciiCase.h"
#include "TextParts.h"
#include "UrlText.h"
#include "WinHttpErrors.h"

#include "server-answer/ServerKind.h"
#include "server-answer/ShoutcastStreams.h"

#include "delivery/ShoutcastTitleFilter.h"

#include <algorithm>
#include <cstdint>

static CheckVerdict verdict(bool confirmed, std::string happened, std::string advice) {
    return CheckVerdict{confirmed, std::move(happened), std::move(advice)};
}

static CheckVerdict withDetail(CheckVerdict result, std::string detail) {
    result.detail = std::move(detail);
    return result;
}

static std::string quoted(const std::string& text) {
    return "\"" + text + "\"";
}

// How the server answered: " with "its message"", or " without a word".
static std::string inItsWords(const CheckOutcome& outcome) {
    const std::string message = serverMessage(outcome.answerBody);
    return message.empty() ? std::string(" without a word") : " with " + quoted(message);
}

static std::string statusDetail(std::uint32_t status) {
    return "HTTP status " + std::to_string(status);
}

static std::string errorDetail(std::uint32_t error) {
    return "Windows error " + std::to_string(error);
}

static CheckVerdict notReady(const CheckOutcome& outcome) {
    if (outcome.passwordMissing && holdsUserInfo(outcome.serverUrl))
        return verdict(false,
                       "Nothing was sent: the settings lack password. The user name and password in front of "
                       "the host in server_url do not count: the plug-in takes them only from username and "
                       "password.",
                       userInfoMoved(outcome.serverUrl));
    std::string missing;
    if (outcome.serverUrlMissing)
        missing = "server_url";
    if (outcome.passwordMissing)
        missing += missing.empty() ? "password" : " and password";
    return verdict(false, "Nothing was sent: the settings lack " + missing + ".",
                   "Add " + missing + " to the [stream] section of the settings file.");
}

// The address with its scheme changed to `scheme`.
static std::string withScheme(const std::string& serverUrl, const std::string& scheme) {
    const std::string url = withoutUserInfo(serverUrl);
    const std::size_t colon = url.find("://");
    return colon == std::string::npos ? url : scheme + url.substr(colon);
}

static const char untrustedAuthority[] =
    "Windows does not trust the server's certificate: it is self-signed, or signed by an authority "
    "Windows does not know.";
static const char otherCertificateProblem[] =
    "Windows does not accept the server's certificate: it is made out for another name than the host "
    "in server_url, or it has expired.";
static const char trustAdvice[] =
    "Ask whoever runs the server for a certificate from a public authority (Let's Encrypt gives them "
    "free of charge), or use the server's plain-http port with http:// if it has one. If it is your "
    "own server and you made the certificate yourself, you can add it to Windows' \"Trusted Root "
    "Certification Authorities\" (certlm.msc) on this computer.";
static const char nameAdvice[] =
    "Write the host name the certificate is made out for into server_url (the one your host gives for "
    "https), or ask whoever runs the server to renew its certificate.";

// A TLS port behind a failed exchange: named, with what Windows makes of its certificate.
static CheckVerdict tlsPortVerdict(const CheckOutcome& outcome) {
    const PortTls tls = outcome.tlsOnPort;
    const std::string certificate =
        tls == PortTls::unknownAuthority ? untrustedAuthority : otherCertificateProblem;
    const std::string advice = tls == PortTls::unknownAuthority ? trustAdvice : nameAdvice;
    const bool secure = startsWith(asciiLowered(outcome.serverUrl), "https://");
    if (secure)
        return verdict(false, certificate, advice);
    const std::string line =
        "Write server_url=" + withScheme(outcome.serverUrl, "https") + " (https instead of http)";
    if (tls == PortTls::trusted)
        return verdict(false,
                       "This port speaks https, not plain http: the server did not understand the request.",
                       line + ".");
    return verdict(false, "This port speaks https, not plain http. " + certificate, line + ". " + advice);
}

static CheckVerdict explainNetworkError(const CheckOutcome& outcome) {
    const std::uint32_t error = outcome.report.platformError;
    if (outcome.plainHttpOnPort)
        return verdict(false,
                       "This port speaks plain http, not https: the secure connection could not start.",
                       "Write server_url=" + withScheme(outcome.serverUrl, "http") +
                           " (http instead of https), or the server's https port if it has one.");
    if (outcome.tlsOnPort != PortTls::none)
        return tlsPortVerdict(outcome);
    if (error == winhttpError::nameNotResolved)
        return verdict(false, "The server's name could not be found.",
                       "Check the host name in server_url and this computer's internet connection.");
    if (error == winhttpError::cannotConnect || error == winhttpError::socketRefused)
        return verdict(false, "The connection was refused or could not be made.",
                       "Check the port in server_url and that the server is running and reachable from here "
                       "(firewall, router).");
    // The request went out on a connection the server took: something listens on the port.
    if (outcome.report.failedStep == DeliveryStep::receiveAnswer &&
        (error == winhttpError::timeout || error == winhttpError::socketTimeout))
        return verdict(
            false, "The server took the connection but did not answer in time: it stayed silent for 10 s.",
            "Check the port in server_url: it must be the streaming server's own port, the one its "
            "status page and your listeners use. If it is, the server may be overloaded: try "
            "again in a minute, or ask whoever runs it.");
    if (error == winhttpError::timeout || error == winhttpError::socketTimeout)
        return verdict(false, "The server did not answer in time.",
                       "Check the host and port in server_url; a firewall may be dropping the connection.");
    if (winhttpError::isTlsError(error))
        return verdict(false,
                       "The secure (https) connection failed: Windows does not accept the server's "
                       "certificate, or the server speaks no https on this port.",
                       "Use http:// if the server has no https on this port, or fix the server's certificate "
                       "(it must match the host name and be signed by an authority Windows trusts).");
    if (error == winhttpError::invalidServerResponse)
        return verdict(false, "The server answered with something that is not a web answer.",
                       "Check that server_url names the port that takes title updates: Shoutcast servers and "
                       "Liquidsoap's harbor take the encoder on the port one above it. Check also that the "
                       "scheme (http or https) is the one the server speaks on this port.");
    if (winhttpError::isConnectionDropped(error))
        return verdict(false, "The server closed or reset the connection without answering.",
                       "Check that server_url points at the server's web port and that the scheme (http or "
                       "https) is the one the server speaks.");
    return verdict(false, "The request failed.", "Check server_url and the network connection.");
}

// The port one above the one for title updates takes the encoder at Shoutcast servers and
// Liquidsoap's harbor; an encoder's port copied into server_url fails the HTTP exchange.
static CheckVerdict sourcePort(const CheckOutcome& outcome) {
    const std::string port = std::to_string(outcome.port);
    const std::string below = std::to_string(outcome.port - 1);
    return verdict(false,
                   "Port " + port + " gave no web answer, but port " + below +
                       " does: server_url most likely names the encoder's (source) port, not the one for "
                       "title updates.",
                   "Use port " + below +
                       " in server_url, the port one lower. Shoutcast servers and Liquidsoap's "
                       "harbor take the encoder on the port one above the one that takes title updates.");
}

static CheckVerdict networkFailure(const CheckOutcome& outcome) {
    const CheckVerdict result = outcome.httpOnPortBelow && mayBeSourcePort(outcome.report)
                                    ? sourcePort(outcome)
                                    : explainNetworkError(outcome);
    return withDetail(result, errorDetail(outcome.report.platformError));
}

// The mount's status before the update, when the server published it.
static const MountStatus* mountBefore(const CheckOutcome& outcome) {
    return outcome.before ? findMount(*outcome.before, outcome.mount) : nullptr;
}

static bool knowsMounts(const CheckOutcome& outcome) {
    return outcome.before && outcome.before->page == StatusPage::icecast;
}

// The server as the look before the update found it.
static const ServerDescription& serverOf(const CheckOutcome& outcome) {
    return describeServer(outcome.before ? outcome.before->kind : ServerKind::unknown);
}

static CheckVerdict refusedUrlUpdates(const CheckOutcome& outcome) {
    const MountStatus* mount = mountBefore(outcome);
    if (mount != nullptr && formatRefusesTitleUpdates(*mount))
        return verdict(
            false,
            "Icecast refused the title: the mount " + outcome.mount + " streams " + formatName(*mount) +
                ", which carries its titles inside the audio, so Icecast "
                "takes no title updates for it.",
            "Stream MP3 or AAC (or Ogg Vorbis) to the mount your listeners hear, and let the plug-in "
            "update that mount.");
    if (mount != nullptr)
        return verdict(
            false,
            "Icecast refused the title: it takes updates with the source password only from "
            "the encoder's own address, and this computer is not where the encoder streams "
            "from.",
            "Set username and password to Icecast's admin user and admin password (from the "
            "server's icecast.xml, or your host's control panel), or run the plug-in on the computer "
            "that runs the encoder.");
    return verdict(false, "Icecast refused the title: " + quoted(serverMessage(outcome.answerBody)) + ".",
                   "Either the mount's format carries no titles (Ogg Opus, FLAC, WebM): use an MP3 or AAC "
                   "mount, or Ogg Vorbis. Or the update comes from another address than the encoder and "
                   "the credentials are not the admin's: when the encoder runs on another machine, set "
                   "username and password to Icecast's admin user and password.");
}

// How each server says that it took a title. Icecast answers /admin/metadata with an XML
// message and admin.cgi with an HTML page holding the same words; Liquidsoap's harbor answers
// both of its inputs with one bare line that names the mount.
struct Confirmation {
    const char* words;
    const char* server;
};
static const Confirmation confirmations[] = {
    {"Metadata update successful", "Icecast"},
    {"Updated metadatas for mount", "Liquidsoap's harbor"},
};

static const Confirmation* confirmationIn(const std::string& body) {
    for (const Confirmation& confirmation : confirmations) {
        if (contains(body, confirmation.words))
            return &confirmation;
    }
    return nullptr;
}

static CheckVerdict unknownSuccess(const CheckOutcome& outcome) {
    CheckVerdict result = verdict(
        false,
        "The server took the request" + inItsWords(outcome) +
            ", an answer this tool does not know, and shows no title it could read back. The plug-in "
            "counts it as delivered, but nothing here confirms that the title was taken.",
        "Look at what a player (or the server's status page) shows: if the test title is there, all is well. "
        "If not, check that server_url points at the streaming server itself and that protocol matches it.");
    result.unknownAnswer = true;
    return withDetail(result, statusDetail(outcome.report.status));
}

static CheckVerdict confirmedInWords(const CheckOutcome& outcome, const Confirmation& confirmation) {
    const std::string message = serverMessage(outcome.answerBody);
    const bool messageIsTheWords = message.rfind(confirmation.words, 0) == 0;
    return verdict(true,
                   std::string(confirmation.server) + " confirmed the update: " +
                       quoted(messageIsTheWords ? message : confirmation.words) + ".",
                   "");
}

static CheckVerdict shownOnServer(const ReadBack& back) {
    return verdict(true,
                   std::string(serverNameOf(back)) + " took the title: its status now shows it on " +
                       back.where + ".",
                   "");
}

// Icecast feeds an encoder in Shoutcast mode to this mount unless its admin names another.
static const std::string icecastsShoutcastMount = "/stream";

// The line that moves a section to Icecast's own update, which reaches every mount, so
// protocol=icecast2 is right whichever way the encoder connects.
static std::string icecastUpdateLine(const std::string& mount, const std::string& shoutcastMount) {
    std::string line = "Write protocol=icecast2 and mount=" + mount;
    if (!shoutcastMount.empty() && shoutcastMount != mount)
        line += " (or mount=" + shoutcastMount + " if your encoder connects in Shoutcast mode)";
    return line + ".";
}

// The same line from the mounts the server listed: the section's own mount where it is live,
// else the mount an encoder in Shoutcast mode feeds, else the one live mount.
static std::string icecastUpdateLineFromStatus(const CheckOutcome& outcome) {
    const std::string anyMount = "Write protocol=icecast2 and mount= with the mount your encoder streams to";
    if (!knowsMounts(outcome))
        return anyMount + ".";
    const ServerView& view = *outcome.before;
    const std::string shoutcastMount =
        findMount(view, icecastsShoutcastMount) != nullptr ? icecastsShoutcastMount : std::string();
    if (findMount(view, outcome.mount) != nullptr)
        return icecastUpdateLine(outcome.mount, shoutcastMount);
    if (!shoutcastMount.empty())
        return icecastUpdateLine(shoutcastMount, "");
    if (view.mounts.size() == 1)
        return icecastUpdateLine(view.mounts.front().path, "");
    std::vector<std::string> paths;
    for (const MountStatus& live : view.mounts)
        paths.push_back(live.path);
    return anyMount + (paths.empty() ? "" : ", one of " + listInWords(paths)) + ".";
}

// Icecast's Shoutcast-compatible port feeds one mount of its own, and its admin.cgi updates
// that mount, whatever else the server streams.
static CheckVerdict wentElsewhere(const CheckOutcome& outcome) {
    const ReadBack& back = outcome.readBack;
    if (outcome.dialect == ServerDialect::Shoutcast)
        return verdict(false,
                       "This server is Icecast: its Shoutcast-style update put the title on its own "
                       "Shoutcast mount " +
                           back.landedOn + ", not on " + back.where + ".",
                       icecastUpdateLine(back.where, back.landedOn));
    return verdict(false, "Icecast shows the title on " + back.landedOn + ", not on " + back.where + ".",
                   "Write mount=" + back.landedOn + " if that is the mount your listeners hear.");
}

// DNAS throws away the update of a stream it does not host, or that has no source, without a
// word; its list of streams before the update tells which.
static std::optional<CheckVerdict> streamNotThere(const CheckOutcome& outcome) {
    if (!outcome.before || outcome.before->streams.empty())
        return std::nullopt;
    const std::vector<ShoutcastStream>& streams = outcome.before->streams;
    const std::uint32_t id = dnasStreamOf(outcome.before->sid, std::string());
    const std::string number = std::to_string(id);
    const ShoutcastStream* stream = findStream(streams, id);
    if (stream == nullptr) {
        std::vector<std::string> hosted;
        for (const ShoutcastStream& each : streams)
            hosted.push_back(streamInWords(each));
        // A password that ends in ":#N" picks the stream before sid does.
        const bool byPassword = dnasStreamOf(outcome.sid, std::string()) != id;
        return verdict(
            false, "This server has no stream " + number + ": it hosts " + listInWords(hosted) + ".",
            byPassword ? "The password's ending :#" + number + " picks stream " + number +
                             ": end the password in :# with the number of your stream instead, or "
                             "leave that ending out and write sid= with it."
                       : "Write sid= with the number of your stream, or start your encoder on stream " +
                             number + " if that is yours.");
    }
    if (stream->live)
        return std::nullopt;
    return verdict(false,
                   "Nothing streams to " + streamInWords(*stream) +
                       " now: Shoutcast DNAS throws titles away for a stream without a source.",
                   "Start your encoder on stream " + number + ", then check again.");
}

// Shoutcast answers every update with an empty 200, whatever became of it. A title its filter
// drops for how it starts went out in a form that passes, so the filter is named only for titles
// no form helps: placeholders and forbidden contents.
static CheckVerdict notShownOnShoutcast(const CheckOutcome& outcome) {
    const ReadBack& back = outcome.readBack;
    const std::string happened = "The server took the update without a word, but " + back.where +
                                 " still shows " + titleInWords(back.shownTitle) + ".";
    if (shoutcastFilterRefuses(outcome.sentTitle))
        return verdict(false, happened + " Its title filter refuses titles like this one.",
                       "Send a real song title (or leave out --title): Shoutcast drops titles such as "
                       "\"test\" or \"unknown\", "
                       "and titles that hold words such as \"radio online\".");
    if (const std::optional<CheckVerdict> stream = streamNotThere(outcome))
        return *stream;
    // Version 2 refuses a wrong password aloud; version 1, read through /7.html alone, may not.
    const std::string password = back.page == StatusPage::sevenHtml
                                     ? "; and the password (the stream's source password, or the admin's)"
                                     : "";
    return verdict(
        false, happened,
        "Check, in this order: sid (stream " + outcome.sid +
            " must exist on this server: see its "
            "status page); that your encoder is live on that stream; that the title passes the "
            "server's filter, which drops titles such as \"test\" or \"unknown\"" +
            password + ".");
}

// The mount reads the update's UTF-8 title as Latin-1 and stores it encoded twice. Asking for
// UTF-8 in the update itself would mend it there but break Icecast 2.4 and 2.5 on Latin-1
// mounts, so the update stays as it is and the mount's setting is what changes.
static CheckVerdict encodedTwice(const CheckOutcome& outcome) {
    const ReadBack& back = outcome.readBack;
    return verdict(false,
                   std::string(serverOf(outcome).name) + " took the title, but the mount " + back.where +
                       " stores it encoded twice: listeners see " + titleInWords(back.shownTitle) +
                       ". The mount reads titles as Latin-1 (ISO-8859-1), so every letter outside ASCII "
                       "reaches listeners garbled.",
                   "Ask whoever runs the server to set the charset of the mount " + back.where +
                       " to UTF-8 (<charset>UTF-8</charset> in its mount settings). Titles in plain ASCII "
                       "reach listeners as they are meanwhile.");
}

static CheckVerdict notShownOnIcecast(const CheckOutcome& outcome) {
    const ReadBack& back = outcome.readBack;
    return verdict(false,
                   "Icecast answered that it took the title, but its status still shows " +
                       titleInWords(back.shownTitle) + " on " + back.where + ".",
                   "Something else may set the title of " + back.where +
                       " (the encoder, another program), or "
                       "the server changed it back. Check again, and look at what a player shows.");
}

// DNAS takes Icecast's update too, for the stream whose path the mount names (stream 1 for any
// other mount), but with no way past its title filter, which the Shoutcast-style update passes
// with an invisible character in front of titles it would drop for how they start.
static bool icecastUpdateToDnas(const CheckOutcome& outcome) {
    return serverOf(outcome).icecastUpdateByStreamPath && outcome.dialect == ServerDialect::Icecast;
}

static CheckVerdict icecastUpdateOnDnas(const CheckOutcome& outcome) {
    // The look before the update read the stream the mount names.
    const std::string stream = outcome.before && !outcome.before->sid.empty() ? outcome.before->sid : "1";
    const std::string line =
        "Write protocol=shoutcast2 and sid=" + stream +
        (stream == "1" ? ", or your stream's number if the server has several (its status "
                         "page lists them)."
                       : ".");
    if (outcome.report.status == 401)
        return verdict(
            false, "Shoutcast DNAS refused the user name or password.",
            line + " Shoutcast's update takes the stream's source (DJ) password or the admin password.");
    const ReadBack& back = outcome.readBack;
    const std::string happened =
        back.result == ReadBack::Result::shown
            ? "This server is Shoutcast DNAS: it took the Icecast-style update for stream " + stream +
                  ", but it picks the stream only by a mount that is a stream's path (stream 1 for any other), "
                  "and in this form its filter drops titles that start with punctuation or words such as "
                  "\"Track\"."
            : "This server is Shoutcast DNAS: it took the Icecast-style update without a word, but stream " +
                  stream + " still shows " + titleInWords(back.shownTitle) + ".";
    return verdict(false, happened, line);
}

LimitReached limitSeenIn(const ServerView& before) {
    if (before.limitReached != LimitReached::none)
        return before.limitReached;
    const ShoutcastStream* stream = findStream(before.streams, dnasStreamOf(before.sid, std::string()));
    return stream != nullptr && isFull(*stream) ? LimitReached::listeners : LimitReached::none;
}

static CheckVerdict taken(const CheckOutcome& outcome, const CheckVerdict& result) {
    const LimitReached limit = outcome.before ? limitSeenIn(*outcome.before) : LimitReached::none;
    if (!result.confirmed || limit == LimitReached::none)
        return result;
    return withFullStream(result, limit,
                          outcome.before ? listenersOn(*outcome.before, outcome.mount) : std::nullopt);
}

// What the server shows after the update decides; its own words count where it shows nothing.
static CheckVerdict success(const CheckOutcome& outcome) {
    if (holdsRefusedUpdate(outcome.answerBody))
        return withDetail(refusedUrlUpdates(outcome), statusDetail(outcome.report.status));
    if (icecastUpdateToDnas(outcome))
        return withDetail(icecastUpdateOnDnas(outcome), statusDetail(outcome.report.status));
    switch (outcome.readBack.result) {
    case ReadBack::Result::shown:
        return taken(outcome, shownOnServer(outcome.readBack));
    case ReadBack::Result::elsewhere:
        return wentElsewhere(outcome);
    case ReadBack::Result::encodedTwice:
        return encodedTwice(outcome);
    case ReadBack::Result::notShown:
        return outcome.readBack.page == StatusPage::icecast ? notShownOnIcecast(outcome)
                                                            : notShownOnShoutcast(outcome);
    case ReadBack::Result::notRead:
        break;
    }
    const Confirmation* confirmation = confirmationIn(outcome.answerBody);
    if (confirmation != nullptr)
        return taken(outcome, confirmedInWords(outcome, *confirmation));
    return unknownSuccess(outcome);
}

// Liquidsoap's harbor answers refusals with XHTML pages under this title.
static bool fromHarbor(const std::string& body) {
    return contains(body, "Liquidsoap source harbor");
}

static CheckVerdict harborRefusal(const CheckOutcome& outcome) {
    const std::uint32_t status = outcome.report.status;
    const bool icecast = outcome.dialect == ServerDialect::Icecast;
    if (status == 401)
        return verdict(
            false, "Liquidsoap's harbor refused the user name or password.",
            icecast ? "Use the user name and password of the harbor's input, the ones the encoder uses "
                      "(the user is normally \"source\"); the harbor has no admin user."
                    : "Use the password of the harbor's input and username=source (or the input's own "
                      "user): the harbor compares the user name as well as the password.");
    if (status == 405)
        return verdict(
            false,
            "Liquidsoap's harbor has no live source on this input, or its source's format carries "
            "titles of its own (Ogg).",
            "Start the encoder first, streaming MP3 or AAC; the harbor takes no title updates for an "
            "Ogg stream.");
    if (icecast)
        return verdict(false, "Liquidsoap's harbor has no input on this mount.",
                       "Set mount to the mount of the harbor's input, as the encoder uses it.");
    return verdict(
        false, "This port of Liquidsoap's harbor has no Shoutcast-style (ICY) input.",
        "Use the port of the harbor's ICY input, or protocol=icecast2 with the mount of this port's "
        "input.");
}

static CheckVerdict unknownRefusal(const CheckOutcome& outcome) {
    return verdict(false,
                   "The server refused the request" + inItsWords(outcome) +
                       ", an answer this tool does not know. The plug-in counts it as a failure.",
                   "Check server_url, protocol and mount.");
}

// A mount name without what DJs put around it: the server's address in front (a listen address
// pasted whole), a slash at the end, a file ending, and letter case. "/Live.mp3", "/live/" and
// "http://radio.example.com:8000/live" are all like "/live".
static std::string mountStem(const std::string& mount) {
    std::string stem = mount;
    const std::size_t scheme = stem.find("://");
    if (scheme != std::string::npos) {
        const std::size_t path = stem.find('/', scheme + 3);
        stem = path == std::string::npos ? "/" : stem.substr(path);
    }
    while (stem.size() > 1 && stem.back() == '/')
        stem.pop_back();
    const std::size_t dot = stem.rfind('.');
    if (dot != std::string::npos && dot > stem.rfind('/'))
        stem.erase(dot);
    return asciiLowered(stem);
}

// The mount has no source: the server's status tells whether any encoder streams, and where.
static CheckVerdict mountWithoutSource(const CheckOutcome& outcome) {
    if (!knowsMounts(outcome))
        return verdict(false, "The mount " + outcome.mount + " has no live source.",
                       "Start the encoder first, then check that mount names the mount it streams to.");
    const std::vector<std::string>& idle = outcome.before->mountsWithoutSource;
    if (outcome.mountPlays || std::find(idle.begin(), idle.end(), outcome.mount) != idle.end())
        return verdict(false,
                       "No encoder streams to " + outcome.mount +
                           " now: the server keeps the mount and plays its fallback there, but takes no "
                           "titles for it while your encoder is not connected.",
                       "Start your encoder on " + outcome.mount + " (the mount in its settings must be " +
                           outcome.mount + "), then check again.");
    const std::vector<MountStatus>& mounts = outcome.before->mounts;
    if (mounts.empty())
        return verdict(false, "No encoder is streaming to this server right now.",
                       "Start the encoder first, then check again.");
    for (const MountStatus& live : mounts) {
        if (mountStem(live.path) == mountStem(outcome.mount))
            return verdict(false,
                           "The server streams " + live.path + ", but mount says " + outcome.mount + ".",
                           "Write mount=" + live.path + ".");
    }
    std::vector<std::string> paths;
    for (const MountStatus& live : mounts)
        paths.push_back(live.path);
    const std::string list = listInWords(paths);
    return verdict(false, "The server streams " + list + ", but not " + outcome.mount + ".",
                   mounts.size() == 1
                       ? "Write mount=" + mounts.front().path + " if your encoder streams there."
                       : "Write mount= with the mount your encoder streams to, one of " + list + ".");
}

// Icecast takes a user only with that user's own password: source with the mount's source
// password, the admin user with the admin password.
static CheckVerdict icecastRefusedLogin(const CheckOutcome& outcome) {
    const std::string refused = "The server refused the user name or password";
    const std::string adminPair = "Icecast's admin user (normally username=admin) with the admin password, "
                                  "from the server's icecast.xml or your host's control panel";
    if (asciiLowered(outcome.username) == "source")
        return verdict(false, refused + ".",
                       "With username=source, write the mount's source password, the one your encoder uses; "
                       "or write " +
                           adminPair + ".");
    // A line "username=" with nothing after it is used as it stands, not as the default.
    if (outcome.username.empty())
        return verdict(
            false, refused + ": username= is empty, so the plug-in sends no user name.",
            "Write username=source with the mount's source password (the one your encoder uses), or " +
                adminPair + ".");
    return verdict(false,
                   refused + ": username=" + outcome.username + " takes only that user's own password.",
                   "Write username=source with the mount's source password (the one your encoder uses), or " +
                       adminPair + ". The source password with another user name is refused.");
}

// A server that answered, published no status this tool reads and has no page for title
// updates where Icecast and Shoutcast always have one: a web server, not a streaming server.
static bool answeredAsWebServer(const CheckOutcome& outcome) {
    return outcome.report.status == 404 && outcome.before && outcome.before->page == StatusPage::none;
}

static CheckVerdict webServer() {
    return verdict(false,
                   "This address answers as a web server does, not as Icecast or Shoutcast: it has no page "
                   "for title updates.",
                   "Write the streaming server's own address and port into server_url, as your host's "
                   "control panel or your encoder's settings give them (such as "
                   "http://radio.example.com:8000/), not the address of a web site.");
}

static CheckVerdict rejectedByIcecast(const CheckOutcome& outcome) {
    const std::uint32_t status = outcome.report.status;
    const std::string& body = outcome.answerBody;
    if (status == 401)
        return icecastRefusedLogin(outcome);
    if ((status == 400 || status == 404) &&
        (contains(body, "Source does not exist") || contains(body, "not available")))
        return mountWithoutSource(outcome);
    if (answeredAsWebServer(outcome))
        return webServer();
    if (status == 400 || status == 404)
        return verdict(false, "The server has no title updates at this address.",
                       "Check the path in server_url: write only scheme, host and port, as in "
                       "http://radio.example.com:8000/, unless the server lives in a folder of its own.");
    return unknownRefusal(outcome);
}

static CheckVerdict rejectedByShoutcast(const CheckOutcome& outcome) {
    const std::uint32_t status = outcome.report.status;
    const ServerDescription& server = serverOf(outcome);
    if (status == 401 && server.refusesShoutcastUpdates)
        return verdict(false,
                       std::string(server.name) +
                           " refuses every Shoutcast-style update (admin.cgi), the right password included: "
                           "it takes titles only through Icecast's own update.",
                       icecastUpdateLineFromStatus(outcome));
    if (status == 401)
        return verdict(false, "The server refused the password.",
                       "Check the Shoutcast password (the stream's source (DJ) password, or the admin "
                       "password) and username: servers that also read the user name, such as "
                       "Liquidsoap's harbor, want the user the encoder logs in with, normally \"source\".");
    if (status == 400)
        return verdict(
            false, "The server would not take a Shoutcast update for this stream.",
            "Icecast takes admin.cgi only for a source that connected through its Shoutcast-"
            "compatible port: set protocol=icecast2 and mount, or connect the encoder in Shoutcast "
            "mode. On a Shoutcast server check sid.");
    if (answeredAsWebServer(outcome))
        return webServer();
    if (status == 404)
        return verdict(
            false, "The server has no Shoutcast update page (admin.cgi) here.",
            "Check the path in server_url, and protocol: an Icecast server wants protocol=icecast2.");
    return unknownRefusal(outcome);
}

// The plug-in never follows a redirect, which would carry its password along to wherever it leads.
static CheckVerdict redirected(const CheckOutcome& outcome) {
    const std::string address = redirectedAddress(outcome.serverUrl, outcome.redirectedTo);
    if (address.empty())
        return verdict(false, "The server sends the request elsewhere, without saying where.",
                       "Ask whoever runs the server for its address for encoders, and write it into "
                       "server_url.");
    return verdict(false, "The server sends the request elsewhere: to " + address + ".",
                   "Write server_url=" + address + " if that is your streaming server.");
}

// A server at its client limit turns away every request, the title update included.
static CheckVerdict serverFull(const CheckOutcome& outcome) {
    return verdict(false,
                   std::string(serverOf(outcome).name) +
                       " is full: it takes no more connections (its client limit), so it refused the title "
                       "update too, and new listeners as well.",
                   "Titles get through again once some listeners leave. Ask whoever runs the server to raise "
                   "its client limit (<clients> in icecast.xml).");
}

static CheckVerdict rejected(const CheckOutcome& outcome) {
    const std::uint32_t status = outcome.report.status;
    if (fromHarbor(outcome.answerBody) && (status == 400 || status == 401 || status == 405))
        return harborRefusal(outcome);
    if (limitReachedIn(outcome.answerBody) == LimitReached::connections)
        return serverFull(outcome);
    if (status == 403)
        return verdict(
            false, "The server forbids this update.",
            "Check username and password; the server may allow updates only from certain addresses.");
    if (status >= 300 && status < 400)
        return redirected(outcome);
    if (status >= 500)
        return verdict(false, "The server failed.", "Try again later, or look at the server's log.");
    if (icecastUpdateToDnas(outcome) && status == 401)
        return icecastUpdateOnDnas(outcome);
    if (outcome.dialect == ServerDialect::Icecast)
        return rejectedByIcecast(outcome);
    return rejectedByShoutcast(outcome);
}

CheckVerdict judgeOutcome(const CheckOutcome& outcome) {
    switch (outcome.report.failedStep) {
    case DeliveryStep::none:
        return success(outcome);
    case DeliveryStep::notReady:
        return notReady(outcome);
    case DeliveryStep::badAddress:
        return verdict(false, "Nothing was sent: server_url cannot be used. " + outcome.addressProblem,
                       "Write server_url as http://host:port/ or https://host:port/, for example "
                       "http://radio.example.com:8000/.");
    case DeliveryStep::statusRejected:
        return withDetail(rejected(outcome), statusDetail(outcome.report.status));
    default:
        return networkFailure(outcome);
    }
}

CheckVerdict withFullStream(CheckVerdict taken, LimitReached limit, std::optional<std::uint32_t> listeners) {
    if (limit == LimitReached::none)
        return taken;
    const std::string count =
        listeners ? ": " + std::to_string(*listeners) + (*listeners == 1 ? " listener" : " listeners") : "";
    if (limit == LimitReached::connections) {
        taken.happened += " But the server is full: it takes no more connections (its client limit), so it "
                          "turns new listeners away; those already in get the title.";
        taken.advice = "Ask whoever runs the server to raise its client limit (<clients> in icecast.xml).";
        return taken;
    }
    taken.happened += " But the stream is full" + count +
                      ", so the server turns new listeners away; those already in get the title.";
    taken.advice = "Ask whoever runs the server for more listener slots, or wait until some listeners leave.";
    return taken;
}

static bool duringExchange(const DeliveryReport& report) {
    return report.failedStep == DeliveryStep::sendRequest || report.failedStep == DeliveryStep::receiveAnswer;
}

bool mayBeSourcePort(const DeliveryReport& report) {
    return duringExchange(report) && (report.platformError == winhttpError::invalidServerResponse ||
                                      winhttpError::isConnectionDropped(report.platformError));
}

bool mayBePlainHttpError(std::uint32_t platformError) {
    return winhttpError::isTlsError(platformError) || winhttpError::isConnectionDropped(platformError) ||
           platformError == winhttpError::invalidServerResponse;
}

bool mayBePlainHttpPort(const DeliveryReport& report) {
    return duringExchange(report) && mayBePlainHttpError(report.platformError);
}

static std::string between(const std::string& text, const char* open, const char* close) {
    const std::size_t start = text.find(open);
    if (start == std::string::npos)
        return std::string();
    const std::size_t from = start + std::char_traits<char>::length(open);
    const std::size_t end = text.find(close, from);
    return end == std::string::npos ? std::string() : text.substr(from, end - from);
}

// The text of an answer without markup, on one line, cut to a readable length.
static std::string plainText(const std::string& text) {
    std::string result;
    bool inTag = false;
    for (char c : text) {
        if (c == '<' || c == '>') {
            inTag = c == '<';
            c = ' ';
        } else if (inTag) {
            continue;
        }
        const unsigned char byte = static_cast<unsigned char>(c);
        const bool space = byte <= 0x20 || byte == 0x7F;
        if (space && (result.empty() || result.back() == ' '))
            continue;
        result += space ? ' ' : c;
        if (result.size() >= 200)
            break;
    }
    while (!result.empty() && result.back() == ' ')
        result.pop_back();
    return result;
}

std::string serverMessage(const std::string& answerBody) {
    // Audio (DNAS answers a path it does not know with its stream) holds NUL bytes; text never does.
    if (answerBody.find('\0') != std::string::npos)
        return std::string();
    const std::string message = between(answerBody, "<message>", "</message>");
    if (!message.empty())
        return plainText(message);
    return plainText(answerBody);
}
