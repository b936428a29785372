// Dialect choice, base path and the composition of both update targets.
#include "delivery/ServerDialect.h"
#include "delivery/ShoutcastTitleFilter.h"
#include "delivery/UpdateTarget.h"

#include <gtest/gtest.h>

TEST(ServerDialect, ShoutcastAnywhereOrExactlyScOneOrTwo) {
    for (const wchar_t* protocol : {L"shoutcast", L"Shoutcast", L"SHOUTCAST2", L"my-shoutcast-box", L"sc1", L"sc2",
                                    L"SC1", L"Sc2"})
        EXPECT_EQ(detectDialect(protocol), ServerDialect::Shoutcast) << protocol;
}

TEST(ServerDialect, EverythingElseIsIcecastAndNothingIsTrimmed) {
    for (const wchar_t* protocol : {L"sc", L"sc3", L"shout", L"icecast", L"icecast2", L"", L" sc1", L"sc1 ",
                                    L"sc12", L"\u0130cecast"})
        EXPECT_EQ(detectDialect(protocol), ServerDialect::Icecast) << protocol;
}

TEST(BasePath, DropsEveryTrailingSlashAndNothingElse) {
    EXPECT_EQ(basePath(L""), L"");
    EXPECT_EQ(basePath(L"/"), L"");
    EXPECT_EQ(basePath(L"///"), L"");
    EXPECT_EQ(basePath(L"/radio///"), L"/radio");
    EXPECT_EQ(basePath(L"/a/b//"), L"/a/b");
    EXPECT_EQ(basePath(L"//a//b"), L"//a//b");
    EXPECT_EQ(basePath(L"/my%20radio/"), L"/my%20radio");
}

TEST(BasePath, EscapesOnlyWhatWouldBreakTheRequestLine) {
    EXPECT_EQ(escapeBasePath("/my%20radio"), "/my%20radio");
    EXPECT_EQ(escapeBasePath("/a-b_c.d~e!$&'()*+,;=:@"), "/a-b_c.d~e!$&'()*+,;=:@");
    EXPECT_EQ(escapeBasePath("/my radio"), "/my%20radio");
    EXPECT_EQ(escapeBasePath("/a\r\nHost: x"), "/a%0D%0AHost:%20x");
    EXPECT_EQ(escapeBasePath(std::string("/\x01\x7F", 3)), "/%01%7F");
    EXPECT_EQ(escapeBasePath("/caf\xC3\xA9"), "/caf%C3%A9");
}

static UpdateTargetParts parts(std::string base, std::string mount, std::string song) {
    UpdateTargetParts p;
    p.basePath = std::move(base);
    p.mount = std::move(mount);
    p.song = std::move(song);
    p.sid = "7";
    p.password = "pw";
    return p;
}

TEST(UpdateTarget, IcecastMountAlwaysStartsWithOneSlash) {
    const std::string tail = "&mode=updinfo&song=T";
    EXPECT_EQ(composeUpdateTarget(ServerDialect::Icecast, parts("", "live", "T")),
              "/admin/metadata?mount=%2Flive" + tail);
    EXPECT_EQ(composeUpdateTarget(ServerDialect::Icecast, parts("", "/live", "T")),
              "/admin/metadata?mount=%2Flive" + tail);
    EXPECT_EQ(composeUpdateTarget(ServerDialect::Icecast, parts("", "", "T")),
              "/admin/metadata?mount=%2Flive" + tail);
    EXPECT_EQ(composeUpdateTarget(ServerDialect::Icecast, parts("", "//x", "T")),
              "/admin/metadata?mount=%2F%2Fx" + tail);
}

TEST(UpdateTarget, IcecastIgnoresSidAndPassword) {
    EXPECT_EQ(composeUpdateTarget(ServerDialect::Icecast, parts("/r", "m", "a b")),
              "/r/admin/metadata?mount=%2Fm&mode=updinfo&song=a%20b");
}

TEST(UpdateTarget, ShoutcastEncodesEveryValueSoOnlyItsKeysRemain) {
    UpdateTargetParts p = parts("/sc", "ignored", "A+B");
    p.sid = "1&x=2";
    p.password = "p%w=+&";
    EXPECT_EQ(composeUpdateTarget(ServerDialect::Shoutcast, p),
              "/sc/admin.cgi?sid=1%26x%3D2&mode=updinfo&song=A%2BB&pass=p%25w%3D%2B%26");
}

TEST(UpdateTarget, ShoutcastEmptySidStaysEmpty) {
    UpdateTargetParts p = parts("", "", "T");
    p.sid.clear();
    p.password.clear();
    EXPECT_EQ(composeUpdateTarget(ServerDialect::Shoutcast, p), "/admin.cgi?sid=&mode=updinfo&song=T&pass=");
}

TEST(UpdateTarget, BasePathIsEscapedBeforeTheDialectPath) {
    EXPECT_EQ(composeUpdateTarget(ServerDialect::Icecast, parts("/my radio", "/live", "T")),
              "/my%20radio/admin/metadata?mount=%2Flive&mode=updinfo&song=T");
}

// Shoutcast drops these titles behind the same empty 200 as a success. One refused only for its
// start goes out with an invisible U+2060 in front; placeholders and forbidden contents stay as
// they are, since nothing in front can help them.
TEST(ShoutcastTitleFilter, OnlyTitlesRefusedForTheirStartGetTheInvisibleCharacter) {
    const std::string joiner = "\xE2\x81\xA0";
    const struct {
        const char* title;
        ShoutcastFilterMatch match;
    } rows[] = {
        {"'Til Tuesday - Voices Carry", ShoutcastFilterMatch::start},
        {".38 Special - Hold On Loosely", ShoutcastFilterMatch::start},
        {"!!! - Must Be the Moon", ShoutcastFilterMatch::start},
        {"$uicideboy$ - Paris", ShoutcastFilterMatch::start},
        {"(Hed) P.E. - Bartender", ShoutcastFilterMatch::start},
        {"\"Weird Al\" Yankovic - Amish Paradise", ShoutcastFilterMatch::start},
        {"  Track 1 - Intro", ShoutcastFilterMatch::start}, // trimmed and lower-cased first
        {"Stream Of Passion - Haunted", ShoutcastFilterMatch::start},
        {"Daft Punk - Main Stream Mix", ShoutcastFilterMatch::passes}, // a listed word, not at the start
        {"#1 Crush - Garbage", ShoutcastFilterMatch::passes},
        {"-Ziq - Hasty Boom Alert", ShoutcastFilterMatch::passes}, // "- " is listed, "-" alone is not
        {"Testament - Over the Wall", ShoutcastFilterMatch::passes},
        {"", ShoutcastFilterMatch::passes},
        {" TEST ", ShoutcastFilterMatch::placeholder},
        {"-", ShoutcastFilterMatch::placeholder},
        {"(Radio Online) - Live", ShoutcastFilterMatch::contents}, // refused for its start as well
        {"Hits <script>", ShoutcastFilterMatch::contents},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(shoutcastFilterMatch(row.title), row.match) << row.title;
        const bool helped = row.match == ShoutcastFilterMatch::start;
        EXPECT_EQ(songForDialect(ServerDialect::Shoutcast, row.title), (helped ? joiner : "") + row.title)
            << row.title;
        EXPECT_EQ(shoutcastFilterRefuses(songForDialect(ServerDialect::Shoutcast, row.title)),
                  !helped && row.match != ShoutcastFilterMatch::passes)
            << row.title;
        EXPECT_EQ(songForDialect(ServerDialect::Icecast, row.title), row.title) << row.title;
    }
    // Every punctuation mark that DNAS 2.6 refuses at a title's start, as measured there.
    for (const char first : std::string("$%*+[{}()?_~^`'.,/!:;\""))
        EXPECT_EQ(songForDialect(ServerDialect::Shoutcast, first + std::string("Artist - Title")),
                  joiner + first + "Artist - Title")
            << first;
    EXPECT_EQ(composeUpdateTarget(ServerDialect::Shoutcast, parts("", "", "'Til")),
              "/admin.cgi?sid=7&mode=updinfo&song=%E2%81%A0%27Til&pass=pw");
    EXPECT_EQ(composeUpdateTarget(ServerDialect::Icecast, parts("", "", "'Til")),
              "/admin/metadata?mount=%2Flive&mode=updinfo&song=%27Til");
}
