// Settings files as editors save them, judged by how Windows' profile reader will read them.
#include "settings-file/SettingsFileEncoding.h"

#include <gtest/gtest.h>

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
