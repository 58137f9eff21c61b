// link_session_win.h: zmvorq.dll loaded by name, with callbacks that collect what the library reports.
// Used by the demo session, the Wine tests and the benchmark; it is not part of the shipped programs.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "linklib/zmvorq.h"

namespace testwin {

struct ReceivedData {
    std::string sender;
    LONG length = 0;
    std::string data;
};

// The library keeps one state per process, and so does this class: use one session at a time.
class LinkSession {
public:
    LinkSession();  // loads zmvorq.dll; loaded() says whether that and every export lookup worked
    ~LinkSession();
    LinkSession(const LinkSession&) = delete;
    LinkSession& operator=(const LinkSession&) = delete;

    bool loaded() const { return loaded_; }
    LONG Init(const char* name) { return InitWith(name, true, true, true); }
    // Passes a null pointer for every callback marked false.
    LONG InitWith(const char* name, bool ack, bool receive, bool allText);
    LONG Kill();
    void Register(const char* name) { register_(name); }
    void Unregister(const char* name) { unregister_(name); }
    void Communicate(const char* name, LONG mode, const char* target, const char* text) {
        communicate_(name, mode, target, text);
    }
    void Send(const char* name, const char* target, const std::string& data) {
        send_(name, target, static_cast<LONG>(data.size()), reinterpret_cast<const BYTE*>(data.data()));
    }
    void GetAllText(const char* name) { getAllText_(name); }
    LONG Command(UINT type, const char* service, const char* topic, const char* item, const std::string& data) {
        return command_(type, service, topic, item, static_cast<LONG>(data.size()),
                        reinterpret_cast<const BYTE*>(data.data()));
    }

    // What the callbacks received so far, oldest first.
    const std::vector<std::string>& Acks() const;
    const std::vector<ReceivedData>& Receives() const;
    const std::vector<std::string>& AllTexts() const;
    void ClearReports();

    // Handle messages until n acknowledgements (receives) have arrived in all, or the time is up.
    bool WaitForAcks(size_t n, DWORD timeoutMs = 10000);
    bool WaitForReceives(size_t n, DWORD timeoutMs = 10000);

private:
    HMODULE dll_ = nullptr;
    bool loaded_ = false;
    decltype(&InitDDE) init_ = nullptr;
    decltype(&KillDDE) kill_ = nullptr;
    decltype(&DDECommand) command_ = nullptr;
    decltype(&VorqRegister) register_ = nullptr;
    decltype(&VorqUnregister) unregister_ = nullptr;
    decltype(&VorqCommunicate) communicate_ = nullptr;
    decltype(&VorqSend) send_ = nullptr;
    decltype(&VorqGetAllText) getAllText_ = nullptr;
};

// Handles this thread's messages until done() is true or the time is up; sleeps while there is nothing to do.
template <typename Done>
bool PumpMessagesUntil(Done done, DWORD timeoutMs) {
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    for (;;) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        if (done())
            return true;
        const ULONGLONG now = GetTickCount64();
        if (now >= end)
            return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(end - now < 50 ? end - now : 50),
                                  QS_ALLINPUT);
    }
}

// Runs linkdemo.exe (next to this program) with the arguments, handling messages meanwhile; its exit code,
// or -1 when it could not be started or did not end within the time.
int RunLinkDemo(const std::vector<std::string>& args, DWORD timeoutMs = 30000);

}  // namespace testwin
