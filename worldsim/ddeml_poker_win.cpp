// ddeml_poker_win.cpp: pokes back through DDEML's own client (see ddeml_poker_win.h). Nothing of our own DDE code
// speaks here: DDEML finds the program (DdeConnect asks every top-level window in turn, without a time-out of its
// own), pokes and waits. Under Wine the calls are kept awake for a program that connects to the world meanwhile
// (common/dde_wake_win.h), and the window DdeConnect makes gets a handle every partner takes for it.
#include "worldsim/ddeml_poker_win.h"

#include "common/dde_handles_win.h"
#include "common/dde_wake_win.h"

namespace worldsim {

DdemlPoker::~DdemlPoker() {
    Stop();
}

bool DdemlPoker::Start() {
    if (DdeInitializeA(&instance_, Callback, APPCMD_CLIENTONLY, 0) != DMLERR_NO_ERROR) {
        instance_ = 0;
        return false;
    }
    return true;
}

void DdemlPoker::Stop() {
    if (instance_)
        DdeUninitialize(instance_);
    instance_ = 0;
}

// Disconnects and the like need no answer; nothing else reaches a client-only instance.
HDDEDATA CALLBACK DdemlPoker::Callback(UINT, UINT, HCONV, HSZ, HSZ, HDDEDATA, ULONG_PTR, ULONG_PTR) {
    return nullptr;
}

// One conversation per poke, as the programs speak to the world. A refused or unanswered poke is not repeated.
bool DdemlPoker::Poke(const std::string& service, const std::string& topic, const std::string& block,
                      DWORD timeoutMs) {
    if (!instance_ || service.empty())
        return false;
    HSZ hszService = DdeCreateStringHandleA(instance_, service.c_str(), CP_WINANSI);
    HSZ hszTopic = DdeCreateStringHandleA(instance_, topic.c_str(), CP_WINANSI);
    bool accepted = false;
    if (hszService && hszTopic) {
        win::DdeCallGuard guard;
        HCONV conv = nullptr;
        {
            win::HandleAhead handleAhead;
            conv = DdeConnect(instance_, hszService, hszTopic, nullptr);
        }
        if (conv) {
            DWORD result = 0;
            accepted = DdeClientTransaction(reinterpret_cast<LPBYTE>(const_cast<char*>(block.data())),
                                            static_cast<DWORD>(block.size()), conv, hszTopic, CF_TEXT, XTYP_POKE,
                                            timeoutMs, &result) != nullptr;
            DdeDisconnect(conv);
        }
    }
    if (hszService)
        DdeFreeStringHandle(instance_, hszService);
    if (hszTopic)
        DdeFreeStringHandle(instance_, hszTopic);
    return accepted;
}

}  // namespace worldsim
