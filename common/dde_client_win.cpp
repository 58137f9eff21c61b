// dde_client_win.cpp: the plain-message DDE client conversation (see dde_client_win.h) once it has found its server
// (dde_initiate_win.cpp finds it): the conversation's window and the messages it takes, poke, request and the end of
// the conversation. Its waits and their message passes are in dde_pump_win.cpp.
//
// Ownership follows the DDE message rules: the receiver of a WM_DDE_ACK deletes the atom it carries (the two atoms
// of an answer to WM_DDE_INITIATE as well); a poke's data block is freed by the server when it accepts it
// (fRelease) and by us when it refuses, even late, after the wait was given up; a WM_DDE_DATA block marked fRelease
// is freed by us once read, or when we do not acknowledge it (a stranger's, or one arriving while we terminate),
// and left to the server when we refuse it.
//
// Copies: under Wine a DDE message's memory posted to another process arrives there as a copy made when it is
// posted, and each side holds its own; on Windows only the documented frees are made (dde_blocks_win.h, which also
// keeps the test builds' ledger of the blocks held).
#include "common/dde_client_win.h"

#include <dde.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "common/dde_atoms_win.h"
#include "common/dde_blocks_win.h"
#include "common/dde_client_state_win.h"
#include "common/dde_handles_win.h"
#include "common/dde_wake_win.h"

namespace win {
namespace {

using State = DdeClientConversation::State;

constexpr char kClassName[] = "TumblerooDdeClientConversation";
bool gAs32BitProgram = false;  // see SendDdeAsA32BitProgram

void TakeData(State* s, HWND hwnd, WPARAM wParam, LPARAM lParam) {
    UINT_PTR lo = 0, hi = 0;
    UnpackDDElParam(WM_DDE_DATA, lParam, &lo, &hi);
    FreeDDElParam(WM_DDE_DATA, lParam);
    const auto block = reinterpret_cast<HGLOBAL>(lo);
    const auto item = static_cast<ATOM>(hi);
    const HWND from = reinterpret_cast<HWND>(wParam);
    TakeBlock(block);
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
    // Only our server's data is answered; a stranger's (or a former server's) is not, nor any while we terminate.
    const bool partner = s && from && SameWindow(from, s->server) && !s->terminating && !s->serverTerminated;
    const bool wanted = partner && s->pending == State::Pending::Request && !s->answered;
    if (wanted) {
        s->answered = true;
        s->positive = true;
        s->data = std::move(bytes);
    }
    bool atomPassedOn = false, acked = false;
    if (ackRequested && partner) {
        const LPARAM ack = PackDDElParam(WM_DDE_ACK, wanted ? 0x8000 : 0, item);
        acked = atomPassedOn = PostMessageA(from, WM_DDE_ACK, reinterpret_cast<WPARAM>(hwnd), ack) != 0;
        if (!atomPassedOn)
            FreeDDElParam(WM_DDE_ACK, ack);
    }
    if (!atomPassedOn && item)
        GlobalDeleteAtom(item);
    // A block we turned down stays the server's; one we took, or left unanswered, is ours to free.
    if (block && (CopiedForUs(from) || (release && (wanted || !acked))))
        FreeBlock(block);
    else
        HandOnBlock(block);
}

// An answer to our WM_DDE_INITIATE carries the two name atoms of an initiate of ours still out (the server answers
// while it handles it, before the initiate counts as delivered), or of one of the latest (an answer sent late, or by
// a window that was never asked); every other WM_DDE_ACK is posted and carries a
// packed parameter, a memory handle. Whether the thread is inside a sent message says nothing here: a caller may
// make its requests from a sent message's handler (another program clicking its button with SendMessage), and the
// posted acks it then handles are dispatched inside that sent message.
//
// The two atoms fill the lower 32 bits. A server that is a 32-bit program answers a 64-bit client with that value
// sign-extended, and a string atom's topic (0xC000 and above) sets bit 31: the upper half is then all ones, which
// no memory handle of a 64-bit process ever is.
bool AnswersInitiate(LPARAM lParam) {
    const auto value = static_cast<ULONG_PTR>(lParam);
    const auto low = static_cast<DWORD>(value);
    const bool twoAtoms = value == low || lParam == static_cast<LPARAM>(static_cast<LONG>(low));
    return twoAtoms && IsInitiateAnswer(LOWORD(low), HIWORD(low));
}

void TakeAck(State* s, HWND hwnd, WPARAM wParam, LPARAM lParam) {
    const HWND from = reinterpret_cast<HWND>(wParam);
    if (AnswersInitiate(lParam)) {
        // Refused or taken, in time or late, the answer's atoms are dealt with here (dde_atoms_win.h).
        DeleteAnswerAtom(LOWORD(static_cast<DWORD>(lParam)));
        DeleteAnswerAtom(HIWORD(static_cast<DWORD>(lParam)));
        if (s && s->initiating && !s->server)
            s->server = from;
        else if (!s || !SameWindow(from, s->server))  // a second server, or one answering after the initiate was over
            PostMessageA(from, WM_DDE_TERMINATE, reinterpret_cast<WPARAM>(hwnd), 0);
        return;
    }
    UINT_PTR lo = 0, hi = 0;
    UnpackDDElParam(WM_DDE_ACK, lParam, &lo, &hi);
    FreeDDElParam(WM_DDE_ACK, lParam);
    if (hi)
        GlobalDeleteAtom(static_cast<ATOM>(hi));
    const bool positive = (lo & 0x8000) != 0;
    if (!s)
        return;
    const bool current = from && SameWindow(from, s->server) && s->pending != State::Pending::None && !s->answered;
    if (!current) {
        // Late (the transaction was given up) or a stranger's: nothing is answered. A refused poke of ours that
        // was given up is freed now; one accepted late is the server's.
        if (s->abandonedPoke && SameWindow(from, s->abandonedTo)) {
            positive ? HandOnBlock(s->abandonedPoke) : FreeBlock(s->abandonedPoke);
            s->abandonedPoke = nullptr;
            s->abandonedTo = nullptr;
        }
        return;
    }
    s->answered = true;
    s->positive = positive;
    if (s->pending == State::Pending::Poke) {
        if (s->pokeData)
            s->positive ? HandOnBlock(s->pokeData) : FreeBlock(s->pokeData);
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
            if (s && s->server && SameWindow(reinterpret_cast<HWND>(wParam), s->server)) {
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

void SendDdeAsA32BitProgram(bool on) {
    gAs32BitProgram = on;
}

LPARAM TwoWords(WORD low, WORD high) {
    const DWORD value = MAKELONG(low, high);
    return gAs32BitProgram ? static_cast<LPARAM>(static_cast<LONG>(value)) : static_cast<LPARAM>(value);
}

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
    // Message-only: no other program's broadcast reaches it, and no other program's initiate is sent to it. Its
    // handle must widen alike (dde_handles_win.h), or a DDEML server under Wine drops all it posts.
    HWND hwnd = CreateMessageWindowThatWidensAlike(kClassName, module);
    if (hwnd)
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(state));
    return hwnd;
}

void ReleaseDdeClientModule() {
    ReleaseInitiateModuleReference();
    HMODULE module = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&ClientProc), &module);
    UnregisterClassA(kClassName, module);  // fails while a conversation's window lives: it is then in use
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
    ReleaseInitiateModuleReference();  // the initiates have mostly been taken by now
}

bool DdeClientConversation::Connected() const {
    const State& s = *state_;
    return s.server && !s.serverTerminated && !s.terminating && !s.stale && IsWindow(s.server);
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
    TakeBlock(block);
    auto* poke = static_cast<DDEPOKE*>(GlobalLock(block));
    if (!poke) {
        FreeBlock(block);
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
        FreeBlock(block);
        return DdeOutcome::Refused;
    }
    const LPARAM lParam = PackDDElParam(WM_DDE_POKE, reinterpret_cast<UINT_PTR>(block), aItem);
    s.pending = State::Pending::Poke;
    s.answered = false;
    s.pokeData = block;
    const bool copied = CopiedForUs(s.server);
    if (!PostMessageA(s.server, WM_DDE_POKE, reinterpret_cast<WPARAM>(s.client), lParam)) {
        FreeDDElParam(WM_DDE_POKE, lParam);
        FreeBlock(block);
        GlobalDeleteAtom(aItem);
        s.pending = State::Pending::None;
        s.pokeData = nullptr;
        return DdeOutcome::NoServer;
    }
    if (copied) {  // the server holds a copy of its own (see the top)
        FreeBlock(block);
        s.pokeData = nullptr;
    }
    const DdeOutcome waited = WaitFor(Settled, timeoutMs);
    s.pending = State::Pending::None;
    if (s.pokeData && !s.answered && !s.serverTerminated && IsWindow(s.server)) {
        // Given up: a refusal may still come, and frees the block then (an earlier one given up stays the server's).
        s.abandonedPoke = s.pokeData;
        s.abandonedTo = s.server;
    }
    s.pokeData = nullptr;  // refused: freed on the answer; accepted: the server's
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
    if (!PostMessageA(s.server, WM_DDE_REQUEST, reinterpret_cast<WPARAM>(s.client), TwoWords(CF_TEXT, aItem))) {
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
    ReleaseInitiateModuleReference();
}

}  // namespace win
