// other_world_win.cpp: finding a world client that already runs, before worldsim.exe takes its names.
#include "worldsim/other_world_win.h"

#include <windows.h>

#include "worldsim/dde_server_win.h"
#include "worldsim/protocol.h"

namespace worldsim {
namespace {

// A client-only DDE instance asks for a conversation on the register topic, which every world client serves;
// nothing is sent in it.
bool DdeServiceAnswers() {
    return DdeServer::Probe(std::string(kService), std::string(kTopicRegister));
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
