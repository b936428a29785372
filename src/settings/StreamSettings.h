// Everything needed to reach the streaming server, as read from the settings file.
#pragma once

#include <string>

struct StreamSettings {
    std::wstring serverUrl;
    std::wstring protocol;
    std::wstring mount;
    std::wstring sid;
    std::wstring username;
    std::wstring password;
    bool ready = false; // serverUrl and password are both non-empty
    // Put before and after the track text for this server only; empty by default.
    std::wstring titlePrefix;
    std::wstring titleSuffix;
    // As written; the worker reads them for this server only. Both empty by default.
    std::wstring titleDelay; // seconds a changed title must stay audible before it is sent
    std::wstring skipTitles; // texts separated by "|" that are never announced
};
