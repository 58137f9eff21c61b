// dde_client_win.cpp: the plain-message DDE client conversation (see dde_client_win.h) once it has found its server
// (dde_initiate_win.cpp finds it): the conversation's window and the messages it takes, the pumped wait with its
// deadline, poke, request and the end of the conversation.
//
// Ownership follows the DDE message rules: the receiver of a WM_DDE_ACK deletes the atom it carries; a poke's
// data block is freed by the server when it accepts it (fRelease) and by us when it refuses; a WM_DDE_DATA block
// marked fRelease is freed by us once read. The atoms of the names we initiate with keep a reference of ours (see
// InitiateAtom in dde_initiate_win.cpp).
#include "common/dde_client_win.h"

#include <dde.h>

#include <algorithm>
#include <cstring>

#include "common/dde_client_state_win.h"

namespace win {
namespace {

using State = DdeClientConversation::State;

constexpr char kClassName[] = "TumblerooDdeClientConversation";
constexpr DWORD kLongestSleepMs = 50;  // how often a wait looks at the server window and the deadline

// Handles the messages that are waiting now, once, and returns, even while handlers keep posting new ones: a
// marker posted to the thread's own queue ends the pass over posted messages (they come out first-in first-out);
// paint and timer messages come out after them. Keyboard and mouse input stays in the queue for the caller's own
// loop, which knows how its windows take keys (a busy, disabled window takes none): a wait of the link library
// must not act on them. A WM_QUIT is put back for the caller's loop.
constexpr UINT kPumpedWithoutInput = PM_QS_POSTMESSAGE | PM_QS_SENDMESSAGE;
constexpr DWORD kWakeWithoutInput = QS_POSTMESSAGE | QS_SENDMESSAGE | QS_PAINT | QS_TIMER;

void DefaultPump() {
    static const UINT marker = RegisterWindowMessageA("dde client pump marker");
    static UINT_PTR serial = 0;
    const UINT_PTR mine = ++serial;
    const bool marked = marker && PostThreadMessageA(GetCurrentThreadId(), marker, mine, 0);
    MSG msg;
    for (int handled = 0; PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE | kPumpedWithoutInput); ++handled) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        if (marker && msg.message == marker && !msg.hwnd) {
            if (msg.wParam == mine)
                break;
            continue;  // another pass's marker, left behind
        }
        DispatchMessageA(&msg);
        if (!marked && handled > 256)
            break;
    }
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE | PM_QS_PAINT | (QS_TIMER << 16)))
        DispatchMessageA(&msg);
}

void TakeData(State* s, HWND hwnd, WPARAM wParam, LPARAM lParam) {
    UINT_PTR lo = 0, hi = 0;
    UnpackDDElParam(WM_DDE_DATA, lParam, &lo, &hi);
    FreeDDElParam(WM_DDE_DATA, lParam);
    const auto block = reinterpret_cast<HGLOBAL>(lo);
    const auto item = static_cast<ATOM>(hi);
    const HWND from = reinterpret_cast<HWND>(wParam);
    bool ackRequested = false, release = false;
    std::string bytes;
    if (block) {
        if (const auto* d = static_cast<const DDEDATA*>(GlobalLock(block))) {
            ackRequested = d->fAckReq;
            release = d->fRelease;
            const SIZE_T size = GlobalSize(block);
            const SIZE_T header = offsetof(DDEDATA, Value);
            if (size > header)
                bytes.assign(reinterpret_cast<const char*>(d->Value), size - header);
            GlobalUnlock(block);
        }
    }
    const bool wanted = s && from == s->server && s->pending == State::Pending::Request && !s->answered &&
                        !s->terminating;
    if (wanted) {
        s->answered = true;
        s->positive = true;
        s->data = std::move(bytes);
    }
    bool atomPassedOn = false;
    if (ackRequested && !(s && s->terminating)) {
        const LPARAM ack = PackDDElParam(WM_DDE_ACK, wanted ? 0x8000 : 0, item);
        atomPassedOn = PostMessageA(from, WM_DDE_ACK, reinterpret_cast<WPARAM>(hwnd), ack) != 0;
        if (!atomPassedOn)
            FreeDDElParam(WM_DDE_ACK, ack);
    }
    if (!atomPassedOn && item)
        GlobalDeleteAtom(item);
    // A block we turned down stays the server's; one we took (or that needed no answer) is ours to free.
    if (block && release && (wanted || !ackRequested))
        GlobalFree(block);
}

void TakeAck(State* s, HWND hwnd, WPARAM wParam, LPARAM lParam) {
    const HWND from = reinterpret_cast<HWND>(wParam);
    // While initiating, an answer is the one to the WM_DDE_INITIATE: two plain atoms.
    if (s && s->initiating) {
        if (const ATOM a = LOWORD(lParam))
            GlobalDeleteAtom(a);
        if (const ATOM t = HIWORD(lParam))
            GlobalDeleteAtom(t);
        if (!s->server)
            s->server = from;
        else if (from != s->server)
            PostMessageA(from, WM_DDE_TERMINATE, reinterpret_cast<WPARAM>(hwnd), 0);  // a second server
        return;
    }
    // Any other window's answer is a server's that came after the initiate was over (or a stranger's): its
    // conversation is ended. Its parameter cannot be told apart (plain atoms or a packed block) and is left alone.
    if (!s || from != s->server) {
        PostMessageA(from, WM_DDE_TERMINATE, reinterpret_cast<WPARAM>(hwnd), 0);
        return;
    }
    UINT_PTR lo = 0, hi = 0;
    UnpackDDElParam(WM_DDE_ACK, lParam, &lo, &hi);
    FreeDDElParam(WM_DDE_ACK, lParam);
    if (hi)
        GlobalDeleteAtom(static_cast<ATOM>(hi));
    if (s->pending == State::Pending::None || s->answered)
        return;  // late: the transaction it answers was given up
    s->answered = true;
    s->positive = (lo & 0x8000) != 0;
    if (s->pending == State::Pending::Poke) {
        if (!s->positive && s->pokeData)
            GlobalFree(s->pokeData);
        s->pokeData = nullptr;
    }
}

LRESULT CALLBACK ClientProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* s = reinterpret_cast<State*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    switch (msg) {
        case WM_DDE_ACK:
            TakeAck(s, hwnd, wParam, lParam);
            return 0;
        case WM_DDE_DATA:
            TakeData(s, hwnd, wParam, lParam);
            return 0;
        case WM_DDE_TERMINATE:
            if (s && reinterpret_cast<HWND>(wParam) == s->server && s->server) {
                if (!s->terminating && !s->serverTerminated)
                    PostMessageA(s->server, WM_DDE_TERMINATE, reinterpret_cast<WPARAM>(hwnd), 0);
                s->serverTerminated = true;
            }
            return 0;
        default:
            return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
}

}  // namespace

HWND CreateClientWindow(State* state) {
    // The class belongs to the module holding this code (a program or the link library).
    HMODULE module = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&ClientProc), &module);
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    if (!GetClassInfoExA(module, kClassName, &wc)) {
        wc = WNDCLASSEXA{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = ClientProc;
        wc.hInstance = module;
        wc.lpszClassName = kClassName;
        RegisterClassExA(&wc);
    }
    // Message-only: no other program's broadcast reaches it, and no other program's initiate is sent to it.
    HWND hwnd = CreateWindowExA(0, kClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, module, nullptr);
    if (hwnd)
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(state));
    return hwnd;
}

namespace {

// The default abandon hook: a WM_QUIT waits in the thread's queue (the default pump puts one back).
bool DefaultPumpMetQuit() {
    MSG msg;
    return PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE) != 0;
}

}  // namespace

DdeClientConversation::DdeClientConversation(DdeWaitHooks hooks) : hooks_(hooks), state_(new State) {
    if (!hooks_.pump)
        hooks_.pump = DefaultPump;
    if (!hooks_.abandon)
        hooks_.abandon = DefaultPumpMetQuit;
}

DdeClientConversation::~DdeClientConversation() {
    State* s = state_;
    if (s->client) {
        if (s->server && IsWindow(s->server) && !s->serverTerminated && !s->terminating)
            PostMessageA(s->server, WM_DDE_TERMINATE, reinterpret_cast<WPARAM>(s->client), 0);
        SetWindowLongPtrA(s->client, GWLP_USERDATA, 0);
        DestroyWindow(s->client);
    }
    delete s;
}

bool DdeClientConversation::Connected() const {
    const State& s = *state_;
    return s.server && !s.serverTerminated && !s.terminating && !s.stale && IsWindow(s.server);
}

DdeOutcome DdeClientConversation::WaitFor(bool (*done)(const State&), DWORD timeoutMs) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (;;) {
        hooks_.pump();
        if (done(*state_))
            return DdeOutcome::Answered;
        if (hooks_.abandon())
            return DdeOutcome::Cancelled;
        const ULONGLONG now = GetTickCount64();
        if (now >= deadline)
            return DdeOutcome::NoAnswer;
        const DWORD sleep = static_cast<DWORD>(std::min<ULONGLONG>(deadline - now, kLongestSleepMs));
        // The default pump leaves input waiting: a wait that woke for it would spin until the deadline.
        MsgWaitForMultipleObjectsEx(0, nullptr, sleep, hooks_.pump == DefaultPump ? kWakeWithoutInput : QS_ALLINPUT,
                                    MWMO_INPUTAVAILABLE);
    }
}

namespace {

bool Settled(const State& s) {
    return s.answered || s.serverTerminated || !IsWindow(s.server);
}

// What became of a transaction once its wait is over.
DdeOutcome Verdict(State& s, DdeOutcome waited) {
    if (waited != DdeOutcome::Answered) {
        s.stale = true;
        return waited;
    }
    if (s.answered)
        return s.positive ? DdeOutcome::Answered : DdeOutcome::Refused;
    return DdeOutcome::Refused;  // the server ended the conversation or went away without answering
}

}  // namespace

DdeOutcome DdeClientConversation::Poke(const std::string& item, const void* data, size_t size, DWORD timeoutMs) {
    State& s = *state_;
    if (!Connected())
        return DdeOutcome::NoServer;
    const SIZE_T header = offsetof(DDEPOKE, Value);
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, header + size);
    if (!block)
        return DdeOutcome::Refused;
    auto* poke = static_cast<DDEPOKE*>(GlobalLock(block));
    if (!poke) {
        GlobalFree(block);
        return DdeOutcome::Refused;
    }
    std::memset(poke, 0, header);
    poke->fRelease = TRUE;
    poke->cfFormat = CF_TEXT;
    if (size)
        std::memcpy(poke->Value, data, size);
    GlobalUnlock(block);
    const ATOM aItem = GlobalAddAtomA(item.c_str());
    if (!aItem) {
        GlobalFree(block);
        return DdeOutcome::Refused;
    }
    const LPARAM lParam = PackDDElParam(WM_DDE_POKE, reinterpret_cast<UINT_PTR>(block), aItem);
    s.pending = State::Pending::Poke;
    s.answered = false;
    s.pokeData = block;
    if (!PostMessageA(s.server, WM_DDE_POKE, reinterpret_cast<WPARAM>(s.client), lParam)) {
        FreeDDElParam(WM_DDE_POKE, lParam);
        GlobalFree(block);
        GlobalDeleteAtom(aItem);
        s.pending = State::Pending::None;
        s.pokeData = nullptr;
        return DdeOutcome::NoServer;
    }
    const DdeOutcome waited = WaitFor(Settled, timeoutMs);
    s.pending = State::Pending::None;
    s.pokeData = nullptr;  // refused: freed on the answer; otherwise the server's, or lost with it
    return Verdict(s, waited);
}

DdeOutcome DdeClientConversation::Request(const std::string& item, DWORD timeoutMs, std::string* reply) {
    State& s = *state_;
    reply->clear();
    if (!Connected())
        return DdeOutcome::NoServer;
    const ATOM aItem = GlobalAddAtomA(item.c_str());
    if (!aItem)
        return DdeOutcome::Refused;
    s.pending = State::Pending::Request;
    s.answered = false;
    s.data.clear();
    if (!PostMessageA(s.server, WM_DDE_REQUEST, reinterpret_cast<WPARAM>(s.client), MAKELPARAM(CF_TEXT, aItem))) {
        GlobalDeleteAtom(aItem);
        s.pending = State::Pending::None;
        return DdeOutcome::NoServer;
    }
    const DdeOutcome waited = WaitFor(Settled, timeoutMs);
    s.pending = State::Pending::None;
    const DdeOutcome outcome = Verdict(s, waited);
    if (outcome == DdeOutcome::Answered)
        reply->swap(s.data);
    s.data.clear();
    return outcome;
}

void DdeClientConversation::Disconnect(DWORD timeoutMs) {
    State& s = *state_;
    if (!s.client || !s.server)
        return;
    if (!s.serverTerminated && IsWindow(s.server)) {
        s.terminating = true;
        if (PostMessageA(s.server, WM_DDE_TERMINATE, reinterpret_cast<WPARAM>(s.client), 0) && timeoutMs > 0 &&
            !s.stale)
            WaitFor([](const State& st) { return st.serverTerminated || !IsWindow(st.server); }, timeoutMs);
    }
    s.server = nullptr;
    s.serverTerminated = false;
    s.terminating = false;
    s.stale = false;
}

}  // namespace win
