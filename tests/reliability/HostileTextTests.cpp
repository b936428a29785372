// Host text and settings values that are not what they should be still give a request target
// that can stand in a request line: printable ASCII, no space, nothing that splits the line.
#include "delivery/UpdateRequest.h"

#include <gtest/gtest.h>

#include <string>

static bool fitsRequestLine(const std::wstring& target) {
    for (const wchar_t c : target)
        if (c <= L' ' || c >= 0x7F)
            return false;
    return !target.empty() && target.front() == L'/';
}

static StreamSettings readySettings() {
    StreamSettings settings;
    settings.serverUrl = L"http://127.0.0.1:8000/";
    settings.protocol = L"shoutcast";
    settings.mount = L"/live";
    settings.sid = L"1";
    settings.username = L"source";
    settings.password = L"pw";
    settings.ready = true;
    return settings;
}

TEST(HostileText, AnyHostBytesGiveATargetThatFitsTheRequestLine) {
    const std::string texts[] = {
        std::string(512, '\xFF'), "\r\nX-Injected: 1\r\n", "A\x01\x02\x7F - B", std::string(1027, '\x80'),
        "\xED\xA0\x80 lone surrogate", "\xC3", "Artist - \xE9t\xE9 \xC3\xA9",
    };
    for (const std::string& text : texts) {
        const std::optional<UpdateRequest> request = prepareUpdateRequest(readySettings(), text);
        ASSERT_TRUE(request.has_value());
        EXPECT_TRUE(fitsRequestLine(request->updateTarget)) << text;
    }
}

TEST(HostileText, ControlCharactersAndSpacesInSettingsAreEscaped) {
    StreamSettings settings = readySettings();
    settings.serverUrl = L"http://127.0.0.1:8000/my radio\r/";
    settings.sid = L"1 \r\n2";
    settings.password = std::wstring(2047, L'\u00FF') + L"\n";
    settings.mount = L"\t\v";
    for (const wchar_t* protocol : {L"shoutcast", L"icecast2"}) {
        settings.protocol = protocol;
        const std::optional<UpdateRequest> request = prepareUpdateRequest(settings, "T");
        ASSERT_TRUE(request.has_value());
        EXPECT_TRUE(fitsRequestLine(request->updateTarget)) << request->updateTarget.size();
    }
}
