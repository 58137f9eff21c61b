// dde_client_state_win.h: what the two halves of the plain-message DDE client share (dde_client_win.cpp speaks the
// conversation, dde_initiate_win.cpp finds its server): the conversation's state and its message-only window.
// Not for callers: they use dde_client_win.h.
#pragma once

#include <windows.h>

#include <string>

#include "common/dde_client_win.h"

namespace win {

struct DdeClientConversation::State {
    HWND client = nullptr;
    HWND server = nullptr;
    bool initiating = false;
    bool serverTerminated = false;  // the server posted WM_DDE_TERMINATE
    bool terminating = false;       // we posted ours and wait for the reply
    bool stale = false;             // a transaction went unanswered: a late answer could be taken for the next
    enum class Pending { None, Poke, Request } pending = Pending::None;
    bool answered = false;
    bool positive = false;
    std::string data;
    HGLOBAL pokeData = nullptr;  // ours until the server accepts it
    // A poke given up on (time-out, cancel) whose block is still ours should the server refuse it late.
    HGLOBAL abandonedPoke = nullptr;
    HWND abandonedTo = nullptr;
    unsigned initiateSerial = 0;  // the initiate whose completions are counted in Outstanding()
};

// The conversation's message-only window, whose messages update `state`; nullptr when it cannot be made.
HWND CreateClientWindow(DdeClientConversation::State* state);

// Whether these are the service and topic atoms of an initiate of ours, one that some window has not yet taken or
// one of the latest: an answer to it, in time or not (dde_initiate_win.cpp).
bool IsInitiateAnswer(ATOM service, ATOM topic);

// Two 16-bit values in an lParam as this process sends them (see SendDdeAsA32BitProgram).
LPARAM TwoWords(WORD low, WORD high);

// The pass a wait makes when its caller gives none (dde_pump_win.cpp): posted and sent messages, then paint and
// timers; input stays queued for the caller's own loop, and a WM_QUIT is put back.
void DefaultPump();

// Gives back what the initiates keep (dde_initiate_win.cpp): the module reference, once no initiate is still out.
void ReleaseInitiateModuleReference();

}  // namespace win
