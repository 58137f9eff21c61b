// dde_handles_win.h: window handles that every DDE partner takes for the same window.
//
// A window handle has 32 significant bits, and a 64-bit program holds it sign-extended. Wine's DDEML (8.0) takes
// the partner's window from each message, widens it through 32 bits without the sign, and compares the result with
// the handle it kept from the conversation's start. For a handle with bit 31 set the two differ, and DDEML drops
// every message of that conversation as a stranger's: a DDEML server drops the client's pokes when the client's
// window has such a handle, a DDEML client the server's answers when the server's has. Wine counts the reuses of
// each handle slot in the handle's upper 16 bits, so once a desktop has made some 32,768 windows in one slot, the
// next 32,767 handles of that slot all have bit 31 set: a link that makes two windows a request stopped after about
// 33,000 requests. Windows itself compares handles correctly; the measures below cost it nothing or next to it.
#pragma once

#include <windows.h>

#include <vector>

namespace win {

// Bit 31 clear: the handle reads the same widened with or without the sign.
bool WidensAlike(HWND hwnd);

// Two handles of one window (only the lower 32 bits are significant).
bool SameWindow(HWND a, HWND b);

// A message-only window of a registered class whose handle widens alike: windows whose handles do not are made and
// kept aside until one does (each has about an even chance; after 16 the last is taken), then destroyed.
HWND CreateMessageWindowThatWidensAlike(const char* className, HINSTANCE instance);

// While one lives (under Wine), the next window made on this desktop gets a handle that widens alike, unless
// another thread makes a window first: for the windows DDEML makes itself (DdeConnect's, and a server's for each
// conversation, made after its XTYP_CONNECT callback returns). It holds, until it ends, the windows it made whose
// handles did not.
class HandleAhead {
public:
    HandleAhead();
    ~HandleAhead();
    HandleAhead(const HandleAhead&) = delete;
    HandleAhead& operator=(const HandleAhead&) = delete;

private:
    std::vector<HWND> held_;
};

}  // namespace win
