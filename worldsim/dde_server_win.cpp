// dde_server_win.cpp: DDEML glue of the world (see dde_server_win.h). The rules live in World; this file
// only turns DDEML transactions into bytes and back.
#include "worldsim/dde_server_win.h"

#include "common/dde_handles_win.h"
#include "common/dde_wake_win.h"
#include "worldsim/ddeml_poker_win.h"
#include "worldsim/plain_server_win.h"
#include "worldsim/protocol.h"

#include <vector>

namespace worldsim {
namespace {

// DDEML callbacks carry no context pointer; the one server of the process is found through this.
DdeServer* gServer = nullptr;

// Long enough for a program that shows a message box from its acknowledgement callback and has it
// answered by a person or a test; short enough that a hung program does not stall the world for long.
constexpr DWORD kPokeTimeoutMs = 5000;

}  // namespace

DdeServer::DdeServer(DdeHandler& handler, DdeKind kind) : handler_(handler), kind_(kind) {}

DdeServer::~DdeServer() {
    Stop();
}

bool DdeServer::Start() {
    if (kind_ == DdeKind::Plain32 || kind_ == DdeKind::Borrowing) {
        // Its pokes back are our client's, whose initiates then go out widened like its server's answers.
        win::SendDdeAsA32BitProgram(true);
        plain_ = std::make_unique<PlainServer>(handler_, kind_ == DdeKind::Borrowing);
        return plain_->Start();
    }
    if (kind_ == DdeKind::Ddeml) {
        poker_ = std::make_unique<DdemlPoker>();
        if (!poker_->Start())
            return false;
    }
    gServer = this;
    if (DdeInitializeA(&instance_, Callback, APPCMD_FILTERINITS, 0) != DMLERR_NO_ERROR) {
        instance_ = 0;
        return false;
    }
    service_ = DdeCreateStringHandleA(instance_, std::string(kService).c_str(), CP_WINANSI);
    if (!service_ || !DdeNameService(instance_, service_, nullptr, DNS_REGISTER)) {
        Stop();
        return false;
    }
    return true;
}

void DdeServer::Stop() {
    for (const auto& [key, link] : links_)
        link->Disconnect(0);
    links_.clear();
    if (plain_)
        plain_->Stop();
    if (poker_)
        poker_->Stop();
    if (!instance_)
        return;
    if (service_) {
        DdeNameService(instance_, service_, nullptr, DNS_UNREGISTER);
        DdeFreeStringHandle(instance_, service_);
        service_ = nullptr;
    }
    DdeUninitialize(instance_);
    instance_ = 0;
    if (gServer == this)
        gServer = nullptr;
}

// A conversation found dead (the program ended or restarted its DDE instance) is replaced by a new one. A
// failed poke is retried once on a new conversation, unless the program did answer (it refused the poke) or did
// not answer in time (it is still busy with it): a repeated acknowledgement would be a fault of its own.
bool DdeServer::Poke(const std::string& service, const std::string& topic, const std::string& block) {
    if (service.empty())
        return false;  // an empty service name would connect to anyone offering the topic
    if (poker_)
        return poker_->Poke(service, topic, block, kPokeTimeoutMs);
    const auto key = std::make_pair(service, topic);
    for (int attempt = 0; attempt < 2; ++attempt) {
        auto it = links_.find(key);
        if (it != links_.end() && !it->second->Connected()) {
            it->second->Disconnect(0);
            links_.erase(it);
            it = links_.end();
        }
        if (it == links_.end()) {
            Link opened = Open(service, topic);
            if (!opened && attempt == 0) {
                // A program that was inside its own DDE call may turn one connect down: it is asked once more,
                // a tenth of a second later, the world's messages handled meanwhile.
                const ULONGLONG until = GetTickCount64() + 100;
                for (ULONGLONG now; (now = GetTickCount64()) < until;) {
                    MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(until - now), QS_ALLINPUT);
                    MSG msg;
                    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE | PM_QS_POSTMESSAGE | PM_QS_SENDMESSAGE))
                        DispatchMessageA(&msg);
                }
                continue;
            }
            if (!opened)
                return false;
            it = links_.emplace(key, std::move(opened)).first;
        }
        const Link link = it->second;
        const win::DdeOutcome outcome = link->Poke(topic, block.data(), block.size(), kPokeTimeoutMs);
        if (outcome == win::DdeOutcome::Answered)
            return true;
        if (outcome != win::DdeOutcome::NoServer)
            return false;
        link->Disconnect(0);
        links_.erase(key);
    }
    return false;
}

// Wildcards (an empty name) need DDEML's own connect, in an instance of its own so that the probe never reuses,
// nor is mistaken for, a conversation of links_; named probes are spoken like the pokes.
bool DdeServer::Probe(const std::string& service, const std::string& topic) {
    if (!service.empty() && !topic.empty()) {
        win::DdeClientConversation conv;
        const bool accepted = conv.Connect(service, topic, kPokeTimeoutMs) == win::DdeOutcome::Answered;
        conv.Disconnect(500);
        return accepted;
    }
    DWORD instance = 0;
    if (DdeInitializeA(&instance, Callback, APPCMD_CLIENTONLY, 0) != DMLERR_NO_ERROR)
        return false;
    HSZ hszService = service.empty() ? nullptr : DdeCreateStringHandleA(instance, service.c_str(), CP_WINANSI);
    HSZ hszTopic = topic.empty() ? nullptr : DdeCreateStringHandleA(instance, topic.c_str(), CP_WINANSI);
    bool accepted = false;
    {
        win::DdeCallGuard guard;
        win::HandleAhead handleAhead;
        if (HCONV conv = DdeConnect(instance, hszService, hszTopic, nullptr)) {
            accepted = true;
            DdeDisconnect(conv);
        }
    }
    if (hszService)
        DdeFreeStringHandle(instance, hszService);
    if (hszTopic)
        DdeFreeStringHandle(instance, hszTopic);
    DdeUninitialize(instance);
    return accepted;
}

DdeServer::Link DdeServer::Open(const std::string& service, const std::string& topic) {
    auto link = std::make_shared<win::DdeClientConversation>();
    if (link->Connect(service, topic, kPokeTimeoutMs) != win::DdeOutcome::Answered)
        return nullptr;
    return link;
}

std::string DdeServer::Query(HSZ hsz) const {
    char buffer[256] = {};
    DdeQueryStringA(instance_, hsz, buffer, sizeof buffer, CP_WINANSI);
    return buffer;
}

HDDEDATA CALLBACK DdeServer::Callback(UINT type, UINT format, HCONV, HSZ hsz1, HSZ hsz2, HDDEDATA data,
                                      ULONG_PTR, ULONG_PTR) {
    if (!gServer)
        return nullptr;
    try {
        return gServer->OnCallback(type, format, hsz1, hsz2, data);
    } catch (...) {
        return nullptr;  // nothing may unwind into DDEML
    }
}

HDDEDATA DdeServer::OnCallback(UINT type, UINT format, HSZ hsz1, HSZ hsz2, HDDEDATA data) {
    switch (type) {
    case XTYP_CONNECT: {  // hsz1 = topic, hsz2 = service
        handleAhead_.reset();
        if (DdeCmpStringHandles(hsz2, service_) != 0 || !handler_.OnConnect(Query(hsz1)))
            return nullptr;
        handleAhead_ = std::make_unique<win::HandleAhead>();
        return reinterpret_cast<HDDEDATA>(static_cast<ULONG_PTR>(TRUE));
    }
    case XTYP_CONNECT_CONFIRM:
        handleAhead_.reset();
        return nullptr;
    case XTYP_POKE:  // hsz1 = topic, hsz2 = item
    case XTYP_REQUEST:
        // A blocked transaction stays queued, unanswered, until the program hangs up.
        if (handler_.Holds(Query(hsz1)))
            return CBR_BLOCK;
        break;
    default:
        return nullptr;
    }
    switch (type) {
    case XTYP_POKE: {
        if (format != CF_TEXT)
            return reinterpret_cast<HDDEDATA>(DDE_FNOTPROCESSED);
        const DWORD size = DdeGetData(data, nullptr, 0, 0);
        std::string block(size, '\0');
        if (size)
            DdeGetData(data, reinterpret_cast<LPBYTE>(block.data()), size, 0);
        const bool handled = handler_.OnPoke(Query(hsz1), Query(hsz2), block);
        return reinterpret_cast<HDDEDATA>(handled ? DDE_FACK : DDE_FNOTPROCESSED);
    }
    case XTYP_REQUEST: {
        if (format != CF_TEXT)
            return nullptr;
        const std::optional<std::string> reply = handler_.OnRequest(Query(hsz1), Query(hsz2));
        if (!reply)
            return nullptr;
        std::vector<BYTE> bytes(reply->begin(), reply->end());
        bytes.push_back(0);
        return DdeCreateDataHandle(instance_, bytes.data(), static_cast<DWORD>(bytes.size()), 0, hsz2, CF_TEXT, 0);
    }
    default:
        return nullptr;
    }
}

}  // namespace worldsim
