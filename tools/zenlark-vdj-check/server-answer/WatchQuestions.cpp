// Asking the server beside the watch, with what the plug-in sends and what the file holds now.
#include "server-answer/WatchQuestions.h"

#include "Console.h"
#include "server-answer/AccessProbe.h"
#include "server-answer/ServerLook.h"

#include "delivery/ServerDialect.h"
#include "delivery/TextEncoding.h"
#include "delivery/UpdateTarget.h"
#include "settings/SettingsFile.h"

#include <utility>

WatchQuestions::WatchQuestions(StreamSettings sent, std::wstring path, std::wstring sectionName)
    : sent_(std::move(sent)), path_(std::move(path)), sectionName_(std::move(sectionName)) {}

// The section as the file holds it now.
static std::optional<StreamSettings> settingsNow(const std::wstring& path, const std::wstring& name) {
    for (const StreamSection& section : loadStreamSections(path)) {
        if (section.name == name)
            return section.settings;
    }
    return std::nullopt;
}

static bool otherCredentials(const StreamSettings& file, const StreamSettings& sent) {
    return file.ready && (file.username != sent.username || file.password != sent.password);
}

// The mount or stream the access question is about, as the watch's lines name it.
static std::string sourcePlace(const StreamSettings& settings) {
    if (detectDialect(settings.protocol) == ServerDialect::Icecast)
        return mountPoint(utf8FromWide(settings.mount));
    return "stream " + utf8FromWide(settings.sid.empty() ? L"1" : settings.sid);
}

// The mounts the server streams now, where its status lists them, but for `left`, the one the
// answer showed without a source: its status may list it for a moment longer.
static std::optional<std::vector<std::string>> streamedMounts(const StreamSettings& settings,
                                                              const std::string& left) {
    const std::optional<LookPlace> place =
        lookPlaceOf(settings.serverUrl, settings.protocol, settings.sid, settings.password);
    if (!place)
        return std::nullopt;
    const ServerView view = lookAtServer(*place);
    if (view.page != StatusPage::icecast)
        return std::nullopt;
    std::vector<std::string> paths;
    for (const MountStatus& mount : view.mounts) {
        if (mount.path != left)
            paths.push_back(mount.path);
    }
    return paths;
}

std::vector<std::string> WatchQuestions::ask(const std::optional<std::string>& newTitleAt) {
    if (!access_.worthAsking())
        return {};
    const std::string clock = timeOfDay();
    const std::optional<StreamSettings> file = settingsNow(path_, sectionName_);
    const AccessAnswer sent = askAccess(sent_);
    AccessAnswers answers{sent.access, std::nullopt, newTitleAt};
    if (file && otherCredentials(*file, sent_))
        answers.file = askAccess(*file).access;
    std::vector<std::string> lines = access_.answered(answers, clock);
    if (access_.pluginRestarted())
        sent_ = *file;
    const std::string place = sourcePlace(sent_);
    // The server's status is read once, when the mount is found without a source, not at every round.
    const std::optional<std::vector<std::string>> streamed =
        sent.sourceLive == false && source_.isNews(sent.sourceLive) ? streamedMounts(sent_, place)
                                                                    : std::nullopt;
    for (std::string& line : source_.answered(sent.sourceLive, place, streamed, clock))
        lines.push_back(std::move(line));
    return lines;
}
