// Settings files as editors save them, judged by how Windows' profile reader will read them.
#include "settings-file/SettingsFileEncoding.h"
#include "settings-file/SettingsLayout.h"

#include <gtest/gtest.h>

static bool mentions(const std::string& text, const char* part) { return text.find(part) != std::string::npos; }

TEST(SettingsFileEncoding, TellsEachEncodingFromTheBytes) {
    struct Case {
        const char* name;
        std::string bytes;
        SettingsEncoding expected;
    };
    const Case cases[] = {
        {"ascii", "[stream]\r\npassword=plain\r\n", SettingsEncoding::plain},
        {"ansi text", "[stream]\r\npassword=M\xFCller\r\n", SettingsEncoding::plain},
        {"unicode", std::string("\xFF\xFE[\0s\0", 6), SettingsEncoding::unicode},
        {"utf-8", "[stream]\r\npassword=M\xC3\xBCller\r\n", SettingsEncoding::utf8},
        {"utf-8 outside any stream section", "[other]\r\nname=M\xC3\xBCller\r\n", SettingsEncoding::plain},
        {"utf-8 in a comment", "; M\xC3\xBCller\r\n[stream]\r\n", SettingsEncoding::plain},
        {"marked ascii", "\xEF\xBB\xBF[stream]\r\npassword=x\r\n", SettingsEncoding::utf8WithMark},
        {"overlong form is no utf-8", "[stream]\r\nmount=\xC0\xAF\r\n", SettingsEncoding::plain},
        {"surrogate is no utf-8", "[stream]\r\nmount=\xED\xA0\x80\r\n", SettingsEncoding::plain},
    };
    for (const Case& c : cases)
        EXPECT_EQ(examineSettingsBytes(c.bytes).encoding, c.expected) << c.name;
}

TEST(SettingsFileEncoding, NamesTheValuesReadWronglyAndTheSectionTheMarkSpoils) {
    const SettingsEncodingFindings findings = examineSettingsBytes(
        "\xEF\xBB\xBF[stream]\r\nmount = /radio-\xC3\xB6 \r\n;password=\xC3\xA9\r\n[Stream2]\nusername=J\xC3\xBCrgen\n");
    EXPECT_EQ(findings.sectionOnFirstLine, "stream");
    ASSERT_EQ(findings.nonAscii.size(), 2u);
    EXPECT_EQ(findings.nonAscii[0].section, "stream");
    EXPECT_EQ(findings.nonAscii[0].key, "mount");
    EXPECT_EQ(findings.nonAscii[0].value, "/radio-\xC3\xB6");
    EXPECT_EQ(findings.nonAscii[1].key, "username");
    EXPECT_EQ(examineSettingsBytes("\xEF\xBB\xBF; comment first\r\n[stream]\r\n").sectionOnFirstLine, "");
}

static std::string utf16le(const std::string& ascii) {
    std::string bytes = "\xFF\xFE";
    for (const char c : ascii)
        bytes += std::string(1, c) + '\0';
    return bytes;
}

// Sections the plug-in never reads are named with the name to give them, in the file as saved.
TEST(SettingsLayout, SectionsThePluginNeverReadsGetAFreeName) {
    const auto unread = [](const std::string& text) {
        std::string names;
        for (const UnreadSection& section : unreadSections(settingsSections(settingsText(text))))
            names += section.name + ">" + section.renameTo + " ";
        return names;
    };
    EXPECT_EQ(unread(utf16le("[stream]\r\n[stream 2]\r\n[stream1]\r\n[Stream9]\r\n[other]\r\n[STREAM3]\r\n"
                             "[stream 8]\r\n")),
              "stream 2>stream2 stream1>stream4 Stream9>stream5 stream 8>stream8 ");
    EXPECT_EQ(unread("\xEF\xBB\xBF[stream1]\nserver_url=x\n"), "stream1>stream ");
    EXPECT_EQ(unread("[stream]\n[Stream2]\n[stream8]\n"), "");
    EXPECT_EQ(unreadSectionsVerdict({{"stream 2", "stream2"}}).advice, "Rename [stream 2] to [stream2].");
}

// The reader reads the first section of a name and the first line of a key; the rest is named.
TEST(SettingsLayout, RepeatsAreNamedWithTheirLines) {
    const std::vector<SettingsSection> sections = settingsSections(
        "[stream]\nserver_url=http://a/\npassword=old\nmount=/live\n; note\nPassword=new\nmount=/live\n"
        "[stream2]\npassword=x\n[stream]\npassword=pasted\n");
    const std::vector<SettingsWarning> first = repeatWarnings(sections, "stream");
    ASSERT_EQ(first.size(), 2u);
    EXPECT_TRUE(mentions(first[0].what, "[stream] twice (lines 1 and 10)"));
    EXPECT_TRUE(mentions(first[1].what, "password is written twice in [stream] (lines 3 and 6)"));
    EXPECT_FALSE(mentions(first[1].what + first[1].fix, "old")); // a password is never shown
    for (const SettingsWarning& warning : first)
        EXPECT_TRUE(warning.notAsWritten);
    EXPECT_TRUE(repeatWarnings(sections, "stream2").empty());
}
