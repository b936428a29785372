// What one server is told is playing. A changed track text comes through only once it has stayed
// audible for the title delay without a break, and a text on the skip list never does; until
// then the text that came through before stands, so the send rule keeps refreshing it.
#pragma once

#include "settings/StreamSettings.h"

#include <cstdint>
#include <string>
#include <vector>

// The host's bytes as the text the skip list is matched against.
using HostTextReader = std::wstring (*)(const std::string& hostText);

class TitleGate {
public:
    // No delay and no skip list: every text comes through on the poll that read it.
    TitleGate() = default;
    TitleGate(std::int32_t delayMilliseconds, std::vector<std::wstring> skipTitles, HostTextReader readHostText);

    // The text for the send rule from a poll that read `trackText` at `pollTime` (nanoseconds on
    // the poll clock). Empty text (no deck audible) stays empty and breaks a wait.
    std::string pass(const std::string& trackText, std::int64_t pollTime);

private:
    bool isSkipped(const std::string& trackText) const;

    std::int64_t delayNanoseconds_ = 0;
    std::vector<std::wstring> skipTitles_;
    HostTextReader readHostText_ = nullptr;
    std::string passed_;  // the text that came through last
    std::string waiting_; // a changed text waiting out the delay; empty when none
    std::int64_t waitingSince_ = 0;
};

// The gate of the server these settings describe: its title_delay and skip_titles.
TitleGate titleGateFor(const StreamSettings& settings, HostTextReader readHostText);
