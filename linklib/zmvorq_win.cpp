// zmvorq_win.cpp: the DDEML side of the link library: start and stop, one conversation per request, and the
// DDE server callback that takes the world client's acknowledgements and receive records.
//
// The record formats live in records.cpp; this file only moves bytes between DDEML and the caller's callbacks.
#include "linklib/zmvorq.h"

#include <ddeml.h>

#include <optional>
#include <string>
#include <vector>

#include "common/dde_wake_win.h"
#include "linklib/records.h"

namespace {

// One set per process: the library serves one caller at a time.
DWORD gInstance = 0;
char gRegisteredName[linklib::kRegisteredNameSize] = {};
ProcessAckDataProc gProcessAckData = nullptr;
ProcessReceiveDataProc gProcessReceiveData = nullptr;
ProcessGetAllTextDataProc gProcessGetAllTextData = nullptr;

constexpr DWORD kTimeoutMs = 2000;
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
                return reinterpret_cast<HDDEDATA>(
                    linklib::IsRegisteredService(QueryString(hsz2).c_str(), gRegisteredName) ? 1 : 0);
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

// Owners of the handles of one DDECommand, so that an exception passing through it (out of memory, or thrown by
// a caller's callback) still disconnects and frees everything.
class StringHandle {
  public:
    explicit StringHandle(const char* text)
        : hsz_(text ? DdeCreateStringHandleA(gInstance, text, CP_WINANSI) : nullptr), instance_(gInstance) {}
    ~StringHandle() {
        if (hsz_)
            DdeFreeStringHandle(instance_, hsz_);
    }
    StringHandle(const StringHandle&) = delete;
    StringHandle& operator=(const StringHandle&) = delete;
    HSZ get() const { return hsz_; }

  private:
    HSZ hsz_;
    DWORD instance_;
};

class Conversation {
  public:
    explicit Conversation(HCONV conv) : conv_(conv) {}
    ~Conversation() {
        if (conv_) {
            win::DdeCallGuard wake;
            DdeDisconnect(conv_);
        }
    }
    Conversation(const Conversation&) = delete;
    Conversation& operator=(const Conversation&) = delete;
    HCONV get() const { return conv_; }

  private:
    HCONV conv_;
};

class DataHandle {
  public:
    explicit DataHandle(HDDEDATA data) : data_(data) {}
    ~DataHandle() {
        if (data_)
            DdeFreeDataHandle(data_);
    }
    DataHandle(const DataHandle&) = delete;
    DataHandle& operator=(const DataHandle&) = delete;
    HDDEDATA get() const { return data_; }
    // Handing the handle to a transaction gives it to DDEML, which frees it.
    HDDEDATA release() {
        HDDEDATA data = data_;
        data_ = nullptr;
        return data;
    }

  private:
    HDDEDATA data_;
};

// Connects to service and topic. A name with no string handle (too long for one, or null) gives no
// conversation: a 0 handle would ask every DDE server for any service or topic.
HCONV Connect(const StringHandle& service, const StringHandle& topic) {
    if (!service.get() || !topic.get())
        return nullptr;
    win::DdeCallGuard wake;
    return DdeConnect(gInstance, service.get(), topic.get(), nullptr);
}

// Pokes a record built by `build`; a record that cannot be built (nullopt) is dropped silently.
template <typename Build>
void Poke(const char* topic, Build build) {
    try {
        if (std::optional<linklib::Block> block = build())
            DDECommand(XTYP_POKE, kService, topic, topic, static_cast<LONG>(block->size()), block->data());
    } catch (...) {
        // Out of memory while building the record: dropped like a bad argument.
    }
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
    const BOOL ended = DdeUninitialize(gInstance);
    gInstance = 0;
    gProcessAckData = nullptr;
    gProcessReceiveData = nullptr;
    gProcessGetAllTextData = nullptr;
    return ended ? 1 : 0;
}

LONG WINAPI DDECommand(UINT type, LPCSTR service, LPCSTR topic, LPCSTR item, LONG length, const BYTE* data) {
    try {
        const StringHandle hszService(service);
        const StringHandle hszTopic(topic);
        const Conversation conv(Connect(hszService, hszTopic));
        if (!conv.get()) {
            ReportAck("-1");
            return 0;
        }
        const StringHandle hszItem(item);
        if (!hszItem.get())
            return 0;  // no such item can be asked for: lost like a refused request
        if (type == XTYP_POKE) {
            // The outcome is not examined: the world client's verdict arrives as an acknowledgement.
            DataHandle block(DdeCreateDataHandle(gInstance, const_cast<BYTE*>(data), static_cast<DWORD>(length), 0,
                                                 hszTopic.get(), CF_TEXT, 0));
            if (!block.get())
                return 0;
            win::DdeCallGuard wake;
            DdeClientTransaction(reinterpret_cast<LPBYTE>(block.release()), 0xFFFFFFFF, conv.get(), hszItem.get(),
                                 CF_TEXT, XTYP_POKE, kTimeoutMs, nullptr);
        } else {
            HDDEDATA replied = nullptr;
            {
                win::DdeCallGuard wake;
                replied = DdeClientTransaction(nullptr, 0, conv.get(), hszItem.get(), CF_TEXT, XTYP_REQUEST, kTimeoutMs,
                                               nullptr);
            }
            DataHandle reply(replied);
            if (reply.get()) {
                DWORD size = 0;
                const std::vector<unsigned char> bytes = CopyData(reply.get(), &size);
                DdeFreeDataHandle(reply.release());
                if (gProcessGetAllTextData)
                    gProcessGetAllTextData(NewString(linklib::TextOfBlock(bytes.data(), size)));
            }
        }
    } catch (...) {
        // Out of memory, or a callback that threw: the request is lost like a timed-out one, and the owners
        // above have let go of the conversation and the handles.
    }
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
}

}  // extern "C"
