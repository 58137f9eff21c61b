// dde_wake_win.cpp: the WM_NULL pump that wakes Wine's DDEML waits (see dde_wake_win.h).
#include "dde_wake_win.h"

#include <windows.h>

#include <atomic>

namespace win {
namespace {

std::atomic<int> gGuardDepth{0};
std::atomic<DWORD> gGuardedThread{0};
HANDLE gWakeEvent = nullptr;  // auto-reset; set on every 0 -> 1 change of gGuardDepth
INIT_ONCE gStartOnce = INIT_ONCE_STATIC_INIT;

DWORD WINAPI WakeThread(LPVOID) {
    for (;;) {
        if (gGuardDepth.load() > 0) {
            PostThreadMessageA(gGuardedThread.load(), WM_NULL, 0, 0);
            Sleep(2);
        } else {
            WaitForSingleObject(gWakeEvent, INFINITE);
        }
    }
}

BOOL CALLBACK StartWakeThread(PINIT_ONCE, PVOID, PVOID*) {
    // The thread runs code of the module that holds this file, which may be a DLL: pin that module so that
    // a FreeLibrary cannot unload the code under the running thread.
    HMODULE self = nullptr;
    if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                            reinterpret_cast<LPCSTR>(&WakeThread), &self))
        return FALSE;
    gWakeEvent = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    if (!gWakeEvent)
        return FALSE;
    HANDLE thread = CreateThread(nullptr, 0, WakeThread, nullptr, 0, nullptr);
    if (!thread)
        return FALSE;
    CloseHandle(thread);  // lives as long as the process
    return TRUE;
}

}  // namespace

bool RunningUnderWine() {
    static const bool underWine = [] {
        HMODULE ntdll = GetModuleHandleA("ntdll.dll");
        return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
    }();
    return underWine;
}

DdeCallGuard::DdeCallGuard() : active_(false) {
    if (!RunningUnderWine())
        return;
    if (!InitOnceExecuteOnce(&gStartOnce, StartWakeThread, nullptr, nullptr))
        return;  // no helper thread: the call still completes, only slower (its own time-out)
    active_ = true;
    // Guards nest (a callback inside a DDEML call may make another call); the outermost thread is the
    // one to wake, and all DDEML calls of this system are made on one UI thread anyway.
    if (gGuardDepth.fetch_add(1) == 0) {
        gGuardedThread.store(GetCurrentThreadId());
        SetEvent(gWakeEvent);
    }
}

DdeCallGuard::~DdeCallGuard() {
    if (active_)
        gGuardDepth.fetch_sub(1);
}

}  // namespace win
