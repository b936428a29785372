// ZenlarkVdjSetup: the DJ's window onto the settings file beside it. Pick the server's kind and
// mount from what the server offers, prove it with Test, save, and watch the set.
#include "window/SetupWindow.h"

#include "settings/SettingsFile.h"

#include <windows.h>

#include <commctrl.h>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
    const INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_STANDARD_CLASSES | ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    // The file the plug-in reads: the one beside this program, which sits beside the plug-in.
    SetupWindow window(settingsFilePath());
    const HWND dialog = window.create(instance);
    if (dialog == nullptr)
        return 1;
    ShowWindow(dialog, show);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (!IsDialogMessageW(dialog, &message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    return 0;
}
