// Shell_NotifyIconW for the icon and its notifications.
#include "during-the-set/TrayIcon.h"

#include <cwchar>

static const UINT iconId = 1;

static void copyInto(wchar_t* field, std::size_t capacity, const std::wstring& text) {
    std::wcsncpy(field, text.c_str(), capacity - 1);
    field[capacity - 1] = L'\0';
}

NOTIFYICONDATAW TrayIcon::data(UINT flags) const {
    NOTIFYICONDATAW icon{};
    icon.cbSize = sizeof icon;
    icon.hWnd = window_;
    icon.uID = iconId;
    icon.uFlags = flags;
    icon.uCallbackMessage = callbackMessage_;
    icon.hIcon = LoadIconW(nullptr, trouble_ ? IDI_ERROR : IDI_APPLICATION);
    copyInto(icon.szTip, sizeof icon.szTip / sizeof icon.szTip[0], tip_);
    return icon;
}

void TrayIcon::show(const std::wstring& tip, bool trouble) {
    tip_ = tip;
    trouble_ = trouble;
    NOTIFYICONDATAW icon = data(NIF_MESSAGE | NIF_ICON | NIF_TIP);
    if (shown_) {
        Shell_NotifyIconW(NIM_MODIFY, &icon);
        return;
    }
    shown_ = Shell_NotifyIconW(NIM_ADD, &icon) != FALSE;
}

void TrayIcon::hide() {
    if (!shown_)
        return;
    NOTIFYICONDATAW icon = data(0);
    Shell_NotifyIconW(NIM_DELETE, &icon);
    shown_ = false;
}

void TrayIcon::notify(const std::wstring& title, const std::wstring& text, bool trouble) {
    if (!shown_)
        return;
    trouble_ = trouble;
    NOTIFYICONDATAW icon = data(NIF_INFO | NIF_ICON);
    copyInto(icon.szInfoTitle, sizeof icon.szInfoTitle / sizeof icon.szInfoTitle[0], title);
    copyInto(icon.szInfo, sizeof icon.szInfo / sizeof icon.szInfo[0], text);
    icon.dwInfoFlags = trouble ? NIIF_ERROR : NIIF_INFO;
    Shell_NotifyIconW(NIM_MODIFY, &icon);
}
