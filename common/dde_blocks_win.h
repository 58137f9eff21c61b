// dde_blocks_win.h: who frees the memory blocks of DDE messages that the plain-message client posts and receives.
//
// The DDE rules free "the" block once: the server frees a poke it accepts (fRelease), the poster one that is refused;
// the client frees data marked fRelease once read. Under Wine a block posted to another process arrives there as a
// copy made when it is posted, and each side holds its own, which the rules leave behind: the client then frees its
// own poke block once posted and a received data block whatever its flags say. On Windows only the frees the rules
// give are made: whatever Windows does with the poster's block, nothing is freed twice.
//
// The test builds can run the Windows rules under Wine (TUMBLEROO_TEST_DDE_MEMORY=windows in the environment), and
// keep a ledger of the blocks the module holds: a block freed that it does not hold (freed twice, or never its own)
// ends the process at once with kFreedTwiceExitCode, after a line on the standard error.
#pragma once

#include <windows.h>

namespace win {

inline constexpr UINT kFreedTwiceExitCode = 0xDF;

// Whether a block posted to or received from `partner` is a copy of this process's own (Wine, another process).
bool CopiedForUs(HWND partner);

// The block is this module's to free: made for a poke, or received.
void TakeBlock(HGLOBAL block);
// The block is no longer this module's: a poke the server accepted, data left to the server.
void HandOnBlock(HGLOBAL block);
// GlobalFree, once.
void FreeBlock(HGLOBAL block);

}  // namespace win
