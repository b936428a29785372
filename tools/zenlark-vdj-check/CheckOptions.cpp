// Reading the command line, and the usage a DJ sees with --help.
#include "CheckOptions.h"

#include "Console.h"

#include "delivery/TextEncoding.h"

#include <optional>

static std::string utf8(const std::wstring& text) {
    return utf8FromWide(text);
}

static void usage() {
    printLine("usage: ZenlarkVdjCheck [--settings PATH] [--section NAME] [--title TEXT] [--no-send]\n"
              "                       [--watch [--stream URL] [--seconds N]]\n"
              "                       [--tracklist FILE] [--now-playing FILE]\n"
              "\n"
              "Reads ZenlarkVdjStandalone.ini beside this program (or PATH), and for each server in it\n"
              "([stream], [stream2] to [stream8]) shows the settings and the exact update request, sends\n"
              "one title update the way the plug-in does and explains the server's answer. Exit code 0\n"
              "only when every server checked confirmed the update.\n"
              "\n"
              "  --settings PATH  check this settings file instead\n"
              "  --section NAME   check only this section, e.g. --section stream2\n"
              "  --title TEXT     the title to send (default: \"Zenlark settings check \xC2\xB7 HH:MM:SS\")\n"
              "  --no-send        show the settings and the request, send nothing\n"
              "  --watch          listen to the stream as a player does and print each title listeners\n"
              "                   receive; after the update, wait up to 20 s for its title. Exit code 0\n"
              "                   only when the title arrived. With --no-send: only watch, until Ctrl+C;\n"
              "                   exit code 0 when the stream was heard\n"
              "  --stream URL     listen here instead of the stream the settings name\n"
              "  --seconds N      watch for N seconds; with an update, wait N seconds for its title\n"
              "  --tracklist FILE watch through the set, sending nothing (as --watch --no-send), and\n"
              "                   write each new title listeners receive to FILE, one line each with\n"
              "                   its time from the start of the watch: \"00:03:12 Artist - Title\".\n"
              "                   FILE must not exist yet\n"
              "  --now-playing FILE  watch as --tracklist does and keep FILE holding the title\n"
              "                   listeners receive now, one line, replaced at each change (empty: no\n"
              "                   title)\n"
              "\n"
              "Exit codes: 0 as above, 1 a problem (shown on the PROBLEM line), 2 bad arguments.");
}

static ParseResult badArguments(const char* what, const std::wstring& argument) {
    printErrorLine(std::string(what) + ": " + utf8(argument));
    printErrorLine("try: ZenlarkVdjCheck --help");
    return ParseResult::badArguments;
}

static std::optional<int> parseSeconds(const std::wstring& text) {
    if (text.empty() || text.size() > 5 || text.find_first_not_of(L"0123456789") != std::wstring::npos)
        return std::nullopt;
    const int seconds = std::stoi(text);
    if (seconds < 1 || seconds > 86400)
        return std::nullopt;
    return seconds;
}

ParseResult parseOptions(int argc, wchar_t** argv, CheckOptions& options) {
    for (int i = 1; i < argc; ++i) {
        const std::wstring argument = argv[i];
        const bool hasValue = i + 1 < argc;
        if (argument == L"--help" || argument == L"-h" || argument == L"/?") {
            usage();
            return ParseResult::helpShown;
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
        } else if (argument == L"--tracklist" && hasValue) {
            options.watch.tracklistPath = argv[++i];
        } else if (argument == L"--now-playing" && hasValue) {
            options.watch.nowPlayingPath = argv[++i];
        } else if (argument == L"--stream" || argument == L"--seconds" || argument == L"--tracklist" ||
                   argument == L"--now-playing") {
            return badArguments("missing value for", argument);
        } else if (argument == L"--settings" && hasValue) {
            options.settingsPath = argv[++i];
        } else if (argument == L"--section" && hasValue) {
            options.section = argv[++i];
        } else if (argument == L"--title" && hasValue) {
            options.title = argv[++i];
        } else {
            const bool missingValue =
                argument == L"--settings" || argument == L"--title" || argument == L"--section";
            return badArguments(missingValue ? "missing value for" : "unknown argument", argument);
        }
    }
    if (!options.watch.enabled && (!options.watch.streamUrl.empty() || options.watch.seconds))
        return badArguments("--stream and --seconds go with", L"--watch");
    // Both record a set, which only a watch that sends nothing lasts through: a test title would
    // end the watch as soon as it arrived, and stand in the set's tracklist.
    if (!options.watch.tracklistPath.empty() || !options.watch.nowPlayingPath.empty()) {
        options.watch.enabled = true;
        options.send = false;
    }
    return ParseResult::run;
}
