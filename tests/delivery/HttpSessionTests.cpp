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

// Every Windows before 11 refuses TLS 1.3 in the set, and Windows 7 without its TLS 1.2 update
// refuses TLS 1.2 as well; Wine takes every value, so a stand-in refuses the first `refused` sets.
static std::vector<DWORD> protocolSetsOffered;
static std::size_t protocolSetsRefused = 0;

static BOOL WINAPI setOptionAsOldWindows(HINTERNET handle, DWORD option, LPVOID buffer, DWORD length) {
    if (option != WINHTTP_OPTION_SECURE_PROTOCOLS)
        return WinHttpSetOption(handle, option, buffer, length);
    protocolSetsOffered.push_back(*static_cast<DWORD*>(buffer));
    if (protocolSetsOffered.size() <= protocolSetsRefused) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return WinHttpSetOption(handle, option, buffer, length);
}

TEST(HttpSession, AsksForTls12And13ThenTls12AloneThenKeepsTheDefault) {
    const DWORD both = WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_2 | 0x00002000;
    const DWORD tls12 = WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_2;
    const struct {
        std::size_t refused;
        std::vector<DWORD> offered;
    } rows[] = {
        {0, {both}},
        {1, {both, tls12}},
        {2, {both, tls12}},
    };
    for (const auto& row : rows) {
        protocolSetsOffered.clear();
        protocolSetsRefused = row.refused;
        SessionProxy proxy = SessionProxy::none;
        EXPECT_TRUE(openSession(L"test", proxy, WinHttpOpen, setOptionAsOldWindows)) << row.refused;
        EXPECT_EQ(protocolSetsOffered, row.offered) << row.refused;
    }
}
