// The stream watch's platform-free parts: ICY metadata, title text, stream address, verdicts, tracklist.
#include "listeners/IcyMetadata.h"
#include "listeners/StreamAddress.h"
#include "listeners/StreamWatch.h"
#include "listeners/TitleText.h"
#include "listeners/Tracklist.h"

#include <gtest/gtest.h>

static bool mentions(const std::string& text, const char* part) { return text.find(part) != std::string::npos; }

static std::string metadataBlock(const std::string& text) {
    std::string block = text;
    block.resize((text.size() + 15) / 16 * 16, '\0');
    return std::string(1, static_cast<char>(block.size() / 16)) + block;
}

TEST(IcyMetadata, FindsTheSameBlocksWhateverThePieces) {
    const std::string audio(8, '\xFF');
    const std::string stream = audio + metadataBlock("StreamTitle='A';") + audio + std::string(1, '\0') + audio +
                               metadataBlock("StreamTitle='Second title';") + audio.substr(0, 3);
    IcyMetadataReader whole(8);
    const std::vector<std::string> blocks = whole.feed(stream.data(), stream.size());
    ASSERT_EQ(blocks.size(), 2u);
    EXPECT_EQ(streamTitle(blocks[0]), "A");
    EXPECT_EQ(streamTitle(blocks[1]), "Second title");
    IcyMetadataReader bytewise(8);
    std::vector<std::string> pieces;
    for (const char c : stream) {
        for (std::string& block : bytewise.feed(&c, 1))
            pieces.push_back(block);
    }
    EXPECT_EQ(pieces, blocks);
}

TEST(IcyMetadata, MetaintIsAPlainPositiveNumber) {
    EXPECT_EQ(parseMetaint("16000"), 16000u);
    EXPECT_EQ(parseMetaint(" 8192 "), 8192u);
    EXPECT_EQ(parseMetaint("16777216"), 16777216u); // the cap itself is read
    for (const char* bad : {"", " ", "0", "-1", "16k", "0x10", "99999999999999999999999", "16777217"})
        EXPECT_FALSE(parseMetaint(bad).has_value()) << bad;
}

TEST(IcyMetadata, TitleEndsAtTheQuoteBeforeTheNextKeyOrTheEnd) {
    EXPECT_EQ(streamTitle("StreamTitle='Guns N' Roses - Don't Cry';StreamUrl='';"), "Guns N' Roses - Don't Cry");
    EXPECT_EQ(streamTitle(std::string("StreamTitle='A';B';\0\0\0", 22)), "A';B");
    EXPECT_EQ(streamTitle("StreamTitle='';"), "");
    EXPECT_EQ(streamTitle("StreamUrl='x';StreamTitle='After';"), "After");
    EXPECT_FALSE(streamTitle("StreamUrl='x';").has_value());
    EXPECT_FALSE(streamTitle("StreamTitle='never closed").has_value());
    EXPECT_EQ(streamTitle(std::string("StreamTitle='Bare end'\0\0", 24)), "Bare end");
    EXPECT_EQ(streamTitle("XStreamTitle='x';StreamTitle='y';"), "y");
}

TEST(TitleText, Utf8StaysLatin1IsConvertedControlsAreReplaced) {
    EXPECT_EQ(displayTitle("Zo\xC3\xAB - \xE5\x9D\x82"), "Zo\xC3\xAB - \xE5\x9D\x82");
    EXPECT_EQ(displayTitle("Caf\xE9 Ol\xE9"), "Caf\xC3\xA9 Ol\xC3\xA9");
    EXPECT_EQ(displayTitle("\xC0\xAF"), "\xC3\x80\xC2\xAF");         // overlong: not UTF-8
    EXPECT_EQ(displayTitle("\xED\xA0\x80"), "\xC3\xAD\xC2\xA0\xEF\xBF\xBD"); // a surrogate: not UTF-8
    EXPECT_EQ(displayTitle("\x1B[2J\r\n"), "\xEF\xBF\xBD[2J\xEF\xBF\xBD\xEF\xBF\xBD");
    EXPECT_EQ(displayTitle("a\xC2\x9B" "b"), "a\xEF\xBF\xBD" "b"); // C1 control written in UTF-8
    EXPECT_EQ(displayTitle("a\x9B"), "a\xEF\xBF\xBD");            // and in Latin-1
    EXPECT_EQ(displayTitle("a\xC2\x9F"), "a\xEF\xBF\xBD");        // the last C1 control
}

TEST(StreamAddress, PlayersAddressForEachServerKind) {
    EXPECT_EQ(streamPath(StreamKind::icecast, "/", "/live", ""), "/live");
    EXPECT_EQ(streamPath(StreamKind::icecast, "/radio/", "stream.mp3", ""), "/radio/stream.mp3");
    EXPECT_EQ(streamPath(StreamKind::icecast, "", "", ""), "/live");
    EXPECT_EQ(streamPath(StreamKind::icecast, "/", "/my live\xC3\xA9", ""), "/my%20live%C3%A9");
    EXPECT_EQ(streamPath(StreamKind::shoutcastV2, "/", "/live", "2"), "/stream/2/");
    EXPECT_EQ(streamPath(StreamKind::shoutcastV2, "/sc//", "", ""), "/sc/stream/1/");
    EXPECT_EQ(streamPath(StreamKind::shoutcastV2, "", "", "1/../x"), "/stream/1%2F..%2Fx/");
    EXPECT_EQ(streamPath(StreamKind::shoutcastV1, "/", "/live", "1"), "/");
}

TEST(StreamAddress, ProtocolAndSidChooseTheShoutcastVersion) {
    EXPECT_EQ(streamKind(L"icecast2", L"2"), StreamKind::icecast);
    EXPECT_EQ(streamKind(L"", L""), StreamKind::icecast);
    for (const wchar_t* v2 : {L"sc2", L"SC2", L"shoutcast2", L"Shoutcast v2", L"shoutcast-v2", L"shoutcast_2"})
        EXPECT_EQ(streamKind(v2, L"1"), StreamKind::shoutcastV2) << v2;
    for (const wchar_t* v1 : {L"sc1", L"shoutcast1", L"SHOUTCAST V1"})
        EXPECT_EQ(streamKind(v1, L"3"), StreamKind::shoutcastV1) << v1;
    EXPECT_EQ(streamKind(L"shoutcast", L"1"), StreamKind::shoutcastV1);
    EXPECT_EQ(streamKind(L"shoutcast", L""), StreamKind::shoutcastV1);
    EXPECT_EQ(streamKind(L"shoutcast", L"2"), StreamKind::shoutcastV2);
}

TEST(StreamWatch, StreamFailuresGetPlainWords) {
    EXPECT_TRUE(mentions(explainStreamFailure({StreamStep::status, 0, 404, {}}).happened, "no such mount"));
    EXPECT_TRUE(mentions(explainStreamFailure({StreamStep::status, 0, 401, {}}).happened, "protected"));
    // DNAS turns listeners away with 401 from a stream without a source, naming itself in its notices.
    StreamFailure noSource{StreamStep::status, 0, 401, {}};
    noSource.icyNotices = "<BR>Shoutcast DNAS/posix(linux x64) v2.6.1.777<BR> The resource requested is currently "
                          "unavailable<BR>";
    const CheckVerdict dnas = explainStreamFailure(noSource);
    EXPECT_FALSE(mentions(dnas.happened + dnas.advice, "protected"));
    EXPECT_TRUE(mentions(dnas.happened, "no encoder is connected"));
    const CheckVerdict icy = explainStreamFailure({StreamStep::request, 12152, 0, {}});
    EXPECT_TRUE(mentions(icy.happened, "ICY 200 OK"));
    EXPECT_TRUE(mentions(icy.advice, "--stream"));
    for (const std::uint32_t tls : {12175u, 12157u, 12045u})
        EXPECT_TRUE(mentions(explainStreamFailure({StreamStep::request, tls, 0, {}}).happened, "certificate")) << tls;
    const CheckVerdict ogg = explainStreamFailure({StreamStep::noMetadata, 0, 0, "audio/ogg"});
    EXPECT_TRUE(mentions(ogg.happened, "icy-metaint"));
    EXPECT_TRUE(mentions(ogg.happened, "Ogg, Opus and FLAC"));
    EXPECT_FALSE(mentions(explainStreamFailure({StreamStep::noMetadata, 0, 0, "audio/mpeg"}).happened, "Ogg"));
    const CheckVerdict refused = explainStreamFailure({StreamStep::request, 12029, 0, {}});
    EXPECT_FALSE(mentions(refused.happened, "12029")); // numbers go into the detail
    EXPECT_TRUE(mentions(refused.detail, "Windows error 12029"));
    // Each server's words for a listener over its limit, in the status line or the body.
    const struct {
        std::uint32_t status;
        const char* words;
        const char* said;
    } full[] = {
        {503, "Server limit reached ", "The stream is full"},                        // DNAS
        {403, "Forbidden max listeners reached", "The stream is full"},              // Icecast 2.4
        {503, "Service Unavailable <text>Maximum listeners reached for this source</text>", "The stream is full"},
        {403, "max listeners reached ", "The stream is full"},                       // Icecast-KH
        {403, "Too many clients connected ", "The server is full"},                  // Icecast-KH
        {503, "Service Unavailable <p>Icecast connection limit reached</p>", "The server is full"},
        {403, "Forbidden ", "turns this listener away"},
    };
    for (const auto& row : full) {
        const StreamFailure failure{StreamStep::status, 0, row.status, {}, row.words};
        EXPECT_TRUE(mentions(explainStreamFailure(failure).happened, row.said)) << row.words;
    }
}

TEST(StreamWatch, OnlyTheSentTitleAfterTheUpdateCountsAsArrived) {
    TitleArrival arrival("New - Title");
    arrival.titleSeen("New - Title", 1.0); // before the update: proves nothing
    arrival.updateSent(2.0);
    EXPECT_FALSE(arrival.arrived());
    arrival.titleSeen("", 2.5);
    arrival.titleSeen("New - Title", 3.5);
    const CheckVerdict verdict = arrival.verdict(20, std::nullopt);
    EXPECT_TRUE(verdict.confirmed);
    EXPECT_EQ(verdict.happened, "listeners received the title after 1.5 s");
}

TEST(StreamWatch, AMissingTitleSaysWhatListenersGotInstead) {
    TitleArrival other("Sent");
    other.titleSeen("Old", 0.5);
    other.updateSent(1.0);
    other.titleSeen("Old", 1.5);
    other.titleSeen("Someone Else", 4.0);
    EXPECT_TRUE(mentions(other.verdict(20, std::nullopt).happened, "they got \"Someone Else\" instead"));

    TitleArrival stale("Sent");
    stale.titleSeen("Old", 0.5);
    stale.updateSent(1.0);
    EXPECT_TRUE(mentions(stale.verdict(20, std::nullopt).happened, "listeners still get \"Old\""));

    TitleArrival none("Sent");
    none.updateSent(1.0);
    EXPECT_TRUE(mentions(none.verdict(20, std::nullopt).happened, "no title at all"));

    TitleArrival unheard("Sent");
    unheard.updateSent(1.0);
    const CheckVerdict notFound = unheard.verdict(20, StreamFailure{StreamStep::status, 0, 404, {}});
    EXPECT_FALSE(notFound.confirmed);
    EXPECT_TRUE(mentions(notFound.happened, "could not listen"));
    EXPECT_TRUE(mentions(notFound.detail, "HTTP status 404"));
}

TEST(Tracklist, EachTitleOnceWithItsTimeFromTheStart) {
    EXPECT_EQ(tracklistLine(192.9, "Artist - Title"), "00:03:12 Artist - Title");
    EXPECT_EQ(tracklistLine(360061.0, "Long"), "100:01:01 Long");
    TracklistLines lines;
    EXPECT_FALSE(lines.lineFor("", 0.5).has_value()); // no title is no track
    EXPECT_EQ(lines.lineFor("A", 1.2), "00:00:01 A");
    EXPECT_FALSE(lines.lineFor("A", 11.0).has_value()); // again after a reconnect
    EXPECT_FALSE(lines.lineFor("", 12.0).has_value());
    EXPECT_FALSE(lines.lineFor("A", 13.0).has_value()); // back after a moment without a title
    EXPECT_EQ(lines.lineFor("B", 3725.0), "01:02:05 B");
    EXPECT_EQ(lines.lineFor("A", 3800.0), "01:03:20 A"); // played again later
}
