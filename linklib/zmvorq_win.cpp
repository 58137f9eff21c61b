// zmvorq_win.cpp: the DDEML side of the link library: start and stop, one conversation per request, and the
// DDE server callback that takes the world client's acknowledgements and receive records.
//
// The record formats live in records.cpp; this file only moves bytes between DDEML and the caller's callbacks.
#include "linklib/zmvorq.h"

#include <ddeml.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "common/dde_client_win.h"
#include "common/dde_handles_win.h"
#include "common/dde_wake_win.h"
#include "linklib/records.h"

namespace {

// One set per process: the library serves one caller at a time.
DWORD gInstance = 0;
char gRegisteredName[linklib::kRegisteredNameSize] = {};
ProcessAckDataProc gProcessAckData = nullptr;
ProcessReceiveDataProc gProcessReceiveData = nullptr;
ProcessGetAllTextDataProc gProcessGetAllTextData = nullptr;
// While the DDE instance lives, its hidden windows (DDEML's, made on the thread that called InitDDE) call
// DdeCallback: from InitDDE to KillDDE the library holds a reference to itself, so that a FreeLibrary without
// KillDDE cannot unload the code under them. DllMain then has nothing to end (see below).
HMODULE gInstanceHold = nullptr;
// From an accepted XTYP_CONNECT to its XTYP_CONNECT_CONFIRM: the conversation window DDEML makes in between gets a
// handle that a world client using DDEML under Wine takes for it (common/dde_handles_win.h).
std::optional<win::HandleAhead> gHandleAhead;

constexpr DWORD kTimeoutMs = 2000;
// How long hanging up waits for the world client's own WM_DDE_TERMINATE (it comes at once from a live one).
constexpr DWORD kHangUpWaitMs = 250;
constexpr char kService[] = "Zelmarink";

// The callbacks get OLE strings holding the ANSI bytes; a cast to wide characters would read past the text.
BSTR NewString(const std::string& text) {
    return SysAllocStringByteLen(text.data(), static_cast<UINT>(text.size()));
}

void ReportAck(const char* code) {
    if (gProcessAckData)
        gProcessAckData(NewString(code));
}

// The bytes of a data handle, with a zero byte behind them.
std::vector<unsigned char> CopyData(HDDEDATA data, DWORD* size) {
    *size = DdeGetData(data, nullptr, 0, 0);
    std::vector<unsigned char> bytes(static_cast<size_t>(*size) + 1, 0);
    if (*size)
        DdeGetData(data, bytes.data(), *size, 0);
    return bytes;
}

std::string QueryString(HSZ hsz) {
    char buf[linklib::kQueryBufferSize] = {};
    DdeQueryStringA(gInstance, hsz, buf, sizeof buf, CP_WINANSI);
    return buf;
}

void DispatchReceive(DWORD n, const unsigned char* block) {
    const linklib::ReceiveFields fields = linklib::SplitReceiveRecord(block, static_cast<long>(n));
    if (gProcessReceiveData)
        gProcessReceiveData(NewString(fields.sender), fields.length, NewString(fields.data));
}

// The world client connects back to the registered name and pokes on two topics. The data handle of a poke
// belongs to DDEML, which frees it when this callback returns, so it is only read here.
HDDEDATA CALLBACK DdeCallback(UINT type, UINT, HCONV, HSZ hsz1, HSZ hsz2, HDDEDATA data, ULONG_PTR, ULONG_PTR) {
    try {
        switch (type) {
            case XTYP_CONNECT:  // hsz1 = topic, hsz2 = service; any topic is fine
                gHandleAhead.reset();
                if (!linklib::IsRegisteredService(QueryString(hsz2).c_str(), gRegisteredName))
                    return nullptr;
                gHandleAhead.emplace();
                return reinterpret_cast<HDDEDATA>(1);
            case XTYP_CONNECT_CONFIRM:
                gHandleAhead.reset();
                return nullptr;
            case XTYP_POKE: {
                const std::string topic = QueryString(hsz1);
                if (topic != "Zelmarink_Ack" && topic != "Zelmarink_Receive")
                    return nullptr;
                DWORD size = 0;
                const std::vector<unsigned char> bytes = CopyData(data, &size);
                if (topic == "Zelmarink_Ack")
                    ReportAck(linklib::TextOfBlock(bytes.data(), size).c_str());
                else
                    DispatchReceive(size, bytes.data());
                return reinterpret_cast<HDDEDATA>(DDE_FACK);
            }
            default:
                return nullptr;
        }
    } catch (...) {
        return nullptr;
    }
}

DWORD LastErrorOf(win::DdeOutcome outcome) {
    switch (outcome) {
        case win::DdeOutcome::Answered:
            return ERROR_SUCCESS;
        case win::DdeOutcome::Refused:
            return ZMVORQ_ERROR_REFUSED;
        case win::DdeOutcome::NoServer:
            return ZMVORQ_ERROR_NO_SERVER;
        case win::DdeOutcome::NoAnswer:
            return ZMVORQ_ERROR_NO_ANSWER;
        case win::DdeOutcome::Cancelled:
            return ZMVORQ_ERROR_CANCELLED;
    }
    return ZMVORQ_ERROR_REFUSED;
}

// One conversation per request: connect, poke or request, hang up. The world client's verdict on a poke arrives
// separately, as an acknowledgement; the outcome here only says whether it answered at all.
win::DdeOutcome Converse(UINT type, LPCSTR service, LPCSTR topic, LPCSTR item, LONG length, const BYTE* data) {
    win::DdeClientConversation conv;
    // A missing name gives no conversation, as one too long for an atom does: an empty one would ask anyone.
    const win::DdeOutcome connected =
        service && topic ? conv.Connect(service, topic, kTimeoutMs) : win::DdeOutcome::NoServer;
    if (connected != win::DdeOutcome::Answered) {
        // No conversation: the world client is not there, or does not answer even that.
        if (connected != win::DdeOutcome::Cancelled)
            ReportAck("-1");
        return connected;
    }
    if (!item || (type == XTYP_POKE && (length < 0 || (length > 0 && !data)))) {
        conv.Disconnect(kHangUpWaitMs);
        return win::DdeOutcome::Refused;  // no such item can be asked for: lost like a refused request
    }
    win::DdeOutcome outcome;
    if (type == XTYP_POKE) {
        outcome = conv.Poke(item, data, static_cast<size_t>(length), kTimeoutMs);
    } else {
        std::string reply;
        outcome = conv.Request(item, kTimeoutMs, &reply);
        if (outcome == win::DdeOutcome::Answered && gProcessGetAllTextData)
            gProcessGetAllTextData(NewString(linklib::TextOfBlock(
                reinterpret_cast<const unsigned char*>(reply.data()), reply.size())));
    }
    conv.Disconnect(kHangUpWaitMs);
    return outcome;
}

// After each request, while the caller's own reference holds the library: the conversation window's class is
// unregistered (it fails harmlessly while an enclosing request's window lives), and the reference kept while
// initiates were out is given back once they have all been taken. Nothing of the client is then left for an
// unload to end.
void AfterRequest() {
    win::ReleaseDdeClientModule();
}

// Pokes a record built by `build`; a record that cannot be built (nullopt) is dropped silently.
template <typename Build>
void Poke(const char* topic, Build build) {
    DWORD error = ZMVORQ_ERROR_DROPPED;
    try {
        if (std::optional<linklib::Block> block = build())
            error = LastErrorOf(
                Converse(XTYP_POKE, kService, topic, topic, static_cast<LONG>(block->size()), block->data()));
    } catch (...) {
        // Out of memory while building the record: dropped like a bad argument.
    }
    AfterRequest();
    SetLastError(error);
}

}  // namespace

extern "C" {

LONG WINAPI InitDDE(LPCSTR name,
                    ProcessAckDataProc ackProc,
                    ProcessReceiveDataProc receiveProc,
                    ProcessGetAllTextDataProc allTextProc) {
    const char* missing = !ackProc       ? "ProcessAckData function missing"
                          : !receiveProc ? "ProcessReceiveData function missing"
                          : !allTextProc ? "ProcessGetAllTextData function missing"
                                         : nullptr;
    if (missing) {
        MessageBoxA(nullptr, missing, "Init Failure", MB_OK);
        return -1;
    }
    if (!name)
        return -1;
    // A second start without a stop would leave the first instance and its registered name behind.
    if (gInstance)
        KillDDE();
    DWORD instance = 0;
    if (DdeInitializeA(&instance, DdeCallback, APPCMD_FILTERINITS, 0) != DMLERR_NO_ERROR)
        return -1;
    gInstance = instance;
    if (!gInstanceHold)
        GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCSTR>(&DdeCallback),
                           &gInstanceHold);
    linklib::CopyRegisteredName(name, gRegisteredName);
    HSZ hszName = DdeCreateStringHandleA(gInstance, name, CP_WINANSI);
    if (!hszName)
        return -1;
    DdeNameService(gInstance, hszName, nullptr, DNS_REGISTER);
    DdeFreeStringHandle(gInstance, hszName);
    gProcessAckData = ackProc;
    gProcessReceiveData = receiveProc;
    gProcessGetAllTextData = allTextProc;
    return 0;
}

LONG WINAPI KillDDE(void) {
    HSZ hszName = DdeCreateStringHandleA(gInstance, gRegisteredName, CP_WINANSI);
    if (hszName) {
        DdeNameService(gInstance, hszName, nullptr, DNS_UNREGISTER);
        DdeFreeStringHandle(gInstance, hszName);
    }
    const BOOL ended = gInstance && DdeUninitialize(gInstance);
    gInstance = 0;
    gHandleAhead.reset();
    gProcessAckData = nullptr;
    gProcessReceiveData = nullptr;
    gProcessGetAllTextData = nullptr;
    win::ReleaseDdeClientModule();
    // The instance's windows are gone: the reference InitDDE took is given back. The caller holds one of its own
    // while it calls us, so this never unloads the code that runs here. An instance that did not end (KillDDE called
    // on another thread than InitDDE, whose windows it cannot destroy) keeps its reference: the library stays
    // loaded for good.
    const HMODULE hold = std::exchange(gInstanceHold, nullptr);
    if (ended && hold)
        FreeLibrary(hold);
    return ended ? 1 : 0;
}

// Nothing happens here. The loader calls DllMain under its lock, where user32 and DDEML must not be called, and
// on the thread that unloads the library, which may not be the one whose windows would have to go. Neither is
// needed: while a DDE instance lives, or a window has not yet taken one of our WM_DDE_INITIATEs, the library holds
// a reference to itself and cannot be unloaded; every request leaves nothing else behind (AfterRequest).
BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) {
    return TRUE;
}

LONG WINAPI DDECommand(UINT type, LPCSTR service, LPCSTR topic, LPCSTR item, LONG length, const BYTE* data) {
    DWORD error = ZMVORQ_ERROR_REFUSED;
    try {
        error = LastErrorOf(Converse(type, service, topic, item, length, data));
    } catch (...) {
        // Out of memory, or a callback that threw: the request is lost like a timed-out one, and the
        // conversation has been let go of on the way out.
    }
    AfterRequest();
    SetLastError(error);
    return 0;
}

void WINAPI VorqRegister(LPCSTR name) {
    Poke("Zelmarink_Register", [&]() -> std::optional<linklib::Block> {
        if (!name)
            return std::nullopt;
        return linklib::BuildNameRecord(name);
    });
}

void WINAPI VorqUnregister(LPCSTR name) {
    Poke("Zelmarink_Unregister", [&]() -> std::optional<linklib::Block> {
        if (!name)
            return std::nullopt;
        return linklib::BuildNameRecord(name);
    });
}

void WINAPI VorqCommunicate(LPCSTR name, LONG mode, LPCSTR target, LPCSTR text) {
    Poke("Zelmarink_Communicate", [&] { return linklib::BuildCommunicateRecord(name, mode, target, text); });
}

void WINAPI VorqSend(LPCSTR name, LPCSTR target, LONG length, const BYTE* data) {
    Poke("Zelmarink_Send", [&] { return linklib::BuildSendRecord(name, target, length, data); });
}

void WINAPI VorqGetAllText(LPCSTR name) {
    if (name)
        DDECommand(XTYP_REQUEST, kService, "Zelmarink_GetAllText", name, 0, nullptr);
    else
        SetLastError(ZMVORQ_ERROR_DROPPED);
}

}  // extern "C"
