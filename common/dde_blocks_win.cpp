// dde_blocks_win.cpp: the rules of dde_blocks_win.h, and in the test builds the switch to Windows' rules and the
// ledger of blocks held. Touches only the blocks it is given and the process's environment.
#include "common/dde_blocks_win.h"

#include <cstdio>
#include <cstring>

#include "common/dde_wake_win.h"

#ifdef TUMBLEROO_TEST_HOOKS
#include <set>
#endif

namespace win {
namespace {

#ifdef TUMBLEROO_TEST_HOOKS
bool WindowsRulesAsked() {
    static const bool asked = [] {
        char value[16] = {};
        const DWORD n = GetEnvironmentVariableA("TUMBLEROO_TEST_DDE_MEMORY", value, sizeof value);
        return n > 0 && n < sizeof value && std::strcmp(value, "windows") == 0;
    }();
    return asked;
}

std::set<HGLOBAL>& Held() {
    static std::set<HGLOBAL> held;
    return held;
}
#else
constexpr bool WindowsRulesAsked() {
    return false;
}
#endif

}  // namespace

bool CopiedForUs(HWND partner) {
    DWORD process = 0;
    return !WindowsRulesAsked() && RunningUnderWine() && partner && GetWindowThreadProcessId(partner, &process) &&
           process && process != GetCurrentProcessId();
}

void TakeBlock([[maybe_unused]] HGLOBAL block) {
#ifdef TUMBLEROO_TEST_HOOKS
    if (block)
        Held().insert(block);
#endif
}

void HandOnBlock([[maybe_unused]] HGLOBAL block) {
#ifdef TUMBLEROO_TEST_HOOKS
    Held().erase(block);
#endif
}

void FreeBlock(HGLOBAL block) {
    if (!block)
        return;
#ifdef TUMBLEROO_TEST_HOOKS
    if (!Held().erase(block)) {
        std::fprintf(stderr, "DDE block %p freed but not held: freed twice, or never this module's\n",
                     static_cast<void*>(block));
        std::fflush(stderr);
        TerminateProcess(GetCurrentProcess(), kFreedTwiceExitCode);
    }
#endif
    GlobalFree(block);
}

}  // namespace win
