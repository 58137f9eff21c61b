// other_world_win.cpp: finding a world client that already runs, before worldsim.exe takes its names.
#include "worldsim/other_world_win.h"

#include <windows.h>

#include <ddeml.h>

#include "common/dde_wake_win.h"
#include "worldsim/protocol.h"

namespace worldsim {
namespace {

HDDEDATA CALLBACK NoTransactions(UINT, UINT, HCONV, HSZ, HSZ, HDDEDATA, ULONG_PTR, ULONG_PTR) {
    return nullptr;
}

// A client-only DDE instance asks for a conversation on the register topic, which every world client serves;
// nothing is sent in it.
bool DdeServiceAnswers() {
    DWORD instance = 0;
    if (DdeInitializeA(&instance, NoTransactions, APPCMD_CLIENTONLY, 0) != DMLERR_NO_ERROR)
        return false;
    const std::string service(kService);
    const std::string topic(kTopicRegister);
    HSZ hszService = DdeCreateStringHandleA(instance, service.c_str(), CP_WINANSI);
    HSZ hszTopic = DdeCreateStringHandleA(instance, topic.c_str(), CP_WINANSI);
    bool answered = false;
    if (hszService && hszTopic) {
        win::DdeCallGuard guard;
        if (HCONV conv = DdeConnect(instance, hszService, hszTopic, nullptr)) {
            answered = true;
            DdeDisconnect(conv);
        }
    }
    if (hszService)
        DdeFreeStringHandle(instance, hszService);
    if (hszTopic)
        DdeFreeStringHandle(instance, hszTopic);
    DdeUninitialize(instance);
    return answered;
}

}  // namespace

std::string OtherWorldClient() {
    const std::string title(kWindowTitle);
    if (FindWindowA(nullptr, title.c_str()))
        return "a window titled \"" + title + "\" is open";
    if (DdeServiceAnswers())
        return "a program answers on the DDE service " + std::string(kService);
    return "";
}

std::string RefusalMessage(const std::string& found) {
    return "A world client is already running: " + found +
           ".\n\nworldsim.exe is only a stand-in for rehearsals and tests, and it uses the same window title and "
           "DDE service as the real world client. Close the other world client first, then start worldsim.exe "
           "again.";
}

}  // namespace worldsim
