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
    for (const auto& [key, link] : links_)
        Close(link);
    links_.clear();
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
// failed poke is retried once on a new conversation, unless the program did answer (it refused the poke, or
// is still busy with it): a repeated acknowledgement would be a fault of its own.
bool DdeServer::Poke(const std::string& service, const std::string& topic, const std::string& block) {
    if (!instance_ || service.empty())
        return false;  // an empty service name would connect to anyone offering the topic
    const auto key = std::make_pair(service, topic);
    for (int attempt = 0; attempt < 2; ++attempt) {
        auto it = links_.find(key);
        if (it != links_.end() && !Alive(it->second.conv)) {
            Close(it->second);
            links_.erase(it);
            it = links_.end();
        }
        if (it == links_.end()) {
            const Link opened = Open(service, topic);
            if (!opened.conv)
                return false;
            it = links_.emplace(key, opened).first;
        }
        const Link link = it->second;
        HSZ item = DdeCreateStringHandleA(link.instance, topic.c_str(), CP_WINANSI);
        DWORD result = 0;
        HDDEDATA done;
        {
            win::DdeCallGuard guard;
            done = DdeClientTransaction(reinterpret_cast<LPBYTE>(const_cast<char*>(block.data())),
                                        static_cast<DWORD>(block.size()), link.conv, item, CF_TEXT, XTYP_POKE,
                                        kPokeTimeoutMs, &result);
        }
        DdeFreeStringHandle(link.instance, item);
        // The status word of the program's answer says whether it took the poke: Wine's DDEML returns success
        // for a negative answer too and passes the answer's flags on in `result` only.
        if (done)
            return (result & DDE_FACK) != 0;
        const UINT error = DdeGetLastError(link.instance);
        if (error == DMLERR_POKEACKTIMEOUT || error == DMLERR_NOTPROCESSED || error == DMLERR_BUSY)
            return false;
        Close(link);
        links_.erase(key);
    }
    return false;
}

// In an instance of its own, so that the probe never reuses, nor is mistaken for, a conversation of links_.
bool DdeServer::Probe(const std::string& service, const std::string& topic) {
    DWORD instance = 0;
    if (DdeInitializeA(&instance, Callback, APPCMD_CLIENTONLY, 0) != DMLERR_NO_ERROR)
        return false;
    HSZ hszService = service.empty() ? nullptr : DdeCreateStringHandleA(instance, service.c_str(), CP_WINANSI);
    HSZ hszTopic = topic.empty() ? nullptr : DdeCreateStringHandleA(instance, topic.c_str(), CP_WINANSI);
    bool accepted = false;
    {
        win::DdeCallGuard guard;
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

bool DdeServer::Alive(HCONV conv) {
    CONVINFO info = {};
    info.cb = sizeof info;
    if (!DdeQueryConvInfo(conv, QID_SYNC, &info))
        return false;
    return (info.wStatus & ST_CONNECTED) && IsWindow(info.hwndPartner);
}

DdeServer::Link DdeServer::Open(const std::string& service, const std::string& topic) {
    Link link;
    if (DdeInitializeA(&link.instance, Callback, APPCMD_CLIENTONLY, 0) != DMLERR_NO_ERROR)
        return {};
    HSZ hszService = DdeCreateStringHandleA(link.instance, service.c_str(), CP_WINANSI);
    HSZ hszTopic = DdeCreateStringHandleA(link.instance, topic.c_str(), CP_WINANSI);
    if (hszService && hszTopic) {
        win::DdeCallGuard guard;
        link.conv = DdeConnect(link.instance, hszService, hszTopic, nullptr);
    }
    if (hszService)
        DdeFreeStringHandle(link.instance, hszService);
    if (hszTopic)
        DdeFreeStringHandle(link.instance, hszTopic);
    if (!link.conv) {
        Close(link);
        return {};
    }
    return link;
}

void DdeServer::Close(const Link& link) {
    win::DdeCallGuard guard;
    if (link.conv && Alive(link.conv))
        DdeDisconnect(link.conv);
    if (link.instance)
        DdeUninitialize(link.instance);
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
    default:
        return nullptr;
    }
}

}  // namespace worldsim
