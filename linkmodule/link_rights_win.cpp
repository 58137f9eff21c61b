// link_rights_win.cpp: the integrity levels of this program and of the process behind the world client's window,
// where they can be read; the decision and the texts are in link_rights.cpp. Touches the two processes' tokens
// (read only) and the support log.
#include "linkmodule/link_rights_win.h"

#include <windows.h>

#include <vector>

#include "common/support_log.h"
#include "linkmodule/link_rights.h"

namespace linkmodule {
namespace {

#ifdef TUMBLEROO_TEST_HOOKS
std::optional<unsigned long> gWorldLevelForTests;
#endif

std::optional<unsigned long> IntegrityLevel(HANDLE process) {
    HANDLE token = nullptr;
    if (!process || !OpenProcessToken(process, TOKEN_QUERY, &token))
        return std::nullopt;
    std::optional<unsigned long> level;
    DWORD size = 0;
    GetTokenInformation(token, TokenIntegrityLevel, nullptr, 0, &size);
    std::vector<BYTE> label(size);
    if (size >= sizeof(TOKEN_MANDATORY_LABEL) &&
        GetTokenInformation(token, TokenIntegrityLevel, label.data(), size, &size)) {
        const PSID sid = reinterpret_cast<const TOKEN_MANDATORY_LABEL*>(label.data())->Label.Sid;
        if (sid && IsValidSid(sid) && *GetSidSubAuthorityCount(sid) > 0)
            level = *GetSidSubAuthority(sid, *GetSidSubAuthorityCount(sid) - 1u);
    }
    CloseHandle(token);
    return level;
}

// A process of higher rights may refuse to be opened: then nothing is known of it.
std::optional<unsigned long> IntegrityLevelOfProcess(DWORD id) {
#ifdef TUMBLEROO_TEST_HOOKS
    if (gWorldLevelForTests)
        return gWorldLevelForTests;
#endif
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id);
    const std::optional<unsigned long> level = IntegrityLevel(process);
    if (process)
        CloseHandle(process);
    return level;
}

}  // namespace

#ifdef TUMBLEROO_TEST_HOOKS
void SetWorldIntegrityForTests(std::optional<unsigned long> level) {
    gWorldLevelForTests = level;
}
#endif

std::string DifferentRightsMessage(const std::string& worldWindowTitle) {
    RightsFacts facts;
    HWND window = worldWindowTitle.empty() ? nullptr : FindWindowA(nullptr, worldWindowTitle.c_str());
    DWORD process = 0;
    if (window)
        GetWindowThreadProcessId(window, &process);
    facts.worldWindowOpen = process && process != GetCurrentProcessId();
    if (facts.worldWindowOpen) {
        facts.worldLevel = IntegrityLevelOfProcess(process);
        facts.ownLevel = IntegrityLevel(GetCurrentProcess());
    }
    const std::optional<RightsNotice> notice = DifferentRightsNotice(facts);
    if (!notice)
        return std::string();
    common::LogEvent("rights", notice->logText);
    return notice->message;
}

}  // namespace linkmodule
