// plain_server_win.h: the world's "Zelmarink" server spoken in plain DDE messages (worldsim.exe --dde plain32), a
// world client written without any DDE library. Everything it sends with a value in lParam (the answer to a
// WM_DDE_INITIATE) arrives widened from 32 bits with the sign, as a 32-bit program's message reaches a 64-bit window:
// the answer's topic atom (0xC000 and above) then fills the upper half with ones. Memory handles packed into posted
// messages are rebuilt by the system for the receiving process and cannot arrive widened.
//
// Borrowing (--dde borrowing) adds one fault of an old program: it knows its service name by the atom it added when
// it started, and answers an initiate with the initiator's own two atoms, adding no reference. A client that then
// deletes "its" answer atoms takes the server's reference: once the name's atom is gone from the table, this server
// says so on stderr and answers no initiate again, as such a program, its name lost, would not.
//
// The rules stay the World's (DdeHandler); this file turns messages into bytes and back, on the UI thread.
#pragma once

#include <windows.h>

#include <string>

#include "worldsim/dde_server_win.h"

namespace worldsim {

class PlainServer {
public:
    PlainServer(DdeHandler& handler, bool borrowing) : handler_(handler), borrowing_(borrowing) {}
    ~PlainServer();
    PlainServer(const PlainServer&) = delete;
    PlainServer& operator=(const PlainServer&) = delete;

    // Its hidden top-level window, which every initiate broadcast reaches.
    bool Start();
    // Ends every conversation (WM_DDE_TERMINATE to each program) and the window.
    void Stop();

    // The value a 32-bit program's lParam takes in a 64-bit program: its lower 32 bits, widened with the sign.
    static LPARAM Widened(LPARAM lParam) { return static_cast<LPARAM>(static_cast<LONG>(static_cast<DWORD>(lParam))); }

    struct Conversation;  // one program's conversation, held by its window

private:
    static LRESULT CALLBACK NameProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK ConversationProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    void OnInitiate(HWND client, ATOM service, ATOM topic);
    void OnPoke(Conversation& conv, HWND hwnd, LPARAM lParam);
    void OnRequest(Conversation& conv, HWND hwnd, LPARAM lParam);
    // Borrowing: whether the service name's atom is still in the table; false for good once it was not.
    bool NameKept();

    DdeHandler& handler_;
    const bool borrowing_;
    HWND window_ = nullptr;
    ATOM name_ = 0;  // Borrowing: the service name's atom, a reference of ours from Start to Stop
    bool nameLost_ = false;
};

}  // namespace worldsim
