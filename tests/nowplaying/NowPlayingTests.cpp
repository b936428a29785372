// Deck choice, track text and the exact host queries of one poll.
#include "RecordingHost.h"

#include "nowplaying/DeckScoring.h"
#include "nowplaying/NowPlayingProbe.h"
#include "nowplaying/TrackText.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

static int choose(double crossfader, DeckState d1, DeckState d2, DeckState d3 = {}, DeckState d4 = {}) {
    const DeckState decks[deckCount] = {d1, d2, d3, d4};
    return chooseAudibleDeck(crossfader, decks);
}

TEST(DeckScoring, CrossfaderWeighsOnlyDecksOneAndTwo) {
    EXPECT_EQ(choose(0.0, {1, 1}, {1, 1}), 1);
    EXPECT_EQ(choose(1.0, {1, 1}, {1, 1}), 2);
    EXPECT_EQ(choose(1.0, {1, 1}, {0, 1}), noDeck);
    EXPECT_EQ(choose(0.7, {1, 1}, {}, {1, 0.4}), 3); // deck 1 scores 0.3
    EXPECT_EQ(choose(0.0, {}, {}, {1, 0.2}, {1, 0.3}), 4);
}

TEST(DeckScoring, LowerDeckWinsTies) {
    EXPECT_EQ(choose(0.5, {1, 1}, {1, 1}), 1);
    EXPECT_EQ(choose(0.0, {}, {}, {1, 0.5}, {1, 0.5}), 3);
}

TEST(DeckScoring, PlayMustExceedHalfAndVolumeMustBePositive) {
    EXPECT_EQ(choose(0.0, {0.5, 1}, {}), noDeck);
    EXPECT_EQ(choose(0.0, {0.51, 1}, {}), 1);
    EXPECT_EQ(choose(0.0, {1, 0}, {}), noDeck);
    EXPECT_EQ(choose(0.0, {1, -1}, {}, {1, -0.5}), noDeck);
}

TEST(DeckScoring, NotANumberNeverWins) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(choose(nan, {1, 1}, {1, 1}), noDeck);
    EXPECT_EQ(choose(0.0, {1, nan}, {}, {1, 0.1}), 3);
    EXPECT_EQ(choose(0.0, {nan, 1}, {}), noDeck);
    EXPECT_EQ(choose(0.0, {0, inf}, {}, {1, 0.1}), 3); // 0 * inf is NaN
    EXPECT_EQ(choose(0.0, {}, {}, {1, inf}), 3);
    EXPECT_EQ(choose(-inf, {1, 1}, {1, 1}), 1); // values are not clamped
}

TEST(TrackText, JoinsArtistAndTitle) {
    EXPECT_EQ(composeTrackText("A", "T"), "A - T");
    EXPECT_EQ(composeTrackText("A", ""), "A");
    EXPECT_EQ(composeTrackText("", "T"), "T");
    EXPECT_EQ(composeTrackText("", ""), "");
}

TEST(TrackText, BufferWithoutNulIsCutInsideIt) {
    std::string full(512, 'x');
    EXPECT_EQ(textFromHostBuffer(full.data(), full.size()), full);
    full[509] = '\xC3'; // a two-byte character would need bytes 509 and 510...
    full[510] = '\xA9';
    full[511] = '\xE2'; // ...but this three-byte one is cut after its lead byte
    EXPECT_EQ(textFromHostBuffer(full.data(), full.size()), std::string(509, 'x') + "\xC3\xA9");
    full[511] = '\xA9'; // a stray continuation byte is not a cut character: kept as it came
    EXPECT_EQ(textFromHostBuffer(full.data(), full.size()).size(), 512u);
    const std::string endsWhole = std::string(508, 'x') + "\xF0\x9F\x8E\xB5"; // the last byte ends a character
    EXPECT_EQ(textFromHostBuffer(endsWhole.data(), endsWhole.size()), endsWhole);
    const char shortText[8] = {'a', 'b', 0, 'c'};
    EXPECT_EQ(textFromHostBuffer(shortText, sizeof shortText), "ab");
}

TEST(NowPlayingProbe, AsksNineNumbersThenTheChosenDecksTexts) {
    RecordingHost host;
    host.numbers["crossfader"] = 1.0;
    host.deck(1, 1, 1, "One", "First");
    host.deck(2, 1, 0.8, "Two", "Second");
    const PluginObject plugin = host.pluginObject();

    EXPECT_EQ(readNowPlaying(plugin), "Two - Second");
    const std::vector<std::string> expected = {
        "number crossfader",   "number deck 1 play",  "number deck 1 volume",    "number deck 2 play",
        "number deck 2 volume", "number deck 3 play", "number deck 3 volume",    "number deck 4 play",
        "number deck 4 volume", "text deck 2 get_artist", "text deck 2 get_title"};
    EXPECT_EQ(host.queries, expected);
    EXPECT_EQ(host.textBufferSizes, (std::vector<int>{512, 512})); // zero-filled, 512 bytes
}

TEST(NowPlayingProbe, SilenceMakesNoTextQueries) {
    RecordingHost host;
    host.deck(1, 0, 1, "One", "First");
    const PluginObject plugin = host.pluginObject();
    EXPECT_EQ(readNowPlaying(plugin), "");
    EXPECT_EQ(host.queries.size(), 9u);
}

TEST(NowPlayingProbe, UnansweredNumbersReadAsZero) {
    RecordingHost host; // answers nothing: every value must read as 0, not as stale memory
    const PluginObject plugin = host.pluginObject();
    EXPECT_EQ(readNowPlaying(plugin), "");
}

TEST(NowPlayingProbe, NullCallbacksGiveEmptyText) {
    const PluginObject noCallbacks{nullptr, nullptr, nullptr};
    EXPECT_EQ(readNowPlaying(noCallbacks), "");
    HostCallbacksTable emptyTable{nullptr, nullptr, nullptr};
    HostCallbacks callbacks{&emptyTable};
    const PluginObject noEntries{nullptr, nullptr, &callbacks};
    EXPECT_EQ(readNowPlaying(noEntries), "");
}

TEST(NowPlayingProbe, FullAnswerBufferIsNeverReadPast) {
    RecordingHost host;
    host.leaveBufferWithoutNul = true;
    host.deck(3, 1, 1, std::string(600, 'a'), std::string(600, 't'));
    const PluginObject plugin = host.pluginObject();
    EXPECT_EQ(readNowPlaying(plugin), std::string(512, 'a') + " - " + std::string(512, 't'));
}
