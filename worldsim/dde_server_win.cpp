// dde_server_win.cpp: DDEML glue of the world (see dde_server_win.h). The rules live in World; this file
// only turns DDEML transactions into bytes and back.
#include "worldsim/dde_server_win.h"

#include "common/dde_wake_win.h"
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

DdeServer::~DdeServer() {
    Stop();
}

bool DdeServer::Start() {
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
    if (!instance_)
        return;
    while (!conversations_.empty())
        Disconnect(conversations_.begin()->second);
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

// A failed poke on a kept conversation is retried once on a new one, unless the program did answer (it
// refused the poke, or is still busy with it): a repeated acknowledgement would be a fault of its own.
bool DdeServer::Poke(const std::string& service, const std::string& topic, const std::string& block) {
    if (!instance_ || service.empty())
        return false;  // an empty service name would connect to anyone offering the topic
    const auto key = std::make_pair(service, topic);
    for (int attempt = 0; attempt < 2; ++attempt) {
        HCONV conv = nullptr;
        if (auto it = conversations_.find(key); it != conversations_.end())
            conv = it->second;
        else if ((conv = Connect(service, topic)) != nullptr)
            conversations_[key] = conv;
        if (!conv)
            return false;
        HSZ item = DdeCreateStringHandleA(instance_, topic.c_str(), CP_WINANSI);
        DWORD result = 0;
        HDDEDATA done;
        {
            win::DdeCallGuard guard;
            done = DdeClientTransaction(reinterpret_cast<LPBYTE>(const_cast<char*>(block.data())),
                                        static_cast<DWORD>(block.size()), conv, item, CF_TEXT, XTYP_POKE,
                                        kPokeTimeoutMs, &result);
        }
        DdeFreeStringHandle(instance_, item);
        if (done)
            return true;
        const UINT error = DdeGetLastError(instance_);
        if (error == DMLERR_POKEACKTIMEOUT || error == DMLERR_NOTPROCESSED || error == DMLERR_BUSY)
            return false;
        if (conversations_.count(key) && conversations_[key] == conv)
            Disconnect(conv);
    }
    return false;
}

HCONV DdeServer::Connect(const std::string& service, const std::string& topic) {
    HSZ hszService = DdeCreateStringHandleA(instance_, service.c_str(), CP_WINANSI);
    HSZ hszTopic = DdeCreateStringHandleA(instance_, topic.c_str(), CP_WINANSI);
    HCONV conv = nullptr;
    if (hszService && hszTopic) {
        win::DdeCallGuard guard;
        conv = DdeConnect(instance_, hszService, hszTopic, nullptr);
    }
    if (hszService)
        DdeFreeStringHandle(instance_, hszService);
    if (hszTopic)
        DdeFreeStringHandle(instance_, hszTopic);
    return conv;
}

void DdeServer::Disconnect(HCONV conv) {
    Forget(conv);
    win::DdeCallGuard guard;
    DdeDisconnect(conv);
}

void DdeServer::Forget(HCONV conv) {
    for (auto it = conversations_.begin(); it != conversations_.end(); ++it) {
        if (it->second == conv) {
            conversations_.erase(it);
            return;
        }
    }
}

std::string DdeServer::Query(HSZ hsz) const {
    char buffer[256] = {};
    DdeQueryStringA(instance_, hsz, buffer, sizeof buffer, CP_WINANSI);
    return buffer;
}

HDDEDATA CALLBACK DdeServer::Callback(UINT type, UINT format, HCONV conv, HSZ hsz1, HSZ hsz2, HDDEDATA data,
                                      ULONG_PTR, ULONG_PTR) {
    if (!gServer)
        return nullptr;
    try {
        return gServer->OnCallback(type, format, conv, hsz1, hsz2, data);
    } catch (...) {
        return nullptr;  // nothing may unwind into DDEML
    }
}

HDDEDATA DdeServer::OnCallback(UINT type, UINT format, HCONV conv, HSZ hsz1, HSZ hsz2, HDDEDATA data) {
    switch (type) {
    case XTYP_CONNECT:  // hsz1 = topic, hsz2 = service
        if (DdeCmpStringHandles(hsz2, service_) != 0)
            return nullptr;
        return reinterpret_cast<HDDEDATA>(static_cast<ULONG_PTR>(handler_.OnConnect(Query(hsz1)) ? TRUE : FALSE));
    case XTYP_POKE: {  // hsz1 = topic, hsz2 = item
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
    case XTYP_DISCONNECT:  // a program ended a conversation we keep open for its acknowledgements
        Forget(conv);
        return nullptr;
    default:
        return nullptr;
    }
}

}  // namespace worldsim
