// The session's proxy choice on platforms that do not know the automatic proxy.
#include "delivery/WinHttpSession.h"

#include <gtest/gtest.h>

#include <vector>

static std::vector<DWORD> accessTypesTried;
static DWORD refusedWith = ERROR_INVALID_PARAMETER;

// Windows before 8.1: the automatic proxy's access type is an invalid parameter.
static HINTERNET WINAPI openLikeWindows7(LPCWSTR, DWORD accessType, LPCWSTR, LPCWSTR, DWORD) {
    accessTypesTried.push_back(accessType);
    if (accessType == WINHTTP_ACCESS_TYPE_AUTOMATIC_PROXY) {
        SetLastError(refusedWith);
        return nullptr;
    }
    static int session;
    return &session;
}

TEST(WinHttpSession, FallsBackToTheDefaultProxyOnlyWhereTheAutomaticOneIsUnknown) {
    accessTypesTried.clear();
    EXPECT_NE(openWinHttpSession(L"agent", openLikeWindows7), nullptr);
    EXPECT_EQ(accessTypesTried, (std::vector<DWORD>{WINHTTP_ACCESS_TYPE_AUTOMATIC_PROXY,
                                                    WINHTTP_ACCESS_TYPE_DEFAULT_PROXY}));
    accessTypesTried.clear();
    refusedWith = ERROR_NOT_ENOUGH_MEMORY;
    EXPECT_EQ(openWinHttpSession(L"agent", openLikeWindows7), nullptr);
    EXPECT_EQ(accessTypesTried, std::vector<DWORD>{WINHTTP_ACCESS_TYPE_AUTOMATIC_PROXY});
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));
}
