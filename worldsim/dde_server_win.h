// dde_server_win.h: the world's DDEML instance: the "Zelmarink" server, and the client side that pokes
// acknowledgements and received data to registered programs.
#pragma once

#include <windows.h>

#include <ddeml.h>

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "common/dde_client_win.h"
#include "common/dde_handles_win.h"
#include "worldsim/options.h"

namespace worldsim {

// What the server asks of the world; called on the UI thread, inside the DDEML callback.
class DdeHandler {
public:
    virtual bool OnConnect(const std::string& topic) = 0;
    // True: the poke or request on this topic is held, never answered.
    virtual bool Holds(const std::string& topic) = 0;
    virtual bool OnPoke(const std::string& topic, const std::string& item, const std::string& block) = 0;
    virtual std::optional<std::string> OnRequest(const std::string& topic, const std::string& item) = 0;

protected:
    ~DdeHandler() = default;
};

class DdemlPoker;
class PlainServer;

// The "Zelmarink" server and the pokes back, spoken as `kind` says (options.h).
class DdeServer {
public:
    DdeServer(DdeHandler& handler, DdeKind kind);
    ~DdeServer();
    DdeServer(const DdeServer&) = delete;
    DdeServer& operator=(const DdeServer&) = delete;

    bool Start();
    void Stop();
    // Pokes `block` to `service` on `topic` (item = topic) over a conversation kept open for the next time.
    bool Poke(const std::string& service, const std::string& topic, const std::string& block);
    // Connects as a stranger would (empty service or topic: any) and hangs up; true when a server accepted.
    static bool Probe(const std::string& service, const std::string& topic);

private:
    // Outgoing conversations are spoken in plain DDE messages (common/dde_client_win.h), so that a hung program
    // on the desktop never holds the world while it looks for a program to acknowledge. Shared: a poke waiting on
    // one holds it should the conversation be replaced meanwhile.
    using Link = std::shared_ptr<win::DdeClientConversation>;

    static HDDEDATA CALLBACK Callback(UINT type, UINT format, HCONV conv, HSZ hsz1, HSZ hsz2, HDDEDATA data,
                                      ULONG_PTR, ULONG_PTR);
    HDDEDATA OnCallback(UINT type, UINT format, HSZ hsz1, HSZ hsz2, HDDEDATA data);
    std::string Query(HSZ hsz) const;
    static Link Open(const std::string& service, const std::string& topic);

    DdeHandler& handler_;
    const DdeKind kind_;
    std::unique_ptr<PlainServer> plain_;  // Plain32: serves instead of DDEML
    std::unique_ptr<DdemlPoker> poker_;   // Ddeml: pokes instead of our client
    DWORD instance_ = 0;
    HSZ service_ = nullptr;
    std::map<std::pair<std::string, std::string>, Link> links_;  // (service, topic) -> open conversation
    // From an accepted XTYP_CONNECT to its XTYP_CONNECT_CONFIRM: the conversation window DDEML makes in between
    // gets a handle that every DDEML client takes for it (common/dde_handles_win.h).
    std::unique_ptr<win::HandleAhead> handleAhead_;
};

}  // namespace worldsim
