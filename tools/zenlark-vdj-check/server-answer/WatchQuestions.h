// What the watch asks the server beside a set, sending no title: whether it still takes the
// password the plug-in sends (and the one the settings file holds now, when the DJ saved another),
// and whether an encoder still streams to the mount. The lines it shows are the judgements of
// AccessLog and SourceLog; this only asks.
#pragma once

#include "CheckVerdict.h"
#include "server-answer/AccessCheck.h"
#include "server-answer/SourceCheck.h"

#include "settings/StreamSettings.h"

#include <optional>
#include <string>
#include <vector>

class WatchQuestions {
  public:
    // `sent`: the section as the plug-in read it when it started; the settings file at `path` is
    // read again for the section `sectionName` at each round.
    WatchQuestions(StreamSettings sent, std::wstring path, std::wstring sectionName);

    // One round of questions; the lines to show. `newTitleAt` as the watch gives it.
    std::vector<std::string> ask(const std::optional<std::string>& newTitleAt);
    // A problem when the server refused the plug-in's password at some time during the watch.
    std::optional<CheckVerdict> verdict() const { return access_.verdict(); }

  private:
    StreamSettings sent_;
    std::wstring path_;
    std::wstring sectionName_;
    AccessLog access_;
    SourceLog source_;
};
