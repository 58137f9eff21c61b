/* sample.c: a program of your own that speaks one line in the world through zmvorq.dll.
 *
 * It starts the library under the name "Sample", registers that name with the world client, says a line,
 * unregisters and ends the library, printing every acknowledgement the world client sends back. Build it with one
 * command in this folder (README.TXT) and run it beside zmvorq.dll while the world client, or the rehearsal world
 * Rehearsal\worldsim.exe, is running:
 *
 *   x86_64-w64-mingw32-gcc sample.c -o sample.exe -L. -lzmvorq -loleaut32      (64-bit)
 *   i686-w64-mingw32-gcc sample.c -o sample.exe -L. -lzmvorq -loleaut32        (32-bit)
 *
 *   sample.exe [LINE]
 *
 * Exit code: 0 when the world client took every request, 1 when the library could not start, 2 when a request
 * failed (the reason is printed).
 */
#include <stdio.h>
#include <stdlib.h>

#include "zmvorq.h"

static const char kName[] = "Sample";
static int acks;      /* acknowledgements seen so far */
static long lastAck;  /* the last one's code: 0 success, 1..17 refusals, -1 no world client */

/* The callbacks run on this thread, inside the library's calls or inside the message loop below. Each owns the
 * strings it is given and frees them. */
static LONG WINAPI OnAck(BSTR code) {
    lastAck = strtol((const char*)code, NULL, 10);
    ++acks;
    printf("  acknowledgement %s\n", (const char*)code);
    SysFreeString(code);
    return 0;
}

static LONG WINAPI OnReceive(BSTR sender, LONG length, BSTR data) {
    printf("  %ld bytes from %s\n", (long)length, (const char*)sender);
    SysFreeString(sender);
    SysFreeString(data);
    return 0;
}

static LONG WINAPI OnAllText(BSTR text) {
    printf("  chat text of %u bytes\n", SysStringByteLen(text));
    SysFreeString(text);
    return 0;
}

/* The world client acknowledges a request by a poke of its own, which can arrive after the call has returned: this
 * runs the message loop until it has come (at most three seconds). */
static int WaitForAck(int before) {
    const DWORD start = GetTickCount();
    while (acks == before) {
        const DWORD waited = GetTickCount() - start;
        MSG msg;
        if (waited >= 3000)
            return 0;
        MsgWaitForMultipleObjects(0, NULL, FALSE, 3000 - waited, QS_ALLINPUT);
        while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    return 1;
}

/* What the last call's last-error code says (zmvorq.h). */
static const char* Outcome(DWORD error) {
    switch (error) {
        case ERROR_SUCCESS: return "taken";
        case ZMVORQ_ERROR_REFUSED: return "refused by the world client";
        case ZMVORQ_ERROR_NO_SERVER: return "no world client is running";
        case ZMVORQ_ERROR_NO_ANSWER: return "the world client did not answer in time";
        case ZMVORQ_ERROR_CANCELLED: return "cancelled by WM_QUIT";
        case ZMVORQ_ERROR_DROPPED: return "dropped for its arguments";
        default: return "unknown outcome";
    }
}

/* Checks one request: its last-error code (read first, before anything else can change it), then its
 * acknowledgement, the first one after `before` (the count taken before the call: it can come inside the call). */
static int Done(const char* what, int before) {
    const DWORD error = GetLastError();
    printf("%s: %s\n", what, Outcome(error));
    if (error != ERROR_SUCCESS)
        return 0;
    if (!WaitForAck(before)) {
        printf("%s: no acknowledgement within 3 s\n", what);
        return 0;
    }
    return lastAck == 0;
}

int main(int argc, char** argv) {
    const char* line = argc > 1 ? argv[1] : "Hello from a program of my own.";
    int ok, before;
    if (InitDDE(kName, OnAck, OnReceive, OnAllText) != 0) {
        printf("InitDDE failed\n");
        return 1;
    }
    before = acks;
    VorqRegister(kName);
    ok = Done("register", before);
    if (ok) {
        before = acks;
        VorqCommunicate(kName, 0, "", line);
        ok = Done("speak", before);
        before = acks;
        VorqUnregister(kName);
        ok = Done("unregister", before) && ok;
    }
    KillDDE();
    return ok ? 0 : 2;
}
