// The now-playing probe against hosts that answer badly: odd numbers, overfull or ill-formed
// text, or nothing at all. Every case must give a defined text without reading past a buffer.
#include "RecordingHost.h"

#include "nowplaying/NowPlayingProbe.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>

static const double nan = std::numeric_limits<double>::quiet_NaN();
static const double infinity = std::numeric_limits<double>::infinity();

static std::string nowPlaying(RecordingHost& host) {
    const PluginObject plugin = host.pluginObject();
    return readNowPlaying(plugin);
}

TEST(HostileHost, NotANumberNeverWinsAndLeavesOtherDecksTheirChance) {
    RecordingHost host;
    host.numbers["crossfader"] = nan;
    host.deck(1, 1, 1, "One", "A");
    host.deck(2, 1, 1, "Two", "B");
    EXPECT_EQ(nowPlaying(host), ""); // both crossfaded decks score NaN
    host.deck(3, 1, 0.5, "Three", "C");
    EXPECT_EQ(nowPlaying(host), "Three - C");
    host.numbers["crossfader"] = 0;
    host.deck(1, nan, 1, "One", "A"); // a NaN play value is not playing
    host.deck(3, 1, nan, "Three", "C");
    EXPECT_EQ(nowPlaying(host), ""); // deck 2 scores 0 at crossfader 0, deck 3 NaN
}

TEST(HostileHost, InfiniteAndHugeValuesPickADeckOrNone) {
    RecordingHost host;
    host.numbers["crossfader"] = 0;
    host.deck(1, 1, infinity, "One", "A");
    host.deck(2, 1, infinity, "Two", "B"); // infinity times 0 is NaN: never wins
    EXPECT_EQ(nowPlaying(host), "One - A");

    host.numbers["crossfader"] = 1e300;   // far past deck 2's end
    host.deck(1, 1, 1, "One", "A");       // scores -1e300
    host.deck(2, 1, 1e300, "Two", "B");   // overflows to +infinity
    EXPECT_EQ(nowPlaying(host), "Two - B");

    host.numbers["crossfader"] = -infinity;
    host.deck(1, infinity, 1, "One", "A"); // an infinite play value counts as playing
    host.deck(2, 1, 1, "Two", "B");
    EXPECT_EQ(nowPlaying(host), "One - A");
}

TEST(HostileHost, NegativeVolumesAndCrossfaderNeverMakeADeckAudible) {
    RecordingHost host;
    host.numbers["crossfader"] = 0.5;
    host.deck(1, 1, -1, "One", "A");
    host.deck(2, 1, -infinity, "Two", "B");
    host.deck(3, 1, -0.0, "Three", "C");
    host.deck(4, 1, -1e308, "Four", "D");
    EXPECT_EQ(nowPlaying(host), "");

    host.numbers["crossfader"] = -3; // deck 2 negative, deck 1 weighted four times
    host.deck(1, 1, 1, "One", "A");
    host.deck(2, 1, 1, "Two", "B");
    EXPECT_EQ(nowPlaying(host), "One - A");
}

TEST(HostileHost, ACharacterCutByTheBufferEndIsDroppedWhole) {
    RecordingHost host;
    host.leaveBufferWithoutNul = true;
    host.numbers["crossfader"] = 0;
    host.deck(1, 1, 1, std::string(510, 'a') + "\xE2\x82\xAC", "");
    EXPECT_EQ(nowPlaying(host), std::string(510, 'a'));
}

TEST(HostileHost, IllFormedUtf8PassesThroughAsBytes) {
    RecordingHost host;
    host.numbers["crossfader"] = 0;
    const std::string artist = "\xFF\xFE\x80 \xC3";
    const std::string title = std::string("\xED\xA0\x80", 3) + "\xF8\x88\x80\x80\x80";
    host.deck(1, 1, 1, artist, title);
    EXPECT_EQ(nowPlaying(host), artist + " - " + title);

    // A buffer of nothing but continuation bytes has no character to cut back to.
    host.leaveBufferWithoutNul = true;
    host.deck(1, 1, 1, std::string(512, '\x80'), "");
    EXPECT_EQ(nowPlaying(host), std::string(512, '\x80'));
}

// A host whose queries return without touching the value or the buffer.
static HostResult ignoreNumber(HostCallbacks*, const char*, double*) { return -1; }
static HostResult ignoreText(HostCallbacks*, const char*, char*, std::int32_t) { return -1; }

TEST(HostileHost, AHostThatAnswersNothingGivesEmptyText) {
    static const HostCallbacksTable silent{nullptr, ignoreNumber, ignoreText};
    HostCallbacks callbacks{&silent};
    const PluginObject plugin{nullptr, nullptr, &callbacks};
    EXPECT_EQ(readNowPlaying(plugin), "");
    callbacks.table = nullptr; // a callback object without a table
    EXPECT_EQ(readNowPlaying(plugin), "");
}

// Numbers answered, text never: a playing deck with no artist and no title announces nothing.
TEST(HostileHost, APlayingDeckWithoutTextAnnouncesNothing) {
    RecordingHost host;
    host.numbers["crossfader"] = 0;
    host.numbers["deck 1 play"] = 1;
    host.numbers["deck 1 volume"] = 1;
    EXPECT_EQ(nowPlaying(host), "");
    EXPECT_EQ(host.queries.size(), 11u);
}
