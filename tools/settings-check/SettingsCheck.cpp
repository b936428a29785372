// ZenlarkVdjCheck: reads the plug-in's settings file, shows what the plug-in will send, sends one
// title update through the plug-in's own delivery code and says in plain words what happened.
// With --watch it listens to the stream as a player does and shows the titles listeners receive.
#include "CheckVerdict.h"
#include "PortBelow.h"
#include "SettingsFileEncoding.h"
#include "TitleWatch.h"

#include "delivery/SendUpdate.h"
#include "delivery/TextEncoding.h"
#include "delivery/UpdateRequest.h"
#include "settings/SettingsFile.h"
#include "worker/ServerList.h"

#include <windows.h>

#include <cstdio>
#include <ctime>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <utility>
#include <vector>

constexpr std::size_t answerBytesToRead = 4096;

struct CheckOptions {
    std::wstring settingsPath; // empty: the file beside this program
    std::wstring title;        // empty: a title naming the check and the time
    std::wstring section;      // empty: every section of a server
    bool send = true;
    WatchOptions watch;
};

// How the check of one section ended, for the summary.
struct SectionResult {
    bool confirmed = false;
    bool checked = true; // false: skipped, so it does not count for the exit code
    std::string summary;
};

static void print(const std::string& utf8) { std::fwrite(utf8.data(), 1, utf8.size(), stdout); }

static void printLine(const std::string& utf8) { print(utf8 + "\n"); }

static std::string utf8(const std::wstring& text) { return utf8FromWide(text); }

static void usage() {
    printLine("usage: ZenlarkVdjCheck [--settings PATH] [--section NAME] [--title TEXT] [--no-send]\n"
              "                       [--watch [--stream URL] [--seconds N]]\n"
              "\n"
              "Reads ZenlarkVdjStandalone.ini beside this program (or PATH), and for each server in it\n"
              "([stream], [stream2] to [stream8]) shows the settings and the exact update request, sends\n"
              "one title update the way the plug-in does and explains the server's answer. Exit code 0\n"
              "only when every server checked confirmed the update.\n"
              "\n"
              "  --settings PATH  check this settings file instead\n"
              "  --section NAME   check only this section, e.g. --section stream2\n"
              "  --title TEXT     the title to send (default: \"Zenlark settings check HH:MM:SS\")\n"
              "  --no-send        show the settings and the request, send nothing\n"
              "  --watch          listen to the stream as a player does and print each title listeners\n"
              "                   receive; after the update, wait up to 20 s for its title. Exit code 0\n"
              "                   only when the title arrived. With --no-send: only watch, until Ctrl+C;\n"
              "                   exit code 0 when the stream was heard\n"
              "  --stream URL     listen here instead of the stream the settings name\n"
              "  --seconds N      watch for N seconds; with an update, wait N seconds for its title\n"
              "\n"
              "Exit codes: 0 as above, 1 a problem (shown on the PROBLEM line), 2 bad arguments.");
}

static int badArguments(const char* what, const std::wstring& argument) {
    std::fprintf(stderr, "%s: %s\n", what, utf8(argument).c_str());
    std::fprintf(stderr, "try: ZenlarkVdjCheck --help\n");
    return 2;
}

static std::optional<int> parseSeconds(const std::wstring& text) {
    if (text.empty() || text.size() > 5 || text.find_first_not_of(L"0123456789") != std::wstring::npos)
        return std::nullopt;
    const int seconds = std::stoi(text);
    if (seconds < 1 || seconds > 86400)
        return std::nullopt;
    return seconds;
}

// 0: parsed; 1: help shown; 2: bad arguments.
static int parseOptions(int argc, wchar_t** argv, CheckOptions& options) {
    for (int i = 1; i < argc; ++i) {
        const std::wstring argument = argv[i];
        const bool hasValue = i + 1 < argc;
        if (argument == L"--help" || argument == L"-h" || argument == L"/?") {
            usage();
            return 1;
        }
        if (argument == L"--no-send") {
            options.send = false;
        } else if (argument == L"--watch") {
            options.watch.enabled = true;
        } else if (argument == L"--stream" && hasValue) {
            options.watch.streamUrl = argv[++i];
        } else if (argument == L"--seconds" && hasValue) {
            options.watch.seconds = parseSeconds(argv[++i]);
            if (!options.watch.seconds)
                return badArguments("--seconds wants a whole number of seconds from 1 to 86400", argv[i]);
        } else if (argument == L"--stream" || argument == L"--seconds") {
            return badArguments("missing value for", argument);
        } else if (argument == L"--settings" && hasValue) {
            options.settingsPath = argv[++i];
        } else if (argument == L"--section" && hasValue) {
            options.section = argv[++i];
        } else if (argument == L"--title" && hasValue) {
            options.title = argv[++i];
        } else {
            const bool missingValue = argument == L"--settings" || argument == L"--title" || argument == L"--section";
            std::fprintf(stderr, "%s: %s\n", missingValue ? "missing value for" : "unknown argument",
                         utf8(argument).c_str());
            std::fprintf(stderr, "try: ZenlarkVdjCheck --help\n");
            return 2;
        }
    }
    if (!options.watch.enabled && (!options.watch.streamUrl.empty() || options.watch.seconds))
        return badArguments("--stream and --seconds go with", L"--watch");
    return 0;
}

// The profile reader looks for a relative path in the Windows folder, so make it whole first.
static std::wstring fullPath(const std::wstring& path) {
    const DWORD needed = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (needed == 0)
        return path;
    std::wstring buffer(needed, L'\0');
    const DWORD length = GetFullPathNameW(path.c_str(), needed, buffer.data(), nullptr);
    if (length == 0 || length >= needed)
        return path;
    buffer.resize(length);
    return buffer;
}

static bool fileExists(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

static std::string masked(const std::wstring& secret) {
    if (secret.empty())
        return "(empty)";
    return std::string(8, '*') + " (" + std::to_string(secret.size()) + (secret.size() == 1 ? " character)" : " characters)");
}

static std::string shown(const std::wstring& value) { return value.empty() ? "(empty)" : utf8(value); }

static std::string fileBytes(const std::wstring& path) {
    std::ifstream file(path.c_str(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// What Windows' profile reader makes of UTF-8 bytes: it reads them in the ANSI code page.
static std::string readInAnsiCodePage(const std::string& bytes) {
    const int length = static_cast<int>(bytes.size());
    const int needed = MultiByteToWideChar(CP_ACP, 0, bytes.data(), length, nullptr, 0);
    if (needed <= 0)
        return std::string();
    std::wstring text(static_cast<std::size_t>(needed), L'\0');
    MultiByteToWideChar(CP_ACP, 0, bytes.data(), length, text.data(), needed);
    return utf8(text);
}

static bool isSecretKey(const std::string& key) {
    return CompareStringOrdinal(std::wstring(key.begin(), key.end()).c_str(), -1, L"password", -1, TRUE) ==
           CSTR_EQUAL;
}

static void showWrongReading(const SettingsValueLine& line) {
    const std::string where = "  [" + line.section + "] " + line.key;
    if (isSecretKey(line.key)) {
        printLine(where + ": its letters outside ASCII will be read as other letters");
        return;
    }
    printLine(where + " = " + line.value + "  will be read as  " + readInAnsiCodePage(line.value));
}

// The profile reader understands UTF-16 only; UTF-8, which Notepad saves by default, is read in
// the ANSI code page, and its byte-order mark sticks to the first line.
static void showEncodingProblems(const std::wstring& path) {
    const SettingsEncodingFindings findings = examineSettingsBytes(fileBytes(path));
    if (findings.encoding == SettingsEncoding::utf8WithMark) {
        printLine("  PROBLEM: the file is saved as UTF-8 with a byte-order mark. Windows reads it in its ANSI");
        printLine("  code page and keeps the mark in front of the first line.");
        if (!findings.sectionOnFirstLine.empty())
            printLine("  So the section [" + findings.sectionOnFirstLine +
                      "] is not found there, and every key in it has its default.");
        printLine("  Save it as Unicode (Notepad: Save as, Encoding \"UTF-16 LE\"), or put a comment line first.");
    }
    if (findings.encoding == SettingsEncoding::utf8)
        printLine("  PROBLEM: the file is saved as UTF-8, which Windows reads in its ANSI code page.");
    if (findings.nonAscii.empty())
        return;
    printLine("  These values will be read as other letters; save the file as Unicode (Notepad: Save as,");
    printLine("  Encoding \"UTF-16 LE\") and the plug-in reads them as written:");
    for (const SettingsValueLine& line : findings.nonAscii)
        showWrongReading(line);
}

static void showSettingsFile(const std::wstring& path) {
    printLine("Settings file: " + utf8(path));
    if (!fileExists(path))
        printLine("  (no such file: every key has its default)");
    else
        showEncodingProblems(path);
}

static void showSettings(const StreamSettings& settings) {
    printLine("  server_url = " + shown(settings.serverUrl));
    printLine("  protocol   = " + shown(settings.protocol));
    printLine("  mount      = " + shown(settings.mount));
    printLine("  sid        = " + shown(settings.sid));
    printLine("  username   = " + shown(settings.username));
    printLine("  password   = " + masked(settings.password));
    if (!settings.titlePrefix.empty() || !settings.titleSuffix.empty()) {
        printLine("  title_prefix = \"" + utf8(settings.titlePrefix) + "\"");
        printLine("  title_suffix = \"" + utf8(settings.titleSuffix) + "\"");
    }
    printLine(std::string("  ready      = ") + (settings.ready ? "yes" : "no"));
    const bool icecast = detectDialect(settings.protocol) == ServerDialect::Icecast;
    printLine(std::string("Dialect: ") + (icecast ? "Icecast (/admin/metadata)" : "Shoutcast (/admin.cgi)"));
}

// The password travels as the last query value of a Shoutcast target; it is not shown.
static std::string maskedTarget(const std::wstring& target) {
    const std::string text = utf8(target);
    const std::size_t pass = text.rfind("&pass=");
    if (pass == std::string::npos)
        return text;
    return text.substr(0, pass) + "&pass=********";
}

static std::string requestLine(const UpdateRequest& request) {
    const std::string scheme = request.address.secure ? "https://" : "http://";
    return scheme + utf8(request.address.hostName) + ":" + std::to_string(request.address.port) +
           maskedTarget(request.updateTarget);
}

static std::string defaultTitle() {
    char clock[16] = {};
    const std::time_t now = std::time(nullptr);
    std::strftime(clock, sizeof clock, "%H:%M:%S", std::localtime(&now));
    return std::string("Zenlark settings check ") + clock;
}

static CheckOutcome outcomeOf(const StreamSettings& settings, const DeliveryReport& report, std::string body) {
    CheckOutcome outcome;
    outcome.dialect = detectDialect(settings.protocol);
    outcome.report = report;
    outcome.answerBody = std::move(body);
    outcome.serverUrlMissing = settings.serverUrl.empty();
    outcome.passwordMissing = settings.password.empty();
    if (report.failedStep == DeliveryStep::badAddress)
        outcome.addressProblem = explainAddressProblem(settings.serverUrl);
    return outcome;
}

static void showProxy(SessionProxy proxy) {
    if (proxy == SessionProxy::automatic)
        printLine("Proxy: found automatically from this computer's settings");
    if (proxy == SessionProxy::winhttpSetting)
        printLine("Proxy: WinHTTP's own setting (netsh winhttp show proxy); this Windows finds no proxy "
                  "automatically");
}

static void showAnswer(const DeliveryReport& report, const std::string& body) {
    showProxy(report.proxy);
    if (report.status != 0)
        printLine("Server status: " + std::to_string(report.status));
    const std::string message = serverMessage(body);
    if (!message.empty())
        printLine("Server said: " + message);
}

// After a failure that an encoder's port gives, asks the port one lower (without a title or a
// password) whether a web server answers there.
static void askPortBelow(const UpdateRequest& request, CheckOutcome& outcome) {
    outcome.port = request.address.port;
    if (!mayBeSourcePort(outcome.report) || request.address.port <= 1)
        return;
    const std::string below = std::to_string(request.address.port - 1);
    const std::uint32_t status = statusOnPortBelow(request.address);
    printLine("Port " + std::to_string(request.address.port) + " gave no HTTP answer; port " + below +
              (status == 0 ? " gives none either." : " answers HTTP (status " + std::to_string(status) + ")."));
    outcome.httpOnPortBelow = status != 0;
}

static void showVerdict(const CheckVerdict& verdict) {
    printLine("");
    printLine(std::string(verdictLabel(verdict)) + ": " + verdict.happened);
    if (!verdict.advice.empty())
        printLine("What to do: " + verdict.advice);
}

// Nothing, with the problem shown, when there is no stream to listen to.
static std::unique_ptr<TitleWatch> startWatch(const StreamSettings& settings, const WatchOptions& options,
                                              const std::string& expectedTitle) {
    const WatchAddress address = watchAddress(settings, options.streamUrl);
    if (!address.target) {
        showVerdict(address.problem);
        return nullptr;
    }
    auto watch = std::make_unique<TitleWatch>(address, printLine, expectedTitle);
    watch->begin();
    return watch;
}

static int watchOnly(const StreamSettings& settings, const WatchOptions& options) {
    const std::unique_ptr<TitleWatch> watch = startWatch(settings, options, std::string());
    if (!watch)
        return 1;
    return watch->watchToTheEnd(options.seconds);
}

static CheckVerdict awaitTitle(TitleWatch& watch, const WatchOptions& options) {
    const CheckVerdict verdict = watch.awaitTitle(options.seconds.value_or(defaultTitleWaitSeconds));
    showVerdict(verdict);
    return verdict;
}

static SectionResult resultOf(const CheckVerdict& verdict) {
    return SectionResult{verdict.confirmed, true, std::string(verdictLabel(verdict)) + ": " + verdict.happened};
}

// One server's check: its settings and request, the update, the server's answer, the verdict,
// and with --watch what its listeners received.
static std::string titleToSend(const CheckOptions& options) {
    return options.title.empty() ? defaultTitle() : utf8(options.title);
}

// The section's settings and the request the plug-in would send, when it would send one.
static std::optional<UpdateRequest> showRequest(const StreamSettings& settings, const std::string& title,
                                                DeliveryReport& report) {
    showSettings(settings);
    std::optional<UpdateRequest> request = prepareUpdateRequest(settings, title, report);
    if (request)
        printLine("Request: GET " + requestLine(*request));
    return request;
}

static SectionResult checkSection(const StreamSettings& settings, const CheckOptions& options) {
    const std::string title = titleToSend(options);
    DeliveryReport report;
    const std::optional<UpdateRequest> request = showRequest(settings, title, report);
    std::unique_ptr<TitleWatch> watch;
    if (options.watch.enabled && request) {
        // Listeners see the title with this server's prefix and suffix around it.
        watch = startWatch(settings, options.watch,
                           utf8(settings.titlePrefix) + title + utf8(settings.titleSuffix));
        if (!watch)
            return SectionResult{false, true, "PROBLEM: no stream to listen to"};
        if (!watch->awaitHeard()) {
            printLine("Stopped (Ctrl+C); nothing sent.");
            return SectionResult{false, true, "PROBLEM: stopped before the update was sent"};
        }
    }
    if (!options.send && request) {
        printLine("Nothing sent (--no-send).");
        return SectionResult{true, true, "request shown, nothing sent (--no-send)"};
    }
    if (request)
        printLine("Sending title: " + title);

    std::string body;
    if (watch)
        watch->updateSent();
    if (request)
        sendUpdate(settings, title, report, &body, answerBytesToRead);
    showAnswer(report, body);
    CheckOutcome outcome = outcomeOf(settings, report, body);
    if (request)
        askPortBelow(*request, outcome);
    const CheckVerdict verdict = judgeOutcome(outcome);
    showVerdict(verdict);
    if (watch)
        return resultOf(awaitTitle(*watch, options.watch));
    return resultOf(verdict);
}

static std::string missingKeys(const StreamSettings& settings) {
    if (settings.serverUrl.empty() && settings.password.empty())
        return "server_url and password";
    return settings.serverUrl.empty() ? "server_url" : "password";
}

// A section the plug-in does not use: not ready while others are, or a second one for the same
// server and mount. Nothing is sent for it.
static SectionResult skipped(const StreamSettings& settings, const std::string& why) {
    showSettings(settings);
    printLine("");
    printLine("SKIPPED: " + why);
    return SectionResult{false, false, "skipped: " + why};
}

static bool anyReady(const std::vector<StreamSection>& sections) {
    for (const StreamSection& section : sections) {
        if (section.settings.ready)
            return true;
    }
    return false;
}

static SectionResult checkSectionOf(const std::vector<StreamSection>& sections, std::size_t index,
                                    const CheckOptions& options) {
    const StreamSection& section = sections[index];
    printLine("");
    printLine("[" + utf8(section.name) + "]");
    // With no server ready at all, [stream] is checked, so the DJ learns what is missing.
    if (!section.settings.ready && (anyReady(sections) || index > 0))
        return skipped(section.settings, "the plug-in does not use this section: it lacks " +
                                             missingKeys(section.settings) + ".");
    const int duplicate = earlierDuplicate(sections, index);
    if (duplicate >= 0)
        return skipped(section.settings, "the same server and " +
                                             std::string(detectDialect(section.settings.protocol) ==
                                                                 ServerDialect::Icecast
                                                             ? "mount"
                                                             : "sid") +
                                             " as [" + utf8(sections[static_cast<std::size_t>(duplicate)].name) +
                                             "]; the plug-in updates them once.");
    return checkSection(section.settings, options);
}

static bool sameName(const std::wstring& left, const std::wstring& right) {
    return CompareStringOrdinal(left.c_str(), -1, right.c_str(), -1, TRUE) == CSTR_EQUAL;
}

static int runCheck(const CheckOptions& options) {
    const std::wstring path = options.settingsPath.empty() ? settingsFilePath() : fullPath(options.settingsPath);
    showSettingsFile(path);
    const std::vector<StreamSection> sections = loadStreamSections(path);
    std::vector<std::size_t> chosen;
    for (std::size_t index = 0; index < sections.size(); ++index) {
        if (options.section.empty() || sameName(sections[index].name, options.section))
            chosen.push_back(index);
    }
    if (chosen.empty()) {
        printLine("The settings file has no section [" + utf8(options.section) + "].");
        return 2;
    }
    if (options.watch.enabled && !options.send) {
        const StreamSection& watched = sections[chosen.front()];
        printLine("");
        printLine("[" + utf8(watched.name) + "]");
        DeliveryReport report;
        if (showRequest(watched.settings, titleToSend(options), report))
            printLine("Nothing sent (--no-send).");
        return watchOnly(watched.settings, options.watch);
    }
    std::vector<std::pair<std::wstring, SectionResult>> results;
    for (const std::size_t index : chosen)
        results.emplace_back(sections[index].name, checkSectionOf(sections, index, options));
    bool allConfirmed = true;
    bool anyChecked = false;
    for (const auto& [name, result] : results) {
        allConfirmed = allConfirmed && (result.confirmed || !result.checked);
        anyChecked = anyChecked || result.checked;
    }
    if (results.size() > 1) {
        printLine("");
        printLine("Summary:");
        for (const auto& [name, result] : results)
            printLine("  [" + utf8(name) + "] " + result.summary);
    }
    return anyChecked && allConfirmed ? 0 : 1;
}

// The tool prints UTF-8; the console it shares with a command prompt gets its own code page back.
class ConsoleOutputInUtf8 {
public:
    ConsoleOutputInUtf8() : previous_(GetConsoleOutputCP()) {
        if (previous_ != 0)
            SetConsoleOutputCP(CP_UTF8);
    }
    ~ConsoleOutputInUtf8() {
        if (previous_ != 0)
            SetConsoleOutputCP(previous_);
    }
    ConsoleOutputInUtf8(const ConsoleOutputInUtf8&) = delete;
    ConsoleOutputInUtf8& operator=(const ConsoleOutputInUtf8&) = delete;

private:
    UINT previous_;
};

// Started from Explorer, the tool is alone on a console of its own, which closes with it and
// takes the verdict along. From a command prompt or a script it shares the console, or its
// input is no console at all.
static bool aloneOnItsOwnConsole() {
    DWORD processes[2] = {};
    DWORD mode = 0;
    return GetConsoleProcessList(processes, 2) == 1 && GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &mode);
}

static void keepWindowOpenUntilEnter() {
    if (!aloneOnItsOwnConsole())
        return;
    std::fputs("\nPress Enter to close.", stdout);
    std::fflush(stdout);
    std::getchar();
}

static int checkFromCommandLine(int argc, wchar_t** argv) {
    try {
        CheckOptions options;
        const int parsed = parseOptions(argc, argv, options);
        if (parsed != 0)
            return parsed == 1 ? 0 : 2;
        return runCheck(options);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "ZenlarkVdjCheck failed: %s\n", error.what());
        return 3;
    }
}

int wmain(int argc, wchar_t** argv) {
    const ConsoleOutputInUtf8 console;
    const int code = checkFromCommandLine(argc, argv);
    std::fflush(stdout);
    keepWindowOpenUntilEnter();
    return code;
}
