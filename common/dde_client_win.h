// dde_client_win.h: a DDE client conversation spoken in plain DDE messages, whose every wait has a deadline and
// keeps the caller's messages flowing.
//
// Why not DDEML's DdeConnect: it asks every top-level window of the desktop, one after the other, and waits for
// each without a time-out. One window whose thread has stopped reading messages (any hung program) then holds
// the caller for as long as that program hangs, and a window that answers late delays every connect. Here the
// WM_DDE_INITIATE goes first to the windows of the thread whose server answered last time, and otherwise to
// every top-level window at once (SendMessageCallback, which never blocks); the answer is awaited until a
// deadline, and a window that does not answer is simply left behind. The conversation itself (WM_DDE_POKE,
// WM_DDE_REQUEST, WM_DDE_DATA, WM_DDE_ACK, WM_DDE_TERMINATE) is what DDEML servers speak with any client.
//
// All waits are pumped on the calling thread: the caller's windows keep painting, and callbacks of a DDEML
// server instance of the same thread (a peer connecting back) run inside them, as inside a DDEML call. Nothing
// here uses a second thread, and everything of it belongs to that one thread (a caller's UI thread).
//
// Every wait ends by its deadline whatever the caller's messages do: a pass of the pump handles what was waiting
// when it began (a timer whose handler outlasts its period, or a window that never validates its paint, is
// handled once per pass, not for ever), and a wait begun inside another one (a request made from a handler the
// outer wait dispatched) ends no later than the outer one. What it cannot shorten is a handler of the caller's
// that is running when the deadline passes.
//
// Memory and atoms follow the DDE message rules, and where a platform copies a DDE message's memory into the
// receiving process (Wine does), the copy in this process is freed here as well: see dde_client_win.cpp.
//
//     win::DdeClientConversation conv(hooks);
//     if (conv.Connect("Zelmarink", "Zelmarink_Communicate", 2000) == win::DdeOutcome::Answered)
//         outcome = conv.Poke("Zelmarink_Communicate", bytes, size, 2000);
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>

namespace win {

enum class DdeOutcome {
    Answered,   // connected; a poke accepted; a request answered with data
    Refused,    // the server answered no (a negative acknowledgement), or ended the conversation
    NoServer,   // no server took the conversation (every window asked has answered, none for this name)
    NoAnswer,   // the server did not answer before the deadline (it is busy, hung or gone)
    Cancelled,  // the wait was given up: the caller's abandon hook said so (a WM_QUIT, the program closing)
};

// How a wait handles the caller's messages. `pump` handles everything waiting, once (null: a plain
// PeekMessage loop that puts a WM_QUIT back and gives the wait up); `abandon` is asked after every pump.
struct DdeWaitHooks {
    void (*pump)() = nullptr;
    bool (*abandon)() = nullptr;
};

// One pass over the thread's waiting messages, as the waits here and the programs' yields make it: first posted
// (and, with `postedFilter` 0, input) messages up to a marker posted when the pass began, then the messages of
// `laterFilter` (paint, input), then timers, each window's message of a kind at most once. A nested pass ends the
// enclosing one. The pass also ends once the deadline of the innermost running wait has passed.
struct PumpRules {
    UINT postedFilter = 0;                // PM_QS_* flags of the first part; 0 takes every message in order
    UINT laterFilter = 0;                 // PM_QS_PAINT and/or PM_QS_INPUT for the second part; 0: none of them
    bool laterTimers = false;             // WM_TIMER in the second part too
    void (*dispatch)(const MSG&) = nullptr;
    bool (*quit)(const MSG&) = nullptr;   // a WM_QUIT taken out; true ends the pass
};
void PumpWaitingMessages(const PumpRules& rules);

// What the module holding this code must do before it may be unloaded (a DLL's DLL_PROCESS_DETACH or its last
// stop): its conversation windows destroyed and their class unregistered. A module that initiates also keeps a
// reference to itself while some window has not yet taken one of its WM_DDE_INITIATEs (the system calls back into
// the module when it does); the reference is given back here once they all have, or at the next connect.
void ReleaseDdeClientModule();

// For a stand-in of a 32-bit program (the stand-in world's --dde plain32): from now on, every value this process
// sends in a DDE message's lParam (an initiate's atoms, a request's format and item) goes out widened from 32 bits
// with the sign, as a 32-bit program's message reaches a 64-bit window. Never set by the shipped programs.
void SendDdeAsA32BitProgram(bool on);

class DdeClientConversation {
  public:
    explicit DdeClientConversation(DdeWaitHooks hooks = {});
    ~DdeClientConversation();  // ends the conversation without waiting long for the server's reply
    DdeClientConversation(const DdeClientConversation&) = delete;
    DdeClientConversation& operator=(const DdeClientConversation&) = delete;

    // Empty names give NoServer without asking anyone (an empty name would ask for any service or topic).
    DdeOutcome Connect(const std::string& service, const std::string& topic, DWORD timeoutMs);
    // The bytes as CF_TEXT data.
    DdeOutcome Poke(const std::string& item, const void* data, size_t size, DWORD timeoutMs);
    // The reply's bytes as sent (CF_TEXT, usually ending in a NUL) into *reply.
    DdeOutcome Request(const std::string& item, DWORD timeoutMs, std::string* reply);
    // Posts WM_DDE_TERMINATE and waits up to timeoutMs for the server's.
    void Disconnect(DWORD timeoutMs);

    bool Connected() const;

    struct State;  // the client window's side of the conversation

  private:
    DdeOutcome WaitFor(bool (*done)(const State&), DWORD timeoutMs);

    DdeWaitHooks hooks_;
    State* state_;
};

}  // namespace win
