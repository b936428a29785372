// setup_driver: drives the setup window as a DJ would, through its standard controls, found by
// class and by label, never by position. Reads one command a line from its input and answers
// each with one line, "ok ..." or "error ...":
//   wait-window TITLE SECONDS   a top-level window whose title starts with TITLE
//   set LABEL TEXT              the field after the label LABEL gets TEXT (as a paste does)
//   get LABEL                   the field's text
//   items LABEL                 a combo box's items, separated by " | "
//   pick LABEL ITEM             selects the combo box item that starts with ITEM
//   click BUTTON                presses the button labelled BUTTON
//   wait-text PREFIX SECONDS    the text of a control or the status bar that starts with PREFIX
//   focused                     the label of the control that has the keyboard focus
//   unreachable                 the enabled controls that Tab never reaches (none: "ok")
//   size                        the window's width and height in pixels
//   hold PATH / release         keeps PATH open without sharing, as an editor that locks it would
//   close                       closes the window as its close box does
// Arguments are separated by tabs. Labels are matched without their "&".
#include <windows.h>

#include <chrono>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

static std::wstring wide(const std::string& utf8) {
    const int needed =
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring text(static_cast<std::size_t>(needed), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), text.data(), needed);
    return text;
}

static std::string utf8(const std::wstring& text) {
    const int needed = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                           nullptr, nullptr);
    std::string out(static_cast<std::size_t>(needed), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), needed, nullptr,
                        nullptr);
    return out;
}

static std::wstring windowText(HWND window) {
    wchar_t buffer[4096] = {};
    SendMessageW(window, WM_GETTEXT, 4096, reinterpret_cast<LPARAM>(buffer));
    return buffer;
}

static std::wstring className(HWND window) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return name;
}

static std::wstring withoutAmpersands(std::wstring text) {
    std::wstring out;
    for (const wchar_t c : text) {
        if (c != L'&')
            out += c;
    }
    return out;
}

static bool sameClass(HWND window, const wchar_t* name) {
    return CompareStringOrdinal(className(window).c_str(), -1, name, -1, TRUE) == CSTR_EQUAL;
}

static std::vector<HWND> children(HWND parent) {
    std::vector<HWND> found;
    EnumChildWindows(
        parent,
        [](HWND child, LPARAM list) {
            reinterpret_cast<std::vector<HWND>*>(list)->push_back(child);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

static HWND setupWindow = nullptr;

static HWND findTopLevel(const std::wstring& title) {
    struct Search {
        std::wstring title;
        HWND found;
    } search{title, nullptr};
    EnumWindows(
        [](HWND window, LPARAM data) {
            auto* s = reinterpret_cast<Search*>(data);
            if (IsWindowVisible(window) && windowText(window).rfind(s->title, 0) == 0) {
                s->found = window;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// The control a label names: the label's next sibling, as dialogs pair them and screen readers
// read them. Buttons and check boxes carry their own label.
static HWND control(const std::string& label) {
    const std::wstring wanted = wide(label);
    for (HWND child : children(setupWindow)) {
        if (withoutAmpersands(windowText(child)) != wanted)
            continue;
        if (sameClass(child, L"Button") && (GetWindowLongW(child, GWL_STYLE) & 0xF) != BS_GROUPBOX)
            return child;
        return GetWindow(child, GW_HWNDNEXT);
    }
    return nullptr;
}

static HWND labelOf(HWND field) {
    for (HWND child : children(setupWindow)) {
        if (GetWindow(child, GW_HWNDNEXT) == field && sameClass(child, L"Static"))
            return child;
    }
    return field;
}

static std::wstring comboItem(HWND combo, LRESULT index) {
    const LRESULT length = SendMessageW(combo, CB_GETLBTEXTLEN, index, 0);
    std::wstring item(static_cast<std::size_t>(length > 0 ? length : 0) + 1, L'\0');
    SendMessageW(combo, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(item.data()));
    item.resize(static_cast<std::size_t>(length > 0 ? length : 0));
    return item;
}

static void notifyParent(HWND child, WORD code) {
    SendMessageW(GetParent(child), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(child), code),
                 reinterpret_cast<LPARAM>(child));
}

static std::string statusText() {
    for (HWND child : children(setupWindow)) {
        if (!sameClass(child, L"msctls_statusbar32"))
            continue;
        // The status bar answers WM_GETTEXT with its first part, which Windows carries across
        // processes; its own SB_GETTEXT would hand over a pointer into this process.
        return utf8(windowText(child));
    }
    return std::string();
}

// The status bar is read first: the window fills its fields before it sets the status line, so
// a status that already matches never hides a field that is about to.
static std::string textStartingWith(const std::wstring& prefix) {
    const std::string status = statusText();
    for (HWND child : children(setupWindow)) {
        const std::wstring text = windowText(child);
        if (text.rfind(prefix, 0) == 0)
            return utf8(text);
    }
    return status.rfind(utf8(prefix), 0) == 0 ? status : std::string();
}

static bool isInput(HWND child) {
    if (!IsWindowVisible(child) || !IsWindowEnabled(child))
        return false;
    if (sameClass(child, L"Button"))
        return (GetWindowLongW(child, GWL_STYLE) & 0xF) != BS_GROUPBOX;
    return sameClass(child, L"Edit") || sameClass(child, L"ComboBox") || sameClass(child, L"ListBox");
}

// Every enabled control that Tab reaches, walked from the first as the dialog manager walks it.
static std::string unreachable() {
    std::vector<HWND> reached;
    HWND first = GetNextDlgTabItem(setupWindow, nullptr, FALSE);
    for (HWND at = first; at != nullptr;) {
        reached.push_back(at);
        at = GetNextDlgTabItem(setupWindow, at, FALSE);
        if (at == first)
            break;
    }
    std::string missing;
    for (HWND child : children(setupWindow)) {
        if (GetParent(child) != setupWindow || !isInput(child))
            continue;
        bool found = false;
        for (HWND tab : reached)
            found = found || tab == child;
        if (!found)
            missing += " [" + utf8(withoutAmpersands(windowText(labelOf(child)))) + "]";
    }
    return missing;
}

static std::vector<std::string> arguments(const std::string& line) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (std::size_t tab = line.find('\t'); tab != std::string::npos; tab = line.find('\t', start)) {
        parts.push_back(line.substr(start, tab - start));
        start = tab + 1;
    }
    parts.push_back(line.substr(start));
    return parts;
}

template <typename Found> static bool waitFor(double seconds, Found found) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (!found()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return true;
}

static HANDLE heldFile = INVALID_HANDLE_VALUE;

static std::string run(const std::vector<std::string>& a) {
    const std::string& verb = a[0];
    const auto need = [&](std::size_t count) { return a.size() >= count + 1; };
    if (verb == "wait-window" && need(2)) {
        const bool found =
            waitFor(std::stod(a[2]), [&] { return (setupWindow = findTopLevel(wide(a[1]))) != nullptr; });
        return found ? "ok " + utf8(windowText(setupWindow)) : "error no window " + a[1];
    }
    // A file is held as another program would hold it, with or without the window.
    if (verb == "hold" && need(1)) {
        heldFile = CreateFileW(wide(a[1]).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        return heldFile == INVALID_HANDLE_VALUE ? "error " + std::to_string(GetLastError()) : "ok";
    }
    if (verb == "release") {
        CloseHandle(heldFile);
        heldFile = INVALID_HANDLE_VALUE;
        return "ok";
    }
    if (setupWindow == nullptr)
        return "error wait-window first";
    if (verb == "wait-text" && need(2)) {
        std::string text;
        const bool found =
            waitFor(std::stod(a[2]), [&] { return !(text = textStartingWith(wide(a[1]))).empty(); });
        return found ? "ok " + text : "error no text " + a[1] + "; status: " + statusText();
    }
    if (verb == "focused") {
        GUITHREADINFO info{};
        info.cbSize = sizeof info;
        GetGUIThreadInfo(GetWindowThreadProcessId(setupWindow, nullptr), &info);
        HWND focus = info.hwndFocus;
        if (focus && sameClass(GetParent(focus), L"ComboBox"))
            focus = GetParent(focus);
        return focus ? "ok " + utf8(withoutAmpersands(windowText(labelOf(focus)))) : "error no focus";
    }
    if (verb == "unreachable") {
        const std::string missing = unreachable();
        return missing.empty() ? "ok" : "error" + missing;
    }
    if (verb == "size") {
        RECT rect{};
        GetWindowRect(setupWindow, &rect);
        return "ok " + std::to_string(rect.right - rect.left) + " " + std::to_string(rect.bottom - rect.top);
    }
    if (verb == "close") {
        PostMessageW(setupWindow, WM_CLOSE, 0, 0);
        return "ok";
    }
    if (!need(1))
        return "error what to do with what: " + verb;
    const HWND target = control(a[1]);
    if (target == nullptr)
        return "error no control labelled " + a[1];
    if (verb == "set" && need(2)) {
        SendMessageW(target, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(wide(a[2]).c_str()));
        if (sameClass(target, L"ComboBox"))
            notifyParent(target, CBN_EDITCHANGE);
        return "ok";
    }
    if (verb == "get")
        return "ok " + utf8(windowText(target));
    if (verb == "items") {
        std::string items;
        const LRESULT count = SendMessageW(target, CB_GETCOUNT, 0, 0);
        for (LRESULT index = 0; index < count; ++index)
            items += (index == 0 ? "" : " | ") + utf8(comboItem(target, index));
        return "ok " + items;
    }
    if (verb == "pick" && need(2)) {
        const LRESULT count = SendMessageW(target, CB_GETCOUNT, 0, 0);
        for (LRESULT index = 0; index < count; ++index) {
            if (comboItem(target, index).rfind(wide(a[2]), 0) != 0)
                continue;
            SendMessageW(target, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
            notifyParent(target, CBN_SELCHANGE);
            return "ok " + utf8(comboItem(target, index));
        }
        return "error no item " + a[2];
    }
    if (verb == "click") {
        if (!IsWindowEnabled(target))
            return "error disabled: " + a[1];
        PostMessageW(target, BM_CLICK, 0, 0);
        return "ok";
    }
    return "error unknown command " + verb;
}

int wmain(int argc, wchar_t** argv) {
    // The window lives on a desktop of its own, which its X display shows; the program that
    // makes it may still be starting.
    if (argc > 1) {
        HDESK desktop = nullptr;
        waitFor(60, [&] { return (desktop = OpenDesktopW(argv[1], 0, FALSE, GENERIC_ALL)) != nullptr; });
        if (desktop == nullptr || !SetThreadDesktop(desktop)) {
            std::cout << "error cannot use desktop " << utf8(argv[1]) << std::endl;
            return 1;
        }
    }
    std::string line;
    while (std::getline(std::cin, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty())
            continue;
        // One answer, one line: a text of several lines comes with its line breaks as spaces.
        std::string answer = run(arguments(line));
        for (char& c : answer) {
            if (c == '\r' || c == '\n')
                c = ' ';
        }
        std::cout << answer << std::endl;
    }
    if (heldFile != INVALID_HANDLE_VALUE)
        CloseHandle(heldFile);
    return 0;
}
