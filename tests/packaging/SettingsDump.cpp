// Test program: reads the settings file beside itself exactly as the plug-in does and prints
// what it got, one "key=value" line each, then the request target of a sample title update.
//
// The test copies this program into a folder with the settings file to examine; the program
// is its own module there, so the settings come from that folder.
#include "delivery/TextEncoding.h"
#include "delivery/UpdateRequest.h"
#include "settings/SettingsFile.h"

#include <cstdio>
#include <optional>
#include <string>

static void printField(const char* key, const std::wstring& value) {
    std::printf("%s=%s\n", key, utf8FromWide(value).c_str());
}

int main() {
    const StreamSettings settings = loadStreamSettings();
    printField("server_url", settings.serverUrl);
    printField("protocol", settings.protocol);
    printField("mount", settings.mount);
    printField("sid", settings.sid);
    printField("username", settings.username);
    printField("password", settings.password);
    std::printf("ready=%d\n", settings.ready ? 1 : 0);

    const std::optional<UpdateRequest> request = prepareUpdateRequest(settings, "Artist - Title");
    if (!request) {
        std::printf("target=\n");
        return 0;
    }
    std::printf("secure=%d\n", request->address.secure ? 1 : 0);
    std::printf("port=%u\n", static_cast<unsigned>(request->address.port));
    printField("host", request->address.hostName);
    printField("target", request->updateTarget);
    return 0;
}
