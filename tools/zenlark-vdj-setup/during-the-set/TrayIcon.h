// The window's icon in the notification area, and the notifications it raises there.
#pragma once

#include <windows.h>

#include <shellapi.h>

#include <string>

class TrayIcon {
  public:
    // `callbackMessage` reaches `window` when the DJ clicks the icon.
    TrayIcon(HWND window, UINT callbackMessage) : window_(window), callbackMessage_(callbackMessage) {}
    ~TrayIcon() { hide(); }
    TrayIcon(const TrayIcon&) = delete;
    TrayIcon& operator=(const TrayIcon&) = delete;

    // Shows the icon, or changes its tip and whether it shows trouble.
    void show(const std::wstring& tip, bool trouble);
    void hide();
    bool shown() const { return shown_; }
    // A notification beside the icon; nothing when the icon is hidden.
    void notify(const std::wstring& title, const std::wstring& text, bool trouble);

  private:
    NOTIFYICONDATAW data(UINT flags) const;

    HWND window_;
    UINT callbackMessage_;
    bool shown_ = false;
    bool trouble_ = false;
    std::wstring tip_;
};
