// Test program: sends title updates through sendUpdate and prints how each one went.
//
// update_probe.exe --url URL [--protocol P] [--mount M] [--sid S] [--username U] [--password P]
//                  (--title TEXT | --title-hex HEXBYTES) [--count N] [--body]
//
// TEXT is sent as the UTF-8 bytes of the argument; HEXBYTES as raw bytes, e.g. "436166E9" for
// text that is not UTF-8. The calls go to one server, so a POST it took is kept for the next. Each
// call prints "delivered=1 step=none status=200 error=0 method=GET"; with
// --body a line "body=..." follows with up to 4096 bytes of the answer, bytes outside printable
// ASCII and "\" written as \xHH. Exit code 0 when the last call was delivered, 1 otherwise,
// 2 for a bad command line.
#include "delivery/SendUpdate.h"
#include "delivery/TextEncoding.h"

#include <cstdio>
#include <cwchar>
#include <optional>
#include <string>

namespace {

struct ProbeOptions {
    StreamSettings settings;
    std::string title;
    bool haveTitle = false;
    int count = 1;
    bool readBody = false;
};

} // namespace

static const char* stepName(DeliveryStep step) {
    switch (step) {
    case DeliveryStep::none: return "none";
    case DeliveryStep::notReady: return "notReady";
    case DeliveryStep::emptyText: return "emptyText";
    case DeliveryStep::badAddress: return "badAddress";
    case DeliveryStep::openSession: return "openSession";
    case DeliveryStep::connect: return "connect";
    case DeliveryStep::openRequest: return "openRequest";
    case DeliveryStep::addHeader: return "addHeader";
    case DeliveryStep::sendRequest: return "sendRequest";
    case DeliveryStep::receiveAnswer: return "receiveAnswer";
    case DeliveryStep::queryStatus: return "queryStatus";
    case DeliveryStep::statusRejected: return "statusRejected";
    }
    return "unknown";
}

static int hexValue(wchar_t c) {
    if (c >= L'0' && c <= L'9')
        return c - L'0';
    if (c >= L'a' && c <= L'f')
        return c - L'a' + 10;
    if (c >= L'A' && c <= L'F')
        return c - L'A' + 10;
    return -1;
}

static std::optional<std::string> bytesFromHex(const std::wstring& hex) {
    if (hex.size() % 2 != 0)
        return std::nullopt;
    std::string bytes;
    for (std::size_t i = 0; i < hex.size(); i += 2) {
        const int high = hexValue(hex[i]);
        const int low = hexValue(hex[i + 1]);
        if (high < 0 || low < 0)
            return std::nullopt;
        bytes += static_cast<char>(high * 16 + low);
    }
    return bytes;
}

static bool parseCount(const std::wstring& text, int& count) {
    wchar_t* end = nullptr;
    const long value = std::wcstol(text.c_str(), &end, 10);
    if (text.empty() || *end != L'\0' || value < 1 || value > 100000)
        return false;
    count = static_cast<int>(value);
    return true;
}

// Applies one option that takes a value; false for an unknown option or a bad value.
static bool applyValueOption(ProbeOptions& options, const std::wstring& name, const std::wstring& value) {
    StreamSettings& s = options.settings;
    if (name == L"--url")
        s.serverUrl = value;
    else if (name == L"--protocol")
        s.protocol = value;
    else if (name == L"--mount")
        s.mount = value;
    else if (name == L"--sid")
        s.sid = value;
    else if (name == L"--username")
        s.username = value;
    else if (name == L"--password")
        s.password = value;
    else if (name == L"--count")
        return parseCount(value, options.count);
    else if (name == L"--title") {
        options.title = utf8FromWide(value);
        options.haveTitle = true;
    } else if (name == L"--title-hex") {
        const std::optional<std::string> bytes = bytesFromHex(value);
        if (!bytes)
            return false;
        options.title = *bytes;
        options.haveTitle = true;
    } else
        return false;
    return true;
}

static std::optional<ProbeOptions> parseCommandLine(int argc, wchar_t** argv) {
    ProbeOptions options;
    // The settings file's defaults.
    options.settings.protocol = L"icecast2";
    options.settings.mount = L"/live";
    options.settings.sid = L"1";
    options.settings.username = L"source";
    for (int i = 1; i < argc; ++i) {
        const std::wstring name = argv[i];
        if (name == L"--body") {
            options.readBody = true;
            continue;
        }
        if (i + 1 >= argc || !applyValueOption(options, name, argv[i + 1]))
            return std::nullopt;
        ++i;
    }
    if (!options.haveTitle)
        return std::nullopt;
    options.settings.ready = !options.settings.serverUrl.empty() && !options.settings.password.empty();
    return options;
}

static void printBody(const std::string& body) {
    std::printf("body=");
    for (const char c : body) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte < 0x7F && byte != '\\')
            std::putchar(byte);
        else
            std::printf("\\x%02X", byte);
    }
    std::printf("\n");
}

int wmain(int argc, wchar_t** argv) {
    const std::optional<ProbeOptions> options = parseCommandLine(argc, argv);
    if (!options) {
        std::fprintf(stderr, "usage: update_probe --url URL [--protocol P] [--mount M] [--sid S] [--username U] "
                             "[--password P] (--title TEXT | --title-hex HEXBYTES) [--count N] [--body]\n");
        return 2;
    }
    bool delivered = false;
    ServerMethods methods = ServerMethods::getThenPost;
    for (int call = 0; call < options->count; ++call) {
        DeliveryReport report;
        std::string body;
        delivered = sendUpdate(options->settings, options->title, methods, report,
                               options->readBody ? &body : nullptr, options->readBody ? 4096 : 0);
        std::printf("delivered=%d step=%s status=%u error=%u method=%s\n", delivered ? 1 : 0,
                    stepName(report.failedStep), static_cast<unsigned>(report.status),
                    static_cast<unsigned>(report.platformError),
                    report.method == UpdateMethod::post ? "POST" : "GET");
        if (options->readBody)
            printBody(body);
        std::fflush(stdout);
    }
    return delivered ? 0 : 1;
}
