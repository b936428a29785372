// Opening the session on a Windows that refuses the automatic proxy, as every Windows before 8.1
// does, through a stand-in for WinHttpOpen that passes what it accepts on to the real one.
#include "delivery/HttpSession.h"

#include <gtest/gtest.h>

#include <vector>

static std::vector<DWORD> accessTypesTried;
static DWORD refusalError = ERROR_INVALID_PARAMETER;

static HINTERNET WINAPI openAsOldWindows(LPCWSTR agent, DWORD accessType, LPCWSTR proxy, LPCWSTR bypass,
                                         DWORD flags) {
    accessTypesTried.push_back(accessType);
    if (accessType == WINHTTP_ACCESS_TYPE_AUTOMATIC_PROXY) {
        SetLastError(refusalError);
        return nullptr;
    }
    return WinHttpOpen(agent, accessType, proxy, bypass, flags);
}

TEST(HttpSession, FallsBackToWinHttpsProxySettingWhereTheAutomaticProxyIsUnknown) {
    accessTypesTried.clear();
    refusalError = ERROR_INVALID_PARAMETER;
    SessionProxy proxy = SessionProxy::none;
    const UniqueInternetHandle session = openSession(L"test", proxy, openAsOldWindows);
    EXPECT_TRUE(session);
    EXPECT_EQ(proxy, SessionProxy::winhttpSetting);
    EXPECT_EQ(accessTypesTried,
              (std::vector<DWORD>{WINHTTP_ACCESS_TYPE_AUTOMATIC_PROXY, WINHTTP_ACCESS_TYPE_DEFAULT_PROXY}));
}

TEST(HttpSession, OtherFailuresAreNotRetried) {
    accessTypesTried.clear();
    refusalError = ERROR_NOT_ENOUGH_MEMORY;
    SessionProxy proxy = SessionProxy::automatic;
    EXPECT_FALSE(openSession(L"test", proxy, openAsOldWindows));
    EXPECT_EQ(proxy, SessionProxy::none);
    EXPECT_EQ(accessTypesTried.size(), 1u);
}

TEST(HttpSession, UsesTheAutomaticProxyWhereWindowsKnowsIt) {
    SessionProxy proxy = SessionProxy::none;
    EXPECT_TRUE(openSession(L"test", proxy));
    EXPECT_EQ(proxy, SessionProxy::automatic);
}
