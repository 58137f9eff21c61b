// dde_wake_win.h: keeps a thread's synchronous DDEML calls responsive under Wine.
//
// Wine's DDEML waits inside DdeConnect, DdeClientTransaction and DdeDisconnect for posted messages only,
// so a peer that connects back (a sent WM_DDE_INITIATE) during such a call stalls both sides until their
// time-outs. While a DdeCallGuard lives, a helper thread posts WM_NULL to the guarded thread every 2 ms,
// which wakes the wait so that DDEML handles the pending sent message itself. Callbacks still run on the
// calling thread. On Windows proper the guard does nothing.
#pragma once

namespace win {

// True when the process runs under Wine (ntdll exports wine_get_version).
bool RunningUnderWine();

class DdeCallGuard {
public:
    DdeCallGuard();
    ~DdeCallGuard();
    DdeCallGuard(const DdeCallGuard&) = delete;
    DdeCallGuard& operator=(const DdeCallGuard&) = delete;

private:
    bool active_;
};

}  // namespace win
