// The title delay and the skip list, read from their settings values, and the gate they make,
// driven poll by poll as the worker drives it: a scripted host, the poll clock, the send rule.
#include "RecordingHost.h"

#include "nowplaying/NowPlayingProbe.h"
#include "worker/PollDecision.h"
#include "worker/PollWait.h"
#include "worker/SkipTitles.h"
#include "worker/TitleDelay.h"
#include "worker/TitleGate.h"

#include <gtest/gtest.h>

#include <vector>

TEST(TitleDelay, ReadsSecondsWithAPointAndGivesSafeValuesForTheRest) {
    const struct {
        const wchar_t* written;
        std::int32_t milliseconds;
        TitleDelayReading reading;
    } rows[] = {
        {L"", 0, TitleDelayReading::asWritten},
        {L"4", 4000, TitleDelayReading::asWritten},
        {L"2.5", 2500, TitleDelayReading::asWritten},
        {L"0.0019", 1, TitleDelayReading::asWritten}, // read to the millisecond
        {L"60", 60000, TitleDelayReading::asWritten},
        {L"-0", 0, TitleDelayReading::asWritten},
        {L"2,5", 0, TitleDelayReading::notANumber}, // a comma is not read as a decimal point
        {L"1e1", 0, TitleDelayReading::notANumber},
        {L"1.2.3", 0, TitleDelayReading::notANumber},
        {L"-3", 0, TitleDelayReading::negative},
        {L"60.001", 60000, TitleDelayReading::aboveMaximum},
        {L"99999999999999999999999", 60000, TitleDelayReading::aboveMaximum},
    };
    for (const auto& row : rows) {
        const TitleDelay delay = readTitleDelay(row.written);
        EXPECT_EQ(delay.milliseconds, row.milliseconds) << &row - rows;
        EXPECT_EQ(delay.reading, row.reading) << &row - rows;
    }
}

TEST(SkipTitles, EmptyEntriesAreIgnoredAndOnlyAsciiLettersFoldCase) {
    const std::vector<std::wstring> list = skipTitleList(L"|station id||  jingle |\u00c9T\u00c9|");
    EXPECT_EQ(list, (std::vector<std::wstring>{L"station id", L"jingle", L"\u00c9T\u00c9"}));
    EXPECT_TRUE(holdsSkipTitle(L"Radio Nova - STATION ID 3", list));
    EXPECT_TRUE(holdsSkipTitle(L"Hits de l'\u00c9T\u00c9", list));
    EXPECT_FALSE(holdsSkipTitle(L"Hits de l'\u00e9t\u00e9", list)); // \u00c9 and \u00e9 are not ASCII
    EXPECT_FALSE(holdsSkipTitle(L"Station - ID", list));
    EXPECT_FALSE(holdsSkipTitle(L"anything", skipTitleList(L" | ")));
    EXPECT_TRUE(holdsSkipTitle(L"JAZZ FM - Station ID", skipTitleList(L"jazz fm"))); // Z folds too
}

// Polls at the given seconds against a gate with a 4 s delay: what has come through at the last.
TEST(TitleGate, AWaitEndsWithSilenceOrTheAnnouncedTitle) {
    const struct {
        const char* name;
        std::vector<std::pair<double, std::string>> polls;
        const char* passed;
    } rows[] = {
        {"silence restarts the wait", {{0, "A"}, {2, ""}, {3, "A"}, {4.1, "A"}}, ""},
        {"the announced title ends the other text's wait",
         {{0, "A"}, {4, "A"}, {5, "ID"}, {8, "A"}, {9.1, "ID"}},
         "A"},
    };
    for (const auto& row : rows) {
        TitleGate gate(4000, {}, nullptr);
        std::string passed;
        for (const auto& [seconds, text] : row.polls)
            passed = gate.pass(text, static_cast<std::int64_t>(seconds * 1e9));
        EXPECT_EQ(passed, row.passed) << row.name;
    }
}

// Each sleep lasts exactly what was asked, so polls fall exactly 300 ms apart.
class ExactClock : public PollClock {
public:
    std::int64_t now = 0;
    std::int64_t nowNanoseconds() override { return now; }
    void sleepMilliseconds(std::uint32_t milliseconds) override { now += std::int64_t{milliseconds} * 1'000'000; }
};

static std::wstring widenAscii(const std::string& text) { return std::wstring(text.begin(), text.end()); }

// Polls as the worker does for one server: the time, the host's text, the gate, the send rule,
// the wait. Deck 1 is heard through the crossfader at 0; deck 3 louder plays over it.
struct GatedPolls {
    RecordingHost host;
    ExactClock clock;
    TitleGate gate;
    SendState state;
    int pollNumber = 0;
    std::vector<int> sendPolls;
    std::vector<std::string> sentTexts;

    explicit GatedPolls(const std::wstring& titleDelay, const std::wstring& skipTitles = L"") {
        StreamSettings settings;
        settings.titleDelay = titleDelay;
        settings.skipTitles = skipTitles;
        gate = titleGateFor(settings, widenAscii);
        host.numbers["crossfader"] = 0;
    }

    void polls(int count) {
        const std::atomic<bool> stop{false};
        const PluginObject plugin = host.pluginObject();
        for (int i = 0; i < count; ++i) {
            ++pollNumber;
            const std::int64_t pollStart = clock.nowNanoseconds();
            runPoll(gate.pass(readNowPlaying(plugin), pollStart), state, [this](const std::string& text) {
                sendPolls.push_back(pollNumber);
                sentTexts.push_back(text);
                return SendResult::delivered;
            });
            waitForNextPoll(clock, pollStart, stop);
        }
    }
};

TEST(TitleGate, ChangedTextGoesOutAtTheFirstPollAtOrAfterTheDelay) {
    GatedPolls exact(L"2.4"); // eight polls of 300 ms: sent on the eighth poll after the change
    exact.host.deck(1, 1, 1, "A", "Song");
    exact.polls(20);
    EXPECT_EQ(exact.sendPolls, (std::vector<int>{9}));

    GatedPolls between(L"2.5");
    between.host.deck(1, 1, 1, "A", "Song");
    between.polls(20);
    EXPECT_EQ(between.sendPolls, (std::vector<int>{10}));
}

TEST(TitleGate, StationIdShorterThanTheDelayIsNeverSent) {
    GatedPolls set(L"4");
    set.host.deck(1, 1, 1, "A", "Song");
    set.polls(20); // sent on poll 15, 4.2 s after it was first heard
    set.host.deck(3, 1, 2, "Radio", "ID");
    set.polls(13); // 3.9 s
    set.host.deck(3, 0, 2, "Radio", "ID");
    set.polls(3);
    set.host.deck(2, 1, 1, "B", "Next");
    set.host.numbers["crossfader"] = 1;
    set.polls(20);
    EXPECT_EQ(set.sentTexts, (std::vector<std::string>{"A - Song", "A - Song", "B - Next"}));
    // A's refresh went on while the ID played; B waited its own 4 s from poll 37.
    EXPECT_EQ(set.sendPolls, (std::vector<int>{15, 48, 51}));
}

TEST(TitleGate, SkippedTextIsNeverSentAndThePreviousTitleKeepsItsRefresh) {
    GatedPolls set(L"0", L"station id|jingle");
    set.host.deck(1, 1, 1, "A", "Song");
    set.polls(2);
    set.host.deck(3, 1, 2, "Radio Nova", "Station ID");
    set.polls(40);
    set.host.deck(3, 0, 2);
    set.polls(2);
    EXPECT_EQ(set.sendPolls, (std::vector<int>{1, 34}));
    EXPECT_EQ(set.sentTexts, (std::vector<std::string>{"A - Song", "A - Song"}));
}

// Without the keys the gate hands on every text as the host gave it: today's sends on today's
// polls (a change at once, silence neither sends nor counts, a refresh after 33 polls of the
// same text), and the same eleven host queries per poll.
TEST(TitleGate, NoDelayAndNoSkipListChangeNoRequestAndNoQuery) {
    GatedPolls set(L"");
    set.host.deck(1, 1, 1, "A", "Song");
    set.polls(1);
    set.host.deck(3, 1, 2, "Radio", "ID");
    set.polls(2);
    set.host.deck(3, 0, 2);
    set.polls(1);
    set.host.deck(1, 0, 1, "A", "Song");
    set.polls(20);
    set.host.deck(1, 1, 1, "A", "Song");
    set.polls(40);
    EXPECT_EQ(set.sendPolls, (std::vector<int>{1, 2, 4, 57}));
    EXPECT_EQ(set.sentTexts[1], "Radio - ID");
    EXPECT_EQ(set.host.queries.size(), 44u * 11u + 20u * 9u); // silent polls ask for no text
}
