// The Test button's check and the watch through a set, each on a thread of its own, and the
// notification area while the window watches.
#include "window/SetupWindow.h"

#include "during-the-set/WatchLine.h"
#include "settings-form/SaveRules.h"
#include "settings-form/SettingsFileAccess.h"
#include "settings-form/SettingsRewrite.h"
#include "test-run/VerdictField.h"
#include "window/WideText.h"
#include "window/resource.h"

#include "settings-file/PluginCopies.h"
#include "settings-file/SettingsReport.h"

#include "TextParts.h"

#include "delivery/TextEncoding.h"

#include <ctime>

void SetupWindow::enableRunButtons() {
    const bool testing = test_ != nullptr;
    const bool watching = watch_ != nullptr;
    EnableWindow(GetDlgItem(dialog_, IDC_TEST), !testing && !watching);
    EnableWindow(GetDlgItem(dialog_, IDC_CANCEL_TEST), testing && !test_->finished());
    EnableWindow(GetDlgItem(dialog_, IDC_WATCH), !testing);
    setText(IDC_WATCH, watching ? "Stop &watching" : "&Watch listeners");
}

static std::wstring testFilePath() {
    wchar_t folder[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH + 1, folder);
    return std::wstring(folder) + L"ZenlarkVdjSetup-test-" + std::to_wstring(GetCurrentProcessId()) + L".ini";
}

void SetupWindow::removeTestCopy() {
    DeleteFileW(testFilePath().c_str());
}

// Tests what the window shows, saved or not: the section goes into a copy of the file, and the
// check tool's own check runs on it, listening to the stream for the title.
void SetupWindow::test() {
    if (test_ || watch_)
        return;
    readForm();
    const ServerForm& form = forms_[current_];
    const ValuesToSave values = valuesToSave(form);
    if (!values.problems.empty()) {
        pointAt(values.problems.front().key, values.problems.front().what);
        return;
    }
    const std::string copy = rewrittenSettings(fileText_, {{form.section, values.values}}, removed_);
    if (const std::optional<std::string> problem = saveSettingsText(testFilePath(), copy)) {
        setStatus("The test needs a copy of the settings in the temporary folder. " + *problem);
        return;
    }
    SendDlgItemMessageW(dialog_, IDC_STEPS, LB_RESETCONTENT, 0, 0);
    testLastLine_.clear();
    setText(IDC_VERDICT,
            "Testing: one test title goes to the server, and the window listens for it as a player does ...");
    setStatus("Testing [" + form.section + "] ...");
    CheckOptions options;
    options.settingsPath = testFilePath();
    options.section = wide(form.section);
    options.watch.enabled = true;
    const HWND dialog = dialog_;
    test_ = std::make_unique<CheckRun>(options, [dialog] { PostMessageW(dialog, newsMessage, 0, 0); });
    enableRunButtons();
}

void SetupWindow::testNews() {
    for (const std::string& line : test_->takeLines()) {
        addStep(line);
        if (!trimmed(line).empty())
            testLastLine_ = line;
    }
    if (!test_->finished())
        return;
    const std::optional<CheckVerdict> verdict = test_->lastVerdict();
    const bool confirmed = test_->exitCode() == 0;
    test_.reset();
    removeTestCopy();
    enableRunButtons();
    if (testCancelled_) {
        testCancelled_ = false;
        setText(IDC_VERDICT, "Test cancelled.");
        setStatus("Test cancelled.");
        return;
    }
    // A section the plug-in does not use ends with why, and no verdict.
    if (!verdict) {
        setText(IDC_VERDICT, testLastLine_);
        pointAt(contains(testLastLine_, "password") ? "password" : "server_url", testLastLine_);
        return;
    }
    // The test ran on a copy in the temporary folder: copies of the plug-in beside the real file
    // would each send every title, whatever the server did.
    const std::optional<CheckVerdict> copies = pluginCopiesVerdict(pluginCopiesBeside(path_));
    if (confirmed && copies) {
        setText(IDC_VERDICT, "PROBLEM: " + copies->happened + "\r\nWhat to do: " + copies->advice);
        setStatus("PROBLEM: see what to do above.");
        return;
    }
    std::string shown = std::string(verdictLabel(*verdict)) + ": " + verdict->happened;
    if (!verdict->advice.empty())
        shown += "\r\nWhat to do: " + verdict->advice;
    setText(IDC_VERDICT, shown);
    if (confirmed) {
        setStatus(dirty_ ? "Test passed. Save, so the plug-in reads these settings." : "Test passed.");
        return;
    }
    pointAt(settingsKeyOf(*verdict), std::string(verdictLabel(*verdict)) + ": see what to do above.");
}

void SetupWindow::showListeners(const std::string& line, bool trouble) {
    watchTrouble_ = trouble;
    setText(IDC_LISTENERS, line);
    InvalidateRect(GetDlgItem(dialog_, IDC_LISTENERS), nullptr, TRUE);
    if (tray_->shown())
        tray_->show(wide(line.substr(0, 120)), trouble);
}

static std::string localTime(const char* format) {
    char text[32] = {};
    const std::time_t now = std::time(nullptr);
    std::strftime(text, sizeof text, format, std::localtime(&now));
    return text;
}

// A tracklist is never written over: each set gets a name of its own.
std::string SetupWindow::defaultWatchFile(bool tracklist) const {
    const std::string name =
        tracklist ? "Tracklist " + localTime("%Y-%m-%d %H%M") + ".txt" : "Now playing.txt";
    return utf8FromWide(settingsFolder()) + name;
}

// The watch runs on the saved file, as the plug-in reads it.
void SetupWindow::toggleWatch() {
    if (watch_) {
        watch_->cancel();
        setStatus("Stopping the watch ...");
        return;
    }
    if (!fileExists_) {
        setStatus("Save first: the watch follows the saved settings, as the plug-in does.");
        return;
    }
    readForm();
    CheckOptions options;
    options.settingsPath = path_;
    options.section = wide(forms_[current_].section);
    options.send = false;
    options.watch.enabled = true;
    if (IsDlgButtonChecked(dialog_, IDC_TRACKLIST_ON) == BST_CHECKED)
        options.watch.tracklistPath = wide(text(IDC_TRACKLIST));
    if (IsDlgButtonChecked(dialog_, IDC_NOW_PLAYING_ON) == BST_CHECKED)
        options.watch.nowPlayingPath = wide(text(IDC_NOW_PLAYING));
    SendDlgItemMessageW(dialog_, IDC_STEPS, LB_RESETCONTENT, 0, 0);
    listenersTitle_.clear();
    listenersSince_.clear();
    watchLastLine_.clear();
    tray_->show(L"Zenlark VDJ setup: watching listeners", false);
    showListeners("Listening to the stream as a player does ...", false);
    setStatus(dirty_ ? "Watching the saved settings of [" + forms_[current_].section +
                           "]; Save to watch your changes."
                     : "Watching [" + forms_[current_].section + "].");
    const HWND dialog = dialog_;
    watch_ = std::make_unique<CheckRun>(options, [dialog] { PostMessageW(dialog, newsMessage, 0, 0); });
    enableRunButtons();
}

static std::string listenersSee(const std::string& title, const std::string& since) {
    return "Listeners see: " + (title.empty() ? std::string("(no title)") : title) + "  (since " + since +
           ")";
}

void SetupWindow::watchNews() {
    for (const std::string& line : watch_->takeLines()) {
        addStep(line);
        if (!trimmed(line).empty())
            watchLastLine_ = line;
        const WatchLine read = readWatchLine(line);
        const std::string clock = read.clock.empty() ? timeOfDay() : read.clock;
        if (read.news == WatchNews::title) {
            listenersTitle_ = read.text;
            listenersSince_ = clock;
            if (!watchTrouble_)
                showListeners(listenersSee(read.text, clock), false);
        } else if (read.news == WatchNews::trouble) {
            if (!watchTrouble_)
                tray_->notify(L"Titles stopped getting through", wide(read.text.substr(0, 250)), true);
            showListeners("Titles are NOT getting through: " + read.text, true);
        } else if (read.news == WatchNews::flowing) {
            if (watchTrouble_)
                tray_->notify(L"Titles get through again", wide(read.text.substr(0, 250)), false);
            showListeners(
                listenersSince_.empty() ? read.text : listenersSee(listenersTitle_, listenersSince_), false);
        }
    }
    if (!watch_->finished())
        return;
    // A watch that could not start (a tracklist that exists already, no stream) says why last.
    const bool ended = watch_->exitCode() == 0;
    watch_.reset();
    enableRunButtons();
    if (IsDlgButtonChecked(dialog_, IDC_TRAY) != BST_CHECKED)
        tray_->hide();
    if (!watchTrouble_)
        showListeners("Not watching.", false);
    setStatus(ended ? "The watch ended." : "The watch ended: " + watchLastLine_);
}

void SetupWindow::trayClicked(LPARAM lParam) {
    const UINT event = LOWORD(lParam);
    if (event != WM_LBUTTONUP && event != NIN_SELECT && event != NIN_KEYSELECT && event != WM_LBUTTONDBLCLK)
        return;
    ShowWindow(dialog_, SW_RESTORE);
    SetForegroundWindow(dialog_);
}

void SetupWindow::minimised() {
    if (IsDlgButtonChecked(dialog_, IDC_TRAY) != BST_CHECKED)
        return;
    tray_->show(watch_ ? L"Zenlark VDJ setup: watching listeners" : L"Zenlark VDJ setup", watchTrouble_);
    ShowWindow(dialog_, SW_HIDE);
}
