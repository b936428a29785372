// The dialog's code only fills, enables and reacts; the rules live in plain functions.
#include "window/SetupWindow.h"

#include "during-the-set/WatchLine.h"
#include "settings-form/PastedAddress.h"
#include "settings-form/SaveFailure.h"
#include "settings-form/SaveRules.h"
#include "settings-form/SettingsFileAccess.h"
#include "settings-form/SettingsRewrite.h"
#include "test-run/VerdictField.h"
#include "window/WideText.h"
#include "window/resource.h"

#include "TextParts.h"

#include "delivery/TextEncoding.h"

#include <commctrl.h>

#include <ctime>

// Windows 8.1's message, which Windows 7's headers lack.
#ifndef WM_DPICHANGED
#define WM_DPICHANGED 0x02E0
#endif

// The pause after the last keystroke in the address field before it is read as pasted.
static const UINT_PTR pastedTimer = 1;
static const UINT pastedDelayMilliseconds = 700;

static const char* const kindNames[] = {
    "Icecast", "Shoutcast 2 (DNAS)", "Shoutcast 1",
    "A station platform's live-DJ input (AzuraCast, LibreTime: Liquidsoap's harbor)"};

// The control that shows a settings key.
static int controlOf(const std::string& key) {
    static const struct {
        const char* key;
        int control;
    } controls[] = {{"server_url", IDC_ADDRESS},
                    {"protocol", IDC_KIND},
                    {"mount", IDC_MOUNT},
                    {"sid", IDC_MOUNT},
                    {"username", IDC_USERNAME},
                    {"password", IDC_PASSWORD},
                    {"title_prefix", IDC_TITLE_PREFIX},
                    {"title_suffix", IDC_TITLE_SUFFIX},
                    {"title_delay", IDC_TITLE_DELAY},
                    {"skip_titles", IDC_SKIP_TITLES}};
    for (const auto& entry : controls) {
        if (key == entry.key)
            return entry.control;
    }
    return 0;
}

SetupWindow::SetupWindow(std::wstring path) : path_(std::move(path)) {
    const SettingsFileText file = readSettingsText(path_);
    fileExists_ = file.text || file.unreadable;
    fileUnreadable_ = file.unreadable;
    fileText_ = file.text ? *file.text : sampleSettingsText();
    forms_ = formsFromText(fileText_);
}

SetupWindow::~SetupWindow() {
    if (troubleBrush_)
        DeleteObject(troubleBrush_);
    if (flowingBrush_)
        DeleteObject(flowingBrush_);
}

HWND SetupWindow::create(HINSTANCE instance) {
    return CreateDialogParamW(instance, MAKEINTRESOURCEW(IDD_SETUP), nullptr, dialogProc,
                              reinterpret_cast<LPARAM>(this));
}

INT_PTR CALLBACK SetupWindow::dialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        auto* window = reinterpret_cast<SetupWindow*>(lParam);
        window->dialog_ = dialog;
        window->initialise();
        return TRUE;
    }
    auto* window = reinterpret_cast<SetupWindow*>(GetWindowLongPtrW(dialog, DWLP_USER));
    return window ? window->handle(message, wParam, lParam) : FALSE;
}

std::string SetupWindow::text(int id) const {
    const HWND control = GetDlgItem(dialog_, id);
    const int length = GetWindowTextLengthW(control);
    std::wstring buffer(static_cast<std::size_t>(length) + 1, L'\0');
    buffer.resize(static_cast<std::size_t>(GetWindowTextW(control, buffer.data(), length + 1)));
    return utf8FromWide(buffer);
}

void SetupWindow::setText(int id, const std::string& utf8) {
    SetDlgItemTextW(dialog_, id, wide(utf8).c_str());
}

void SetupWindow::setStatus(const std::string& line) {
    SendDlgItemMessageW(dialog_, IDC_STATUS, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(wide(line).c_str()));
}

std::wstring SetupWindow::settingsFolder() const {
    return path_.substr(0, path_.find_last_of(L"\\/") + 1);
}

static std::string version() {
    return ZENLARK_VERSION;
}

void SetupWindow::initialise() {
    SetWindowTextW(dialog_, wide("Zenlark VDJ setup " + version()).c_str());
    const HICON icon = LoadIconW(nullptr, IDI_APPLICATION);
    SendMessageW(dialog_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    SendMessageW(dialog_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
    for (const char* name : kindNames)
        SendDlgItemMessageW(dialog_, IDC_KIND, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide(name).c_str()));
    SendDlgItemMessageW(dialog_, IDC_TITLE_DELAY, EM_SETLIMITTEXT, 8, 0);
    troubleBrush_ = CreateSolidBrush(RGB(0xF8, 0xD0, 0xD0));
    flowingBrush_ = CreateSolidBrush(RGB(0xD0, 0xF0, 0xD0));
    tray_ = std::make_unique<TrayIcon>(dialog_, trayMessage);
    fillSectionList();
    showForm();
    setText(IDC_LISTENERS, "Not watching: press Watch listeners during your set.");
    if (fileUnreadable_)
        setStatus("The settings file " + utf8FromWide(path_) +
                  " could not be read: another program holds it open, or Windows does not let this program "
                  "read it. Close that program, then open this window again.");
    else
        setStatus(fileExists_ ? "Settings file: " + utf8FromWide(path_)
                              : "No settings file yet: Save writes " + utf8FromWide(path_) + ".");
    lookAtServer();
}

void SetupWindow::fillSectionList() {
    filling_ = true;
    SendDlgItemMessageW(dialog_, IDC_SECTION, CB_RESETCONTENT, 0, 0);
    for (const ServerForm& form : forms_) {
        std::string label = "[" + form.section + "]";
        if (!form.serverUrl.empty())
            label += " " + form.serverUrl;
        SendDlgItemMessageW(dialog_, IDC_SECTION, CB_ADDSTRING, 0,
                            reinterpret_cast<LPARAM>(wide(label).c_str()));
    }
    SendDlgItemMessageW(dialog_, IDC_SECTION, CB_SETCURSEL, current_, 0);
    EnableWindow(GetDlgItem(dialog_, IDC_REMOVE_SERVER), current_ > 0);
    EnableWindow(GetDlgItem(dialog_, IDC_ADD_SERVER), freeSectionName(forms_).has_value());
    filling_ = false;
}

// The mount field names a mount on Icecast, a stream on Shoutcast 2; Shoutcast 1 has one stream.
void SetupWindow::showKind() {
    const ServerKindChoice kind = forms_[current_].kind;
    SendDlgItemMessageW(dialog_, IDC_KIND, CB_SETCURSEL, static_cast<WPARAM>(kind), 0);
    setText(IDC_MOUNT_LABEL, kind == ServerKindChoice::shoutcast2 ? "&Stream:" : "&Mount:");
    EnableWindow(GetDlgItem(dialog_, IDC_MOUNT), kind != ServerKindChoice::shoutcast1);
}

void SetupWindow::fillMountChoices() {
    const ServerForm& form = forms_[current_];
    const HWND mount = GetDlgItem(dialog_, IDC_MOUNT);
    SendMessageW(mount, CB_RESETCONTENT, 0, 0);
    const bool streams = form.kind == ServerKindChoice::shoutcast2;
    std::string shown = streams ? form.sid : form.mount;
    for (const OfferedStream& offer : offers_) {
        if (streams != !offer.sid.empty())
            continue;
        SendMessageW(mount, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide(offerLabel(offer)).c_str()));
        if ((streams ? offer.sid : offer.mount) == shown)
            shown = offerLabel(offer);
    }
    SetWindowTextW(mount, wide(shown).c_str());
}

void SetupWindow::showForm() {
    filling_ = true;
    const ServerForm& form = forms_[current_];
    showKind();
    setText(IDC_ADDRESS, form.serverUrl);
    fillMountChoices();
    setText(IDC_USERNAME, form.username);
    setText(IDC_PASSWORD, form.password);
    setText(IDC_TITLE_PREFIX, form.titlePrefix);
    setText(IDC_TITLE_SUFFIX, form.titleSuffix);
    setText(IDC_TITLE_DELAY, form.titleDelay);
    setText(IDC_SKIP_TITLES, skipLinesOf(form.skipTitles));
    addressEdited_ = false;
    filling_ = false;
}

void SetupWindow::readForm() {
    ServerForm& form = forms_[current_];
    form.serverUrl = text(IDC_ADDRESS);
    // The mount field shows what the kind shown with it names; a kind just picked applies after.
    const std::string choice = text(IDC_MOUNT);
    const std::optional<OfferedStream> offer = offerNamed(offers_, choice);
    if (form.kind == ServerKindChoice::shoutcast2)
        form.sid = offer && !offer->sid.empty() ? offer->sid : choice;
    else if (isIcecastLike(form.kind))
        form.mount = offer ? offer->mount : choice;
    const LRESULT kind = SendDlgItemMessageW(dialog_, IDC_KIND, CB_GETCURSEL, 0, 0);
    if (kind >= 0 && kind < 4)
        form.kind = static_cast<ServerKindChoice>(kind);
    form.username = text(IDC_USERNAME);
    form.password = text(IDC_PASSWORD);
    // Shoutcast's source password with its stream, "PW:#2", names the stream too.
    if (const auto split = splitStreamPassword(form.password);
        split && form.kind == ServerKindChoice::shoutcast2) {
        form.password = split->first;
        form.sid = split->second;
        const bool wasFilling = filling_;
        filling_ = true;
        setText(IDC_PASSWORD, form.password);
        fillMountChoices();
        filling_ = wasFilling;
    }
    form.titlePrefix = text(IDC_TITLE_PREFIX);
    form.titleSuffix = text(IDC_TITLE_SUFFIX);
    form.titleDelay = text(IDC_TITLE_DELAY);
    form.skipTitles = skipListOf(text(IDC_SKIP_TITLES));
}

void SetupWindow::selectSection(std::size_t index) {
    readForm();
    showSection(index);
}

// The section's own form, and a look at its server: an answer still on its way about the server
// shown before is dropped for it (see lookAtServer).
void SetupWindow::showSection(std::size_t index) {
    current_ = index;
    offers_.clear();
    pendingListenPath_.reset();
    setText(IDC_SERVER_SEEN, "");
    fillSectionList();
    showForm();
    lookAtServer();
}

void SetupWindow::addServer() {
    const std::optional<std::string> name = freeSectionName(forms_);
    if (!name)
        return;
    readForm();
    ServerForm form;
    form.section = *name;
    forms_.push_back(form);
    dirty_ = true;
    selectSection(forms_.size() - 1);
    SetFocus(GetDlgItem(dialog_, IDC_ADDRESS));
    setStatus("Added [" + *name + "]: paste its address.");
}

void SetupWindow::removeServer() {
    if (current_ == 0)
        return;
    removed_.push_back(forms_[current_].section);
    forms_.erase(forms_.begin() + static_cast<std::ptrdiff_t>(current_));
    dirty_ = true;
    showSection(0);
    setStatus("Removed the server; Save writes the file without it.");
}

// Splits what the DJ pasted into the address field into the fields it holds, then looks at the
// server it names.
void SetupWindow::pasted() {
    KillTimer(dialog_, pastedTimer);
    if (!addressEdited_)
        return;
    addressEdited_ = false;
    const std::string before = forms_[current_].serverUrl;
    const PastedAddress split = splitPastedAddress(text(IDC_ADDRESS));
    readForm();
    ServerForm& form = forms_[current_];
    if (!split.serverUrl.empty())
        form.serverUrl = split.serverUrl;
    else if (split.password)
        form.serverUrl = before; // "PW:#2" names no server: the address stays what it was
    if (split.kind && !(isIcecastLike(*split.kind) && isIcecastLike(form.kind)))
        form.kind = *split.kind;
    if (split.mount && isIcecastLike(form.kind))
        form.mount = *split.mount;
    if (split.sid)
        form.sid = *split.sid;
    if (split.username)
        form.username = *split.username;
    if (split.password)
        form.password = *split.password;
    pendingListenPath_ = split.listenPath;
    showForm();
    fillSectionList();
    if (!split.serverUrl.empty())
        lookAtServer();
}

void SetupWindow::lookAtServer() {
    if (look_ && !look_->finished()) {
        lookAgain_ = true; // the answer to the old address would be stale: ask again after it
        return;
    }
    readForm();
    const ServerForm& form = forms_[current_];
    // The sample's placeholder names no real server.
    if (trimmed(form.serverUrl).empty() || contains(form.serverUrl, "example.com")) {
        setText(IDC_SERVER_SEEN, "Paste your server's address above; the window then looks at the server.");
        return;
    }
    const std::optional<LookPlace> place = lookPlaceOf(
        wide(trimmed(form.serverUrl)), wide(protocolToSave(form)), wide(form.sid), wide(form.password));
    look_.reset();
    if (!place) {
        setText(IDC_SERVER_SEEN,
                form.serverUrl.empty() ? "" : "This address cannot be used: see Save or Test.");
        return;
    }
    setText(IDC_SERVER_SEEN, "Looking at the server ...");
    const HWND dialog = dialog_;
    look_ = std::make_unique<ServerLookRun>(*place, [dialog] { PostMessageW(dialog, newsMessage, 0, 0); });
}

void SetupWindow::lookFinished() {
    const ServerView view = look_->view();
    look_.reset();
    if (lookAgain_) {
        lookAgain_ = false;
        lookAtServer();
        return;
    }
    readForm();
    ServerForm& form = forms_[current_];
    offers_ = offeredStreams(view);
    std::string seen = serverInWords(view);
    const std::optional<ServerKindChoice> kind = kindSeen(view);
    if (kind && *kind != form.kind && !(isIcecastLike(*kind) && isIcecastLike(form.kind))) {
        form.kind = *kind;
        seen += " Kind of server set to " + std::string(kindNames[static_cast<int>(*kind)]) + ".";
    }
    if (pendingListenPath_) {
        if (const std::optional<OfferedStream> offer = offerNamed(offers_, *pendingListenPath_)) {
            form.mount = offer->mount;
            if (!offer->sid.empty())
                form.sid = offer->sid;
        }
        pendingListenPath_.reset();
    }
    if (!offers_.empty())
        seen += form.kind == ServerKindChoice::shoutcast2 ? " Pick your stream below."
                                                          : " Pick your mount below.";
    setText(IDC_SERVER_SEEN, seen);
    filling_ = true;
    showKind();
    fillMountChoices();
    filling_ = false;
}

void SetupWindow::addStep(const std::string& line) {
    if (trimmed(line).empty())
        return;
    const HWND steps = GetDlgItem(dialog_, IDC_STEPS);
    const LRESULT index = SendMessageW(steps, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide(line).c_str()));
    SendMessageW(steps, LB_SETTOPINDEX, static_cast<WPARAM>(index), 0);
}

void SetupWindow::pointAt(const std::string& key, const std::string& why) {
    setStatus(why);
    const int control = controlOf(key);
    if (control == 0)
        return;
    const HWND field = GetDlgItem(dialog_, control);
    SendMessageW(dialog_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(field), TRUE);
    SendMessageW(field, EM_SETSEL, 0, -1);
    SendMessageW(field, CB_SETEDITSEL, 0, MAKELPARAM(0, -1));
}

void SetupWindow::save() {
    readForm();
    std::vector<SectionToSave> sections;
    for (std::size_t index = 0; index < forms_.size(); ++index) {
        const ValuesToSave values = valuesToSave(forms_[index]);
        if (!values.problems.empty()) {
            if (index != current_)
                selectSection(index);
            pointAt(values.problems.front().key, "Not saved: " + values.problems.front().what);
            return;
        }
        sections.push_back({forms_[index].section, values.values});
    }
    const std::string text = rewrittenSettings(fileText_, sections, removed_);
    const std::optional<std::string> problem =
        fileUnreadable_ ? saveFailureInWords(SaveStep::unreadAtOpening, 0, utf8FromWide(path_))
                        : saveSettingsText(path_, text);
    if (problem) {
        setStatus(*problem);
        setText(IDC_VERDICT, *problem);
        return;
    }
    if (startsWith(this->text(IDC_VERDICT), "Not saved:"))
        setText(IDC_VERDICT, "");
    fileText_ = text;
    fileExists_ = true;
    removed_.clear();
    dirty_ = false;
    // The file tells a station platform's input from Icecast by nothing: the choice stays.
    const std::string shown = forms_[current_].section;
    std::vector<ServerForm> saved = formsFromText(fileText_);
    for (ServerForm& form : saved) {
        for (const ServerForm& before : forms_) {
            if (before.section == form.section && before.kind == ServerKindChoice::stationPlatform &&
                isIcecastLike(form.kind))
                form.kind = ServerKindChoice::stationPlatform;
        }
    }
    forms_ = saved;
    // The file lists the sections in number order; the one shown stays shown.
    for (std::size_t index = 0; index < forms_.size(); ++index) {
        if (forms_[index].section == shown)
            current_ = index;
    }
    fillSectionList();
    showForm();
    setStatus("Saved. If the DJ software is running, restart it: the plug-in reads the file only when it starts.");
}

void SetupWindow::news() {
    if (look_ && look_->finished())
        lookFinished();
    if (test_)
        testNews();
    if (watch_)
        watchNews();
}

void SetupWindow::showAbout() {
    const std::string about =
        "Zenlark VDJ Standalone Bridge, setup " + version() + "\r\n\r\nSettings file:\r\n" +
        utf8FromWide(path_) +
        "\r\n\r\nThe console check tool ZenlarkVdjCheck.exe does the same checks for scripts "
        "and support.";
    MessageBoxW(dialog_, wide(about).c_str(), L"About Zenlark VDJ setup", MB_OK | MB_ICONINFORMATION);
}

bool SetupWindow::mayClose() {
    readForm();
    if (!dirty_)
        return true;
    const int answer = MessageBoxW(dialog_, L"Save the changes to the settings file?", L"Zenlark VDJ setup",
                                   MB_YESNOCANCEL | MB_ICONQUESTION);
    if (answer == IDCANCEL)
        return false;
    if (answer == IDYES) {
        save();
        return !dirty_;
    }
    return true;
}

void SetupWindow::command(int id, int code) {
    const bool byDj = !filling_;
    switch (id) {
    case IDC_SECTION:
        if (code == CBN_SELCHANGE && byDj) {
            const LRESULT index = SendDlgItemMessageW(dialog_, IDC_SECTION, CB_GETCURSEL, 0, 0);
            if (index >= 0 && static_cast<std::size_t>(index) < forms_.size())
                selectSection(static_cast<std::size_t>(index));
        }
        return;
    case IDC_ADD_SERVER:
        addServer();
        return;
    case IDC_REMOVE_SERVER:
        removeServer();
        return;
    case IDC_KIND:
        if (code == CBN_SELCHANGE && byDj) {
            readForm();
            dirty_ = true;
            filling_ = true;
            showKind();
            fillMountChoices();
            filling_ = false;
        }
        return;
    case IDC_ADDRESS:
        if (code == EN_CHANGE && byDj) {
            addressEdited_ = true;
            dirty_ = true;
            SetTimer(dialog_, pastedTimer, pastedDelayMilliseconds, nullptr);
        } else if (code == EN_KILLFOCUS) {
            pasted();
        }
        return;
    case IDC_LOOK:
        addressEdited_ ? pasted() : lookAtServer();
        return;
    case IDC_SHOW_PASSWORD: {
        const bool shown = IsDlgButtonChecked(dialog_, IDC_SHOW_PASSWORD) == BST_CHECKED;
        SendDlgItemMessageW(dialog_, IDC_PASSWORD, EM_SETPASSWORDCHAR, shown ? 0 : 0x25CF, 0);
        InvalidateRect(GetDlgItem(dialog_, IDC_PASSWORD), nullptr, TRUE);
        return;
    }
    case IDC_TEST:
        test();
        return;
    case IDC_CANCEL_TEST:
    case IDCANCEL:
        if (test_) {
            testCancelled_ = true;
            test_->cancel();
            EnableWindow(GetDlgItem(dialog_, IDC_CANCEL_TEST), FALSE);
            setStatus("Cancelling the test ...");
        }
        return;
    case IDC_SAVE:
        save();
        return;
    case IDC_WATCH:
        toggleWatch();
        return;
    case IDC_ABOUT:
        showAbout();
        return;
    case IDC_TRACKLIST_ON:
    case IDC_NOW_PLAYING_ON:
        if (text(id == IDC_TRACKLIST_ON ? IDC_TRACKLIST : IDC_NOW_PLAYING).empty())
            setText(id == IDC_TRACKLIST_ON ? IDC_TRACKLIST : IDC_NOW_PLAYING,
                    defaultWatchFile(id == IDC_TRACKLIST_ON));
        return;
    default:
        if ((code == EN_CHANGE || code == CBN_EDITCHANGE || code == CBN_SELCHANGE) && byDj)
            dirty_ = true;
        return;
    }
}

INT_PTR SetupWindow::handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND:
        command(LOWORD(wParam), HIWORD(wParam));
        return TRUE;
    case WM_TIMER:
        if (wParam == pastedTimer)
            pasted();
        return TRUE;
    case newsMessage:
        news();
        return TRUE;
    case trayMessage:
        trayClicked(lParam);
        return TRUE;
    case WM_SIZE:
        SendDlgItemMessageW(dialog_, IDC_STATUS, WM_SIZE, 0, 0);
        if (wParam == SIZE_MINIMIZED)
            minimised();
        return FALSE;
    case WM_CTLCOLORSTATIC: {
        HIGHCONTRASTW contrast{sizeof contrast, 0, nullptr};
        SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof contrast, &contrast, 0);
        const bool colours = (contrast.dwFlags & HCF_HIGHCONTRASTON) == 0;
        if (reinterpret_cast<HWND>(lParam) != GetDlgItem(dialog_, IDC_LISTENERS) || !colours || !watch_)
            return FALSE;
        const auto dc = reinterpret_cast<HDC>(wParam);
        SetTextColor(dc, watchTrouble_ ? RGB(0x90, 0, 0) : RGB(0, 0x60, 0));
        SetBkMode(dc, TRANSPARENT);
        return reinterpret_cast<INT_PTR>(watchTrouble_ ? troubleBrush_ : flowingBrush_);
    }
    case WM_DPICHANGED: {
        const auto* suggested = reinterpret_cast<const RECT*>(lParam);
        SetWindowPos(dialog_, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                     suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
        return TRUE;
    }
    case WM_CLOSE:
        if (mayClose())
            DestroyWindow(dialog_);
        return TRUE;
    case WM_DESTROY:
        tray_->hide();
        removeTestCopy();
        PostQuitMessage(0);
        return TRUE;
    default:
        return FALSE;
    }
}
