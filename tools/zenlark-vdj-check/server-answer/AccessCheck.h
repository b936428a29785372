// Asking a server, without changing anything, whether it still takes the settings' user name and
// password, and what the watch beside a set says about its answers. The plug-in's updates are
// refused without a word, so a password changed at the server mid-set shows nowhere else.
//
// The request for each server, as measured on the real ones:
// - Icecast 2.4, 2.5 and Icecast-KH: GET <path>/admin/listclients?mount=<mount> with the update's
//   Basic authorization. It lists the mount's listeners (200, "<icestats"); while the mount has no
//   source, 2.4 answers 400 "Source does not exist", KH 400 "mount does not exist" and 2.5 404
//   with the same words in a report. The password is checked first: 401 refuses it.
// - Shoutcast DNAS 2.6, and Icecast-KH's admin.cgi: GET <path>/admin.cgi?sid=<sid>&mode=viewxml&
//   pass=<password> gives the stream's statistics (200, "<SHOUTCASTSERVER"), with the source
//   password or the admin's; 401 refuses. Icecast 2.4's admin.cgi answers 400 "Missing
//   parameter" to a password it takes and 401 to one it refuses; 2.5's refuses every admin.cgi
//   request, as it refuses every update there.
// - Liquidsoap's harbor checks the password only on an update that carries a title; every other
//   request gets 400 or 500 whatever the password. There is no such request: the watch says so.
#pragma once

#include "CheckVerdict.h"

#include "delivery/ServerDialect.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

enum class Access {
    taken,      // the server takes the user name and password
    refused,    // it refuses them: the plug-in's titles do not get through
    unanswered, // no HTTP answer (the server is down, the network gone): ask again later
    unknown,    // an answer that tells neither: this server has no such request
};

// The request target (ASCII) after the server address's `basePath` (already escaped, without a
// trailing "/"); `mount` as the update names it, `sid`, `password` as UTF-8.
std::string accessCheckTarget(ServerDialect dialect, const std::string& basePath, const std::string& mount,
                              const std::string& sid, const std::string& password);

// What an answer to that request says; status 0 for no HTTP answer.
Access judgeAccess(ServerDialect dialect, std::uint32_t status, const std::string& body);

// How often the watch asks, besides after each drop of the stream and each reconnection.
constexpr int accessCheckSeconds = 30;

// One round of the watch's question. The plug-in reads the settings file only when it starts,
// so the watch asks with what the plug-in sends, and with what the file holds now when the DJ
// saved other credentials since.
struct AccessAnswers {
    Access sent = Access::unanswered;      // the credentials the plug-in sends
    std::optional<Access> file;            // the file's, when they differ from those
    std::optional<std::string> newTitleAt; // when a new title reached listeners since the last round
};

// The watch's lines about the answers through a set, and its verdict at the end.
class AccessLog {
  public:
    // The lines to show for an answer at `clock` ("22:53:05"); none when nothing changed.
    std::vector<std::string> answered(Access access, const std::string& clock);
    std::vector<std::string> answered(const AccessAnswers& answers, const std::string& clock);
    // True after the round that showed the plug-in switched off and on: a new title reached
    // listeners while the server refused what the plug-in sent and took the file's credentials.
    // The plug-in sends the file's from then on, and the watch asks with them.
    bool pluginRestarted() const { return restarted_; }
    // False once the server showed that it has no such request: asking again is no use.
    bool worthAsking() const { return worthAsking_; }
    // A problem when the server refused the password at some time during the watch.
    std::optional<CheckVerdict> verdict() const;

  private:
    struct Refusal {
        std::string from;
        std::string until; // empty while it lasts
    };
    std::vector<std::string> sentAnswered(Access access, const std::string& clock,
                                          const std::string& takenAt);
    std::vector<std::string> fileAnswered(std::optional<Access> file, const std::string& clock);

    std::optional<Access> last_;     // taken or refused
    std::optional<Access> lastFile_; // the file's credentials: taken or refused, while they differ
    std::string fileTakenSince_;     // when the server took the file's credentials, while it does
    std::vector<Refusal> refusals_;
    bool restarted_ = false;
    bool worthAsking_ = true;
};
