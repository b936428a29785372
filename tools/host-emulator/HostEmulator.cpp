// Loads a plug-in DLL the way the DJ host does and plays a scripted set of deck changes to it.
//
// The host-side layout is declared here on its own, not taken from the plug-in's headers, so a
// mistake in either one shows up as a failure instead of agreeing with itself.
//
// Script lines (a file, or standard input with "-"): "<ms> <setting>", times from the start:
//   0 crossfader 0.5        0 deck 1 play 1        0 deck 1 volume 0.8
//   0 deck 1 artist Daft Punk                      0 deck 1 title One More Time
//   9000 release            (ends the set; the end of the script does the same)
// Blank lines and lines starting with "#" are skipped.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>

namespace host {

struct Info {
    const char* name;
    const char* author;
    const char* description;
    const char* version;
    void* reserved;
    std::uint32_t flags;
};

struct Callbacks;
struct CallbacksTable {
    void* entry0;
    std::int32_t (*queryNumber)(Callbacks*, const char*, double*);
    std::int32_t (*queryText)(Callbacks*, const char*, char*, std::int32_t);
};
struct Callbacks {
    const CallbacksTable* table;
};

struct Plugin;
struct PluginTable {
    std::int32_t (*start)(Plugin*);
    std::int32_t (*describe)(Plugin*, Info*);
    std::int32_t (*release)(Plugin*);
    Plugin* (*destructor)(Plugin*, std::uint32_t);
    std::int32_t (*reserved4)(Plugin*);
    std::int32_t (*reserved5)(Plugin*);
    std::int32_t (*reserved6)(Plugin*);
};
struct Plugin {
    const PluginTable* table;
    void* reserved;
    Callbacks* callbacks;
};

static_assert(sizeof(PluginTable) == 56, "seven entries");
static_assert(offsetof(Plugin, callbacks) == 16, "callbacks after the table and the host's field");

using GetClassObject = HRESULT(WINAPI*)(REFCLSID, REFIID, LPVOID*);

const GUID classId = {0xED8A8D87, 0xF4F9, 0x4DCD, {0xBD, 0x24, 0x29, 0x14, 0x12, 0xE9, 0x3B, 0x60}};
const GUID interfaceA = {0xA1D90EA1, 0x4D0D, 0x42DD, {0xA4, 0xD0, 0xB8, 0xF3, 0x37, 0xB3, 0x21, 0xF1}};
const GUID interfaceB = {0xA1D91EA1, 0x4E0D, 0x32DD, {0x14, 0xD0, 0xC8, 0xF3, 0x47, 0xB6, 0x41, 0xD1}};

} // namespace host

struct Deck {
    double play = 0;
    double volume = 0;
    std::string artist;
    std::string title;
};

struct Mixer {
    std::mutex lock;
    double crossfader = 0;
    Deck decks[4];
    long numericQueries = 0;
    long textQueries = 0;
};

static Mixer mixer;
static LARGE_INTEGER clockStart;
static LARGE_INTEGER clockFrequency;

static double elapsedMilliseconds() {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart - clockStart.QuadPart) * 1000.0 /
           static_cast<double>(clockFrequency.QuadPart);
}

static void say(const char* format, const std::string& text = std::string()) {
    std::printf("[%9.1f ms] ", elapsedMilliseconds());
    std::printf(format, text.c_str());
    std::printf("\n");
    std::fflush(stdout);
}

// "deck 3 volume" → deck 3 and the rest; 0 when the command names no deck 1 to 4.
static int deckOf(const char* command, const char** rest) {
    int deck = 0;
    int consumed = 0;
    if (std::sscanf(command, "deck %d %n", &deck, &consumed) != 1 || deck < 1 || deck > 4)
        return 0;
    *rest = command + consumed;
    return deck;
}

static std::int32_t answerNumber(host::Callbacks*, const char* command, double* value) {
    std::lock_guard<std::mutex> guard(mixer.lock);
    ++mixer.numericQueries;
    const char* what = nullptr;
    if (std::strcmp(command, "crossfader") == 0) {
        *value = mixer.crossfader;
        return 0;
    }
    const int deck = deckOf(command, &what);
    if (deck == 0)
        return 1;
    if (std::strcmp(what, "play") == 0)
        *value = mixer.decks[deck - 1].play;
    else if (std::strcmp(what, "volume") == 0)
        *value = mixer.decks[deck - 1].volume;
    else
        return 1;
    return 0;
}

static std::int32_t answerText(host::Callbacks*, const char* command, char* buffer, std::int32_t size) {
    std::lock_guard<std::mutex> guard(mixer.lock);
    ++mixer.textQueries;
    const char* what = nullptr;
    const int deck = deckOf(command, &what);
    if (deck == 0 || size <= 0)
        return 1;
    const std::string* text = nullptr;
    if (std::strcmp(what, "get_artist") == 0)
        text = &mixer.decks[deck - 1].artist;
    else if (std::strcmp(what, "get_title") == 0)
        text = &mixer.decks[deck - 1].title;
    else
        return 1;
    std::snprintf(buffer, static_cast<std::size_t>(size), "%s", text->c_str());
    return 0;
}

static const host::CallbacksTable callbacksTable = {nullptr, answerNumber, answerText};
static host::Callbacks callbacks = {&callbacksTable};

static std::string trimmedLine(const char* line) {
    std::string text(line);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    return text;
}

// Applies one setting; false for a line it does not understand.
static bool applySetting(const std::string& setting) {
    double value = 0;
    if (std::sscanf(setting.c_str(), "crossfader %lf", &value) == 1) {
        std::lock_guard<std::mutex> guard(mixer.lock);
        mixer.crossfader = value;
        return true;
    }
    const char* rest = nullptr;
    const int deck = deckOf(setting.c_str(), &rest);
    if (deck == 0)
        return false;
    std::lock_guard<std::mutex> guard(mixer.lock);
    Deck& state = mixer.decks[deck - 1];
    if (std::sscanf(rest, "play %lf", &value) == 1)
        state.play = value;
    else if (std::sscanf(rest, "volume %lf", &value) == 1)
        state.volume = value;
    else if (std::strncmp(rest, "artist", 6) == 0)
        state.artist = rest[6] == ' ' ? rest + 7 : rest + 6;
    else if (std::strncmp(rest, "title", 5) == 0)
        state.title = rest[5] == ' ' ? rest + 6 : rest + 5;
    else
        return false;
    return true;
}

static void waitUntil(double milliseconds) {
    for (double now = elapsedMilliseconds(); now < milliseconds; now = elapsedMilliseconds())
        Sleep(static_cast<DWORD>(milliseconds - now) + 1);
}

// Plays the script until its end or a "release" line. False on a malformed line.
static bool playScript(std::FILE* script) {
    char line[4096];
    int lineNumber = 0;
    while (std::fgets(line, sizeof line, script) != nullptr) {
        ++lineNumber;
        const std::string text = trimmedLine(line);
        if (text.empty() || text[0] == '#')
            continue;
        double at = 0;
        int consumed = 0;
        if (std::sscanf(text.c_str(), "%lf %n", &at, &consumed) != 1) {
            std::fprintf(stderr, "script line %d: no time: %s\n", lineNumber, text.c_str());
            return false;
        }
        const std::string setting = text.substr(static_cast<std::size_t>(consumed));
        waitUntil(at);
        if (setting == "release")
            return true;
        if (!applySetting(setting)) {
            std::fprintf(stderr, "script line %d: not understood: %s\n", lineNumber, text.c_str());
            return false;
        }
        say("state %s", setting);
    }
    return true;
}

struct Options {
    std::string pluginPath;
    std::string scriptPath = "-";
    bool useInterfaceB = false;
    bool start = true;
};

static void usage() {
    std::fprintf(stderr,
                 "usage: host_emulator PLUGIN.dll [SCRIPT|-] [--interface-b] [--no-start]\n"
                 "  Loads the plug-in as the host does, answers its deck queries from the script's\n"
                 "  timed lines (\"<ms> crossfader V\", \"<ms> deck N play|volume V\",\n"
                 "  \"<ms> deck N artist|title TEXT\", \"<ms> release\") and releases it at the end.\n");
}

static bool parseOptions(int argc, char** argv, Options& options) {
    int positional = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--interface-b")
            options.useInterfaceB = true;
        else if (argument == "--no-start")
            options.start = false;
        else if (argument == "--help" || argument == "-h")
            return false;
        else if (positional == 0 && (argument.empty() || argument[0] != '-')) {
            options.pluginPath = argument;
            ++positional;
        } else if (positional == 1) {
            options.scriptPath = argument;
            ++positional;
        } else {
            std::fprintf(stderr, "unknown argument: %s\n", argument.c_str());
            return false;
        }
    }
    return !options.pluginPath.empty();
}

static std::string orEmpty(const char* text) { return text != nullptr ? text : "(null)"; }

int main(int argc, char** argv) {
    QueryPerformanceFrequency(&clockFrequency);
    QueryPerformanceCounter(&clockStart);
    Options options;
    if (!parseOptions(argc, argv, options)) {
        usage();
        return 2;
    }
    std::FILE* script = stdin;
    if (options.scriptPath != "-" && (script = std::fopen(options.scriptPath.c_str(), "rb")) == nullptr) {
        std::fprintf(stderr, "cannot open script %s\n", options.scriptPath.c_str());
        return 2;
    }
    HMODULE module = LoadLibraryA(options.pluginPath.c_str());
    if (module == nullptr) {
        std::fprintf(stderr, "cannot load %s (error %lu)\n", options.pluginPath.c_str(), GetLastError());
        return 2;
    }
    auto getClassObject = reinterpret_cast<host::GetClassObject>(
        reinterpret_cast<void*>(GetProcAddress(module, "DllGetClassObject")));
    if (getClassObject == nullptr) {
        std::fprintf(stderr, "%s exports no DllGetClassObject\n", options.pluginPath.c_str());
        return 2;
    }
    host::Plugin* plugin = nullptr;
    const HRESULT created = getClassObject(host::classId, options.useInterfaceB ? host::interfaceB : host::interfaceA,
                                           reinterpret_cast<LPVOID*>(&plugin));
    if (created != S_OK || plugin == nullptr) {
        std::fprintf(stderr, "DllGetClassObject refused: 0x%08lX\n", static_cast<unsigned long>(created));
        return 2;
    }
    plugin->callbacks = &callbacks;

    host::Info info = {};
    const std::int32_t described = plugin->table->describe(plugin, &info);
    say("describe -> %s", std::to_string(described));
    say("name: %s", orEmpty(info.name));
    say("author: %s", orEmpty(info.author));
    say("description: %s", orEmpty(info.description));
    say("version: %s", orEmpty(info.version));

    if (options.start) {
        const double before = elapsedMilliseconds();
        const std::int32_t started = plugin->table->start(plugin);
        std::printf("[%9.1f ms] start -> %ld in %.3f ms\n", elapsedMilliseconds(), static_cast<long>(started),
                    elapsedMilliseconds() - before);
        std::fflush(stdout);
    }
    const bool scriptOk = playScript(script);

    const double before = elapsedMilliseconds();
    const std::int32_t released = plugin->table->release(plugin);
    const double releaseMs = elapsedMilliseconds() - before;
    std::printf("[%9.1f ms] release -> %ld in %.3f ms\n", elapsedMilliseconds(), static_cast<long>(released),
                releaseMs);
    std::printf("[%9.1f ms] queries: %ld numeric, %ld text\n", elapsedMilliseconds(), mixer.numericQueries,
                mixer.textQueries);
    std::fflush(stdout);
    return scriptOk && released == 0 ? 0 : 1;
}
