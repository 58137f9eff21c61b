/* zmvorq.h: the link library's exports and the three callbacks it calls.
 *
 * zmvorq.dll talks to the world client (DDE service "Zelmarink") for the program that loads it: it pokes
 * request records to the world client and, at the same time, serves a DDE service under the caller's name so
 * that the world client can poke acknowledgements and incoming data back. Programs load it by name and look
 * the functions up by these undecorated names, or link with the import library of the sdk folder; every function
 * uses the callee-cleans convention (WINAPI) and 8-bit (ANSI) NUL-terminated strings.
 *
 * Calling order: InitDDE once, VorqRegister with the same name, any number of requests, VorqUnregister, then
 * KillDDE. Call everything on one thread, the one that runs the message loop: callbacks run on it, re-entrantly,
 * while it waits inside a request or while it handles its messages. The world client pokes acknowledgements and
 * received data back only to a name registered with VorqRegister, and often after the request has returned: keep
 * handling the thread's messages (a message loop, or waits that dispatch them) for them to arrive.
 *
 * Strings handed to the callbacks are OLE automation strings (BSTR) holding the ANSI bytes of the text (made
 * with SysAllocStringByteLen, so SysStringByteLen gives the text length). The callee owns each one and frees it
 * with SysFreeString. A callback's return value is ignored.
 *
 * Requests that are dropped silently, with no transaction and no callback:
 *   - a required argument is a null pointer (name; target for an ESP, mode 2; text; send data);
 *   - a form feed (byte 12, the field separator) inside the name, an ESP target or a send target, which would
 *     make the record read as other fields; the text and the send data are taken verbatim;
 *   - a VorqCommunicate mode whose signed decimal form needs more than six characters (below -99999 or above
 *     999999), and a VorqSend length that is negative or above 999999: the record block is sized for at most
 *     six characters of number, so such a request could not be formatted safely.
 *
 * How long a request can take: the world client is looked for with a WM_DDE_INITIATE sent first to the thread
 * whose server answered last time and otherwise to every top-level window at once, and each step waits at most
 * 2 s: finding the server, the poke or request, and 0.25 s for the hang-up. A window that has not answered the
 * WM_DDE_INITIATE by then (a world client that is busy, or a hung program) gives ZMVORQ_ERROR_NO_ANSWER, never
 * ZMVORQ_ERROR_NO_SERVER, which means that every window asked answered and none serves "Zelmarink". Every wait ends by its deadline whatever the caller's thread does meanwhile: the
 * caller's posted and sent messages, paints and timers keep being handled, each once per pass (a timer whose
 * handler outlasts its period, or a window that never validates its paint, cannot hold a wait), and keyboard and
 * mouse input waits for the caller's own loop. A request made from inside a callback or a handler while another
 * waits ends no later than the outer wait's deadline. Only a handler of the caller's own that is running when a
 * deadline passes can make a call return later, by as long as it runs. A window of another program that does not
 * answer (a hung program) is left behind; it never holds a request. A WM_QUIT met while a request waits ends the
 * wait at once and is put back for the caller's loop.
 *
 * Unloading: FreeLibrary, from any thread, at any time no call of the library is running (a callback runs inside one):
 * no code of it runs afterwards. From InitDDE to KillDDE the library keeps itself loaded, as its DDE instance's windows
 * call it: a FreeLibrary before KillDDE leaves it loaded, its instance still serving on the thread that called InitDDE,
 * until KillDDE (call it while a reference of your own holds the library: load it again first if you have let it go);
 * KillDDE gives that reference back. Call KillDDE on the thread that called InitDDE: from another thread the instance
 * may not end (its windows belong to the first), and the library then stays loaded until the process ends. A window
 * that has not yet taken a WM_DDE_INITIATE of ours (it reads its messages late, or hangs) would call the library back
 * when it does: until then the library keeps itself loaded, and lets go at the next call or KillDDE after the last such
 * window has answered; beside a program that hangs for good, it stays loaded until the process ends. When it is
 * unloaded, nothing of it is left to end: its DllMain does nothing.
 *
 * After every request and DDECommand the thread's last-error code (GetLastError) says what became of it:
 *   ERROR_SUCCESS            the world client answered: it took the poke, or sent the reply
 *   ZMVORQ_ERROR_REFUSED     it answered no (a negative acknowledgement, no data), or ended the conversation
 *   ZMVORQ_ERROR_NO_SERVER   no world client took the conversation (ProcessAckData got "-1")
 *   ZMVORQ_ERROR_NO_ANSWER   it did not answer within the time-out; it is busy, hung or cannot deliver
 *                            (ProcessAckData got "-1" when this happened while looking for it)
 *   ZMVORQ_ERROR_CANCELLED   a WM_QUIT ended the wait
 *   ZMVORQ_ERROR_DROPPED     the request was dropped for its arguments (above)
 * Read it right after the call: the callbacks run inside the call, and the code is set last.
 */
#ifndef ZMVORQ_H
#define ZMVORQ_H

#include <windows.h>
#include <ddeml.h> /* XTYP_POKE, XTYP_REQUEST for DDECommand (not in windows.h under WIN32_LEAN_AND_MEAN) */
#include <oleauto.h>

#ifdef __cplusplus
extern "C" {
#endif

#define ZMVORQ_ERROR_REFUSED ERROR_DDE_FAIL
#define ZMVORQ_ERROR_NO_SERVER ERROR_CONNECTION_REFUSED
#define ZMVORQ_ERROR_NO_ANSWER ERROR_TIMEOUT
#define ZMVORQ_ERROR_CANCELLED ERROR_CANCELLED
#define ZMVORQ_ERROR_DROPPED ERROR_INVALID_PARAMETER

/* Receives an acknowledgement code as decimal text ("0" success, "1".."17" refusals), or "-1" when a request
 * could not reach the world client. */
typedef LONG(WINAPI* ProcessAckDataProc)(BSTR code);
/* Receives data that another avatar's program sent: sender, the length the record announced, and the data up to
 * its first NUL (empty when the record was short). */
typedef LONG(WINAPI* ProcessReceiveDataProc)(BSTR sender, LONG length, BSTR data);
/* Receives the reply of a request transaction (VorqGetAllText: the whole chat text). */
typedef LONG(WINAPI* ProcessGetAllTextDataProc)(BSTR text);

/* Starts the library for the program called `name` (kept to its first 31 characters for the connection check).
 * Returns 0, or -1 when a callback is missing (after a message box naming it) or DDE could not be started. */
LONG WINAPI InitDDE(LPCSTR name, ProcessAckDataProc ackProc, ProcessReceiveDataProc receiveProc,
                    ProcessGetAllTextDataProc allTextProc);
/* Unregisters the name and ends the DDE instance; nonzero when the instance was ended. */
LONG WINAPI KillDDE(void);
/* One whole conversation with `service` on `topic`: XTYP_POKE sends `length` bytes of `data` to `item`; any
 * other type requests `item` and hands the reply to ProcessGetAllTextData. Always returns 0. */
LONG WINAPI DDECommand(UINT type, LPCSTR service, LPCSTR topic, LPCSTR item, LONG length, const BYTE* data);

void WINAPI VorqRegister(LPCSTR name);
void WINAPI VorqUnregister(LPCSTR name);
/* mode 0 speak, 1 think, 2 ESP to `target` (target is read for mode 2 only). */
void WINAPI VorqCommunicate(LPCSTR name, LONG mode, LPCSTR target, LPCSTR text);
/* Sends `length` raw bytes (any values, form feeds and NULs included) to the program of avatar `target`. */
void WINAPI VorqSend(LPCSTR name, LPCSTR target, LONG length, const BYTE* data);
/* Requests the chat text; the reply arrives through ProcessGetAllTextData before this returns. */
void WINAPI VorqGetAllText(LPCSTR name);

#ifdef __cplusplus
}
#endif

#endif /* ZMVORQ_H */
