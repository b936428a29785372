// Runs the three rooms for each section of a server in the settings file.
#include "SectionCheck.h"

#include "Console.h"
#include "SectionVerdict.h"
#include "listeners/TitleWatch.h"
#include "server-answer/AnswerVerdict.h"
#include "server-answer/UpdateCheck.h"
#include "server-answer/WatchQuestions.h"
#include "settings-file/SettingsReport.h"
#include "settings-file/UnreadLines.h"

#include "delivery/ServerDialect.h"
#include "delivery/TextEncoding.h"
#include "delivery/UpdateRequest.h"
#include "delivery/UpdateTarget.h"
#include "settings/SettingsFile.h"
#include "worker/ServerList.h"

#include <windows.h>

#include <ctime>
#include <memory>
#include <utility>
#include <vector>

// How the check of one section ended, for the summary.
struct SectionResult {
    bool confirmed = false;
    bool checked = true; // false: skipped, so it does not count for the exit code
    std::string summary;
};

static std::string utf8(const std::wstring& text) {
    return utf8FromWide(text);
}

// The middle dot, outside ASCII, shows whether the mount keeps such letters as listeners should
// get them: a mount that reads titles as Latin-1 shows it encoded twice.
static std::string defaultTitle() {
    char clock[16] = {};
    const std::time_t now = std::time(nullptr);
    std::strftime(clock, sizeof clock, "%H:%M:%S", std::localtime(&now));
    return std::string("Zenlark settings check \xC2\xB7 ") + clock;
}

// Says where it listens and listens there; with `files`, the watch also writes them.
static std::unique_ptr<TitleWatch> listenAt(const WatchAddress& address, const std::string& expectedTitle,
                                            WatchFiles* files = nullptr) {
    auto watch = std::make_unique<TitleWatch>(address, printLine, expectedTitle);
    if (files)
        watch->recordTo(*files);
    watch->begin();
    return watch;
}

// Nothing, with the problem shown, when there is no stream to listen to.
static std::unique_ptr<TitleWatch> startWatch(const StreamSettings& settings, const WatchOptions& options,
                                              const std::string& expectedTitle, WatchFiles* files = nullptr) {
    const WatchAddress address = watchAddress(settings, options.streamUrl);
    if (!address.target) {
        showVerdict(address.problem);
        return nullptr;
    }
    return listenAt(address, expectedTitle, files);
}

// Through the set, asks the server whether it still takes the plug-in's password and whether an
// encoder streams to the mount, and says at once when that changes.
static void askAlongside(TitleWatch& watch, WatchQuestions& questions) {
    watch.askAlongside(
        [&questions](const std::optional<std::string>& newTitleAt) {
            for (const std::string& line : questions.ask(newTitleAt))
                printLine(line);
        },
        std::chrono::seconds(accessCheckSeconds));
}

// The watch through a set; with --tracklist and --now-playing it also writes those files.
static int watchOnly(const StreamSection& section, const std::wstring& path, const WatchOptions& options,
                     WatchFiles& files) {
    WatchQuestions questions(section.settings, path, section.name);
    std::unique_ptr<TitleWatch> watch = startWatch(section.settings, options, std::string(), &files);
    if (watch && section.settings.ready)
        askAlongside(*watch, questions);
    const int code = watch ? watch->watchToTheEnd(options.seconds) : 1;
    watch.reset(); // no title arrives after this
    files.watchEnded();
    if (code != 0)
        return code;
    std::vector<CheckVerdict> problems;
    if (questions.verdict())
        problems.push_back(*questions.verdict());
    if (files.anyWriteFailed())
        problems.push_back(CheckVerdict{false, "Some titles could not be written to the files (see above).",
                                        "Write them to a drive with free space."});
    for (const CheckVerdict& problem : problems)
        showVerdict(problem);
    return problems.empty() ? 0 : 1;
}

static CheckVerdict awaitTitle(TitleWatch& watch, const WatchOptions& options) {
    const CheckVerdict verdict = watch.awaitTitle(options.seconds.value_or(defaultTitleWaitSeconds));
    showVerdict(verdict);
    return verdict;
}

static SectionResult resultOf(const CheckVerdict& verdict) {
    return SectionResult{verdict.confirmed, true,
                         std::string(verdictLabel(verdict)) + ": " + verdict.happened};
}

static std::string titleToSend(const CheckOptions& options) {
    return options.title.empty() ? defaultTitle() : utf8(options.title);
}

// Listens again where the update really went, when the server shows the title on another mount
// than the one listened to; the titles heard there all count as after the update.
static void followTheTitle(std::unique_ptr<TitleWatch>& watch, const StreamSettings& settings,
                           const CheckOptions& options, const UpdateResult& update,
                           const std::string& expected) {
    if (!update.landedOn || !options.watch.streamUrl.empty())
        return;
    const WatchAddress there = watchAddressOnMount(settings, *update.landedOn);
    if (!there.target || (watch && watch->listensTo(*there.target)))
        return;
    printLine("The title went to " + *update.landedOn + "; listening there.");
    watch.reset();
    watch = listenAt(there, expected);
    watch->updateSent();
}

// A full stream turns the watch away as it turns away any new listener, before the update goes
// out. The title still reached those already in, as the server showed after the update, so the
// update's verdict stands and names what keeps new listeners out.
static CheckVerdict turnedAway(const CheckVerdict& update, TitleWatch& watch, LimitReached limit,
                               const std::optional<ServerView>& before, const std::string& mount) {
    printLine("The watch " + watch.awaitTitle(0).happened);
    if (before && limitSeenIn(*before) != LimitReached::none)
        return update; // it says so already
    return withFullStream(update, limit, before ? listenersOn(*before, mount) : std::nullopt);
}

// Shows the final verdict of a section and, with --watch, waits for its title to reach
// listeners, unless the update already failed.
static SectionResult finish(const CheckVerdict& verdict, std::unique_ptr<TitleWatch>& watch,
                            const CheckOptions& options, const std::optional<ServerView>& before,
                            const std::string& mount) {
    const LimitReached limit = watch && verdict.confirmed ? watch->turnedAwayFor() : LimitReached::none;
    if (limit != LimitReached::none) {
        const CheckVerdict full = turnedAway(verdict, *watch, limit, before, mount);
        showVerdict(full);
        return resultOf(full);
    }
    showVerdict(verdict);
    if (!watch || isProblem(verdict))
        return resultOf(verdict);
    return resultOf(awaitTitle(*watch, options.watch));
}

// A Shoutcast section's choice of stream, judged with the streams the server lists.
static std::vector<SettingsWarning> streamChoiceWarnings(const SettingsFileState& file,
                                                         const StreamSection& section,
                                                         const std::optional<ServerView>& before) {
    if (detectDialect(section.settings.protocol) != ServerDialect::Shoutcast)
        return {};
    return findStreamChoiceMistakes(streamChoiceOf(file.path, section),
                                    before ? before->streams : std::vector<ShoutcastStream>());
}

// The settings as the watch listens with them: on the stream a DNAS update reaches, which a
// password ending in ":#N" chooses before sid.
static StreamSettings watchedSettings(const StreamSettings& settings,
                                      const std::optional<ServerView>& before) {
    StreamSettings watched = settings;
    if (before && !before->streams.empty() && !before->sid.empty())
        watched.sid = std::wstring(before->sid.begin(), before->sid.end());
    return watched;
}

static void append(std::vector<SettingsWarning>& warnings, const std::vector<SettingsWarning>& more) {
    warnings.insert(warnings.end(), more.begin(), more.end());
}

// One server's check: what the file says (its values and their mistakes), what the server did
// (its status, the update, its answer, the title read back), and with --watch what its
// listeners received.
static SectionResult checkSection(const StreamSection& section, const SettingsFileState& file,
                                  const CheckOptions& options) {
    const StreamSettings& settings = section.settings;
    const std::string title = titleToSend(options);
    // What listeners get: the song as the update carries it, with the section's prefix and suffix.
    const std::string expected = sentSong(settings, title);
    showSettings(settings);
    DeliveryReport report;
    const std::optional<UpdateRequest> request = showRequest(settings, title, report);
    // With --no-send nothing goes to the server, not even a look at its public pages.
    const std::optional<ServerView> before =
        request && options.send ? lookBeforeUpdate(settings) : std::nullopt;
    // What the plug-in does not read as written first: the verdict names the first of those.
    const std::string name = utf8(section.name);
    const SectionValues values = sectionValuesOf(settings);
    std::vector<SettingsWarning> warnings = repeatWarnings(file.sections, name);
    append(warnings, looseLineWarnings(file.looseLines, file.sections, name));
    append(warnings, unreadKeyWarnings(file.sections, name, values));
    append(warnings, blankAndQuoteWarnings(file.sections, name));
    append(warnings, copiedPasswordWarnings(file.sections, name));
    append(warnings, cutValueWarnings(file.path, section));
    append(warnings, findSettingsMistakes(values, liveMountPaths(before),
                                          before ? before->streams : std::vector<ShoutcastStream>()));
    append(warnings, streamChoiceWarnings(file, section, before));
    showWarnings(warnings);
    const SectionReading reading = readingOf(file, section.name);
    std::unique_ptr<TitleWatch> watch;
    if (options.watch.enabled && request) {
        watch = startWatch(watchedSettings(settings, before), options.watch, expected);
        if (!watch)
            return SectionResult{false, true, "PROBLEM: no stream to listen to"};
        if (!watch->awaitHeard()) {
            printLine("Stopped (Ctrl+C); nothing sent.");
            return SectionResult{false, true, "PROBLEM: stopped before the update was sent"};
        }
    }
    if (!options.send && request) {
        printLine("Nothing sent (--no-send).");
        const CheckVerdict shown{true, "the request is shown; nothing was sent (--no-send).", ""};
        const CheckVerdict verdict = sectionVerdict(shown, name, reading, warnings, UpdateFacts{});
        if (!verdict.confirmed)
            showVerdict(verdict);
        return SectionResult{verdict.confirmed, true,
                             verdict.confirmed
                                 ? "request shown, nothing sent (--no-send)"
                                 : std::string(verdictLabel(verdict)) + ": " + verdict.happened};
    }
    if (watch)
        watch->updateSent();
    const UpdateResult update = sendAndJudge(settings, request, title, expected, before, report);
    const CheckVerdict verdict = sectionVerdict(update.verdict, name, reading, warnings,
                                                UpdateFacts{update.sent, update.credentialsRefused});
    if (watch && !isProblem(verdict))
        followTheTitle(watch, settings, options, update, expected);
    return finish(verdict, watch, options, before, mountPoint(utf8(settings.mount)));
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
                                    const SettingsFileState& file, const CheckOptions& options) {
    const StreamSection& section = sections[index];
    printLine("");
    printLine("[" + utf8(section.name) + "]");
    // With no server ready at all, [stream] is checked, so the DJ learns what is missing.
    if (!section.settings.ready && (anyReady(sections) || index > 0))
        return skipped(section.settings, "the plug-in does not use this section: it lacks " +
                                             missingKeys(section.settings) + ".");
    const int duplicate = earlierDuplicate(sections, index);
    if (duplicate >= 0)
        return skipped(section.settings,
                       "the same server and " +
                           std::string(detectDialect(section.settings.protocol) == ServerDialect::Icecast
                                           ? "mount"
                                           : "sid") +
                           " as [" + utf8(sections[static_cast<std::size_t>(duplicate)].name) +
                           "]; the plug-in updates them once.");
    return checkSection(section, file, options);
}

static bool sameName(const std::wstring& left, const std::wstring& right) {
    return CompareStringOrdinal(left.c_str(), -1, right.c_str(), -1, TRUE) == CSTR_EQUAL;
}

int runCheck(const CheckOptions& options) {
    const std::wstring path = settingsFileToCheck(options.settingsPath);
    const SettingsFileState file = showSettingsFile(path);
    if (!file.exists && file.hiddenTxtTwin) {
        showVerdict(hiddenEndingVerdict(path, *file.hiddenTxtTwin));
        return 1;
    }
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
        // The files first: a refused file leaves the run before anything else happens.
        WatchFiles files;
        std::string problem;
        if (!files.open(options.watch.tracklistPath, options.watch.nowPlayingPath, problem)) {
            printLine(problem);
            return 2;
        }
        const StreamSection& watched = sections[chosen.front()];
        printLine("");
        printLine("[" + utf8(watched.name) + "]");
        DeliveryReport report;
        showSettings(watched.settings);
        if (showRequest(watched.settings, titleToSend(options), report))
            printLine("Nothing sent (--no-send).");
        return watchOnly(watched, path, options.watch, files);
    }
    std::vector<std::pair<std::wstring, SectionResult>> results;
    for (const std::size_t index : chosen)
        results.emplace_back(sections[index].name, checkSectionOf(sections, index, file, options));
    bool allConfirmed = true;
    bool anyChecked = false;
    for (const auto& [name, result] : results) {
        allConfirmed = allConfirmed && (result.confirmed || !result.checked);
        anyChecked = anyChecked || result.checked;
    }
    const std::vector<UnreadSection> unread = unreadSections(file.sections);
    if (results.size() > 1 || !unread.empty()) {
        printLine("");
        printLine("Summary:");
        for (const auto& [name, result] : results)
            printLine("  [" + utf8(name) + "] " + result.summary);
        for (const UnreadSection& section : unread)
            printLine("  [" + section.name + "] not read by the plug-in");
    }
    const std::optional<CheckVerdict> copies = pluginCopiesVerdict(file.pluginCopies);
    if (!unread.empty())
        showVerdict(unreadSectionsVerdict(unread));
    if (copies)
        showVerdict(*copies);
    if (!unread.empty() || copies)
        return 1;
    return anyChecked && allConfirmed ? 0 : 1;
}
