// Whether an encoder streams to the mount the plug-in updates, read from the answer to the
// watch's access question, and what the watch says of it through a set. A mount without a source
// refuses every title, yet its listeners may stay: the server moves them to the mount's fallback
// when the encoder moves on, so the stream plays on without the plug-in's titles.
#pragma once

#include "delivery/ServerDialect.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// What an answer to the access question (see AccessCheck.h) shows of the mount's source: true
// for a source, false for none, nothing when it does not tell. Icecast's listener list means a
// source; "Source does not exist" (Icecast 2.4, 2.5) and "mount does not exist" (Icecast-KH)
// none. Shoutcast DNAS's statistics say it in STREAMSTATUS (Icecast-KH's say "NA").
std::optional<bool> sourceInAnswer(ServerDialect dialect, std::uint32_t status, const std::string& body);

// The watch's lines about the mount's source through a set.
class SourceLog {
  public:
    // The lines to show for an answer at `clock` about `where` ("/live", "stream 1"), with the
    // mounts the server streams now, when it lists them (`streamsNow`); none when nothing changed.
    std::vector<std::string> answered(std::optional<bool> live, const std::string& where,
                                      const std::optional<std::vector<std::string>>& streamsNow,
                                      const std::string& clock);
    // True when an answer that shows `live` changes what the log knows: only then may answered()
    // have lines to show, and need the mounts the server streams now.
    bool isNews(std::optional<bool> live) const { return live && live != last_; }

  private:
    std::optional<bool> last_;
};
