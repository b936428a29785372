// The setup window: fills its dialog from the settings file, reacts to the DJ, and hands the
// rules, the look at the server, the test and the watch to their rooms.
#pragma once

#include "during-the-set/TrayIcon.h"
#include "server-choices/OfferedStreams.h"
#include "server-choices/ServerLookRun.h"
#include "settings-form/ServerForm.h"
#include "test-run/CheckRun.h"

#include <windows.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

class SetupWindow {
  public:
    // Reads the settings file at `path` (the sample's text when there is none).
    explicit SetupWindow(std::wstring path);
    ~SetupWindow();
    SetupWindow(const SetupWindow&) = delete;
    SetupWindow& operator=(const SetupWindow&) = delete;

    // Creates the dialog; null when it cannot be made.
    HWND create(HINSTANCE instance);
    HWND handle() const { return dialog_; }

  private:
    // Wakes the window when a run on another thread has news; the notification area's clicks.
    static constexpr UINT newsMessage = WM_APP + 1;
    static constexpr UINT trayMessage = WM_APP + 2;

    static INT_PTR CALLBACK dialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR handle(UINT message, WPARAM wParam, LPARAM lParam);
    void initialise();
    void command(int id, int code);

    // The form of the section shown, to and from the controls.
    void showForm();
    void readForm();
    void fillSectionList();
    void showKind();
    void fillMountChoices();
    void selectSection(std::size_t index);
    void showSection(std::size_t index);
    void addServer();
    void removeServer();
    void pasted();
    void lookAtServer();
    void lookFinished();
    void test();
    void testNews();
    // The test's copy of the settings holds the password: it goes when the window closes, also
    // during a test.
    static void removeTestCopy();
    void save();
    void toggleWatch();
    void watchNews();
    void showListeners(const std::string& text, bool trouble);
    void news();
    void trayClicked(LPARAM lParam);
    void minimised();
    void showAbout();
    bool mayClose();

    // Selects the control of a settings key and says `why` on the status line.
    void pointAt(const std::string& key, const std::string& why);
    void setStatus(const std::string& text);
    void addStep(const std::string& line);
    std::string text(int id) const;
    void setText(int id, const std::string& utf8);
    void enableRunButtons();
    std::wstring settingsFolder() const;
    std::string defaultWatchFile(bool tracklist) const;

    std::wstring path_;
    std::string fileText_; // the file as read or last saved; the sample's when there was none
    bool fileExists_ = false;
    bool fileUnreadable_ = false; // there when the window opened, but not read: never saved over
    std::vector<ServerForm> forms_;
    std::vector<std::string> removed_;
    std::size_t current_ = 0;
    std::vector<OfferedStream> offers_;
    std::optional<std::string> pendingListenPath_; // a pasted stream path, matched once the offers come
    bool filling_ = false;                         // the window fills its controls: no edit of the DJ's
    bool addressEdited_ = false;
    bool dirty_ = false;
    bool lookAgain_ = false;
    bool testCancelled_ = false;
    bool watchTrouble_ = false;
    std::string testLastLine_;
    std::string watchLastLine_;
    std::string listenersTitle_;
    std::string listenersSince_;
    HWND dialog_ = nullptr;
    HBRUSH troubleBrush_ = nullptr;
    HBRUSH flowingBrush_ = nullptr;
    std::unique_ptr<ServerLookRun> look_;
    std::unique_ptr<CheckRun> test_;
    std::unique_ptr<CheckRun> watch_;
    std::unique_ptr<TrayIcon> tray_;
};
