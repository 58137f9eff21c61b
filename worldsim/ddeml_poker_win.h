// ddeml_poker_win.h: the world's pokes back to a registered program (acknowledgements, received data) through DDEML's
// own client, as a world client built on the platform's DDE library alone would make them (worldsim.exe --dde
// ddeml): for every poke, DdeConnect to the program's service, a synchronous XTYP_POKE and DdeDisconnect.
#pragma once

#include <windows.h>

#include <ddeml.h>

#include <string>

namespace worldsim {

class DdemlPoker {
public:
    DdemlPoker() = default;
    ~DdemlPoker();
    DdemlPoker(const DdemlPoker&) = delete;
    DdemlPoker& operator=(const DdemlPoker&) = delete;

    bool Start();  // a client-only DDEML instance of its own
    void Stop();
    // As DdeServer::Poke: true when the program accepted the poke.
    bool Poke(const std::string& service, const std::string& topic, const std::string& block, DWORD timeoutMs);

private:
    static HDDEDATA CALLBACK Callback(UINT, UINT, HCONV, HSZ, HSZ, HDDEDATA, ULONG_PTR, ULONG_PTR);

    DWORD instance_ = 0;
};

}  // namespace worldsim
