// link_session_win.cpp: a client of zmvorq.dll for tools and tests (see link_session_win.h).
#include "linklib/tools/link_session_win.h"

namespace testwin {
namespace {

std::vector<std::string> gAcks;
std::vector<ReceivedData> gReceives;
std::vector<std::string> gAllTexts;

// Takes ownership of a string handed over by the library.
std::string TakeString(BSTR s) {
    std::string text = s ? std::string(reinterpret_cast<const char*>(s), SysStringByteLen(s)) : std::string();
    SysFreeString(s);
    return text;
}

LONG WINAPI OnAck(BSTR code) {
    gAcks.push_back(TakeString(code));
    return 0;
}
LONG WINAPI OnReceive(BSTR sender, LONG length, BSTR data) {
    gReceives.push_back({TakeString(sender), length, TakeString(data)});
    return 0;
}
LONG WINAPI OnAllText(BSTR text) {
    gAllTexts.push_back(TakeString(text));
    return 0;
}

template <typename F>
bool Lookup(HMODULE dll, const char* name, F& out) {
    out = reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(dll, name)));
    return out != nullptr;
}

std::string ExeFolder() {
    char path[MAX_PATH];
    const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string s(path, n);
    return s.substr(0, s.find_last_of("\\/") + 1);
}

}  // namespace

LinkSession::LinkSession() {
    ClearReports();
    dll_ = LoadLibraryA("zmvorq");
    loaded_ = dll_ && Lookup(dll_, "InitDDE", init_) && Lookup(dll_, "KillDDE", kill_) &&
              Lookup(dll_, "DDECommand", command_) && Lookup(dll_, "VorqRegister", register_) &&
              Lookup(dll_, "VorqUnregister", unregister_) && Lookup(dll_, "VorqCommunicate", communicate_) &&
              Lookup(dll_, "VorqSend", send_) && Lookup(dll_, "VorqGetAllText", getAllText_);
}

LinkSession::~LinkSession() {
    if (dll_)
        FreeLibrary(dll_);
}

LONG LinkSession::InitWith(const char* name, bool ack, bool receive, bool allText) {
    return init_(name, ack ? OnAck : nullptr, receive ? OnReceive : nullptr, allText ? OnAllText : nullptr);
}

LONG LinkSession::Kill() {
    return kill_();
}

const std::vector<std::string>& LinkSession::Acks() const {
    return gAcks;
}
const std::vector<ReceivedData>& LinkSession::Receives() const {
    return gReceives;
}
const std::vector<std::string>& LinkSession::AllTexts() const {
    return gAllTexts;
}
void LinkSession::ClearReports() {
    gAcks.clear();
    gReceives.clear();
    gAllTexts.clear();
}

bool LinkSession::WaitForAcks(size_t n, DWORD timeoutMs) {
    return PumpMessagesUntil([&] { return gAcks.size() >= n; }, timeoutMs);
}
bool LinkSession::WaitForReceives(size_t n, DWORD timeoutMs) {
    return PumpMessagesUntil([&] { return gReceives.size() >= n; }, timeoutMs);
}

int RunLinkDemo(const std::vector<std::string>& args, DWORD timeoutMs) {
    std::string cmd = "\"" + ExeFolder() + "linkdemo.exe\"";
    for (const auto& a : args)
        cmd += " \"" + a + "\"";
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return -1;
    CloseHandle(pi.hThread);
    const bool ended =
        PumpMessagesUntil([&] { return WaitForSingleObject(pi.hProcess, 0) == WAIT_OBJECT_0; }, timeoutMs);
    DWORD code = static_cast<DWORD>(-1);
    if (ended)
        GetExitCodeProcess(pi.hProcess, &code);
    else
        TerminateProcess(pi.hProcess, 1);
    CloseHandle(pi.hProcess);
    return ended ? static_cast<int>(code) : -1;
}

}  // namespace testwin
