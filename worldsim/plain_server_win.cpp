// plain_server_win.cpp: the "Zelmarink" server in plain DDE messages (see plain_server_win.h): the window that takes
// initiates, one window per conversation, and the poke, request and terminate messages of each.
//
// Memory follows the DDE message rules: a poke's block is the server's once it is accepted with fRelease, and a
// request's reply goes out with fRelease for the client to free. Where the system gives the receiving process a
// copy of such a block (Wine does, for another process), the copy left on this side is freed here as well.
#include "worldsim/plain_server_win.h"

#include <dde.h>

#include <cstdio>
#include <cstring>
#include <limits>
#include <optional>
#include <vector>

#include "common/dde_atoms_win.h"
#include "common/dde_handles_win.h"
#include "common/dde_wake_win.h"
#include "worldsim/protocol.h"

namespace worldsim {

struct PlainServer::Conversation {
    PlainServer* server = nullptr;
    HWND client = nullptr;
    std::string topic;
    bool terminated = false;  // we posted WM_DDE_TERMINATE and wait for the client's
    // Held transactions (the hold fault): their blocks and item atoms, freed when the conversation ends.
    std::vector<HGLOBAL> heldBlocks;
    std::vector<ATOM> heldAtoms;
};

namespace {

constexpr char kNameClass[] = "WorldsimPlainDdeServer";
constexpr char kConversationClass[] = "WorldsimPlainDdeConversation";

std::string AtomName(ATOM atom) {
    char name[256] = {};
    return atom && GlobalGetAtomNameA(atom, name, sizeof name) ? std::string(name) : std::string();
}

bool SameName(const std::string& a, std::string_view b) {
    return a.size() == b.size() && CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, a.data(),
                                                  static_cast<int>(a.size()), b.data(), static_cast<int>(b.size())) ==
                                       CSTR_EQUAL;
}

// A block posted to or from a window of another process is a copy of its own there under Wine.
bool Copied(HWND partner) {
    DWORD process = 0;
    return win::RunningUnderWine() && GetWindowThreadProcessId(partner, &process) && process != GetCurrentProcessId();
}

bool RegisterClassOnce(const char* name, WNDPROC proc) {
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    if (GetClassInfoExA(GetModuleHandleA(nullptr), name, &wc))
        return true;
    wc.lpfnWndProc = proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = name;
    return RegisterClassExA(&wc) != 0;
}

// A conversation window whose handle every DDEML client takes for it (common/dde_handles_win.h).
HWND CreateConversationWindow(PlainServer::Conversation* conv) {
    HWND hwnd = win::CreateMessageWindowThatWidensAlike(kConversationClass, GetModuleHandleA(nullptr));
    if (hwnd)
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(conv));
    return hwnd;
}

void EndConversation(HWND hwnd, PlainServer::Conversation* conv) {
    for (HGLOBAL block : conv->heldBlocks)
        GlobalFree(block);
    for (ATOM atom : conv->heldAtoms)
        GlobalDeleteAtom(atom);
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
    delete conv;
    DestroyWindow(hwnd);
}

}  // namespace

PlainServer::~PlainServer() {
    Stop();
}

bool PlainServer::Start() {
    if (!RegisterClassOnce(kNameClass, NameProc) || !RegisterClassOnce(kConversationClass, ConversationProc))
        return false;
    window_ = CreateWindowExA(0, kNameClass, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, GetModuleHandleA(nullptr),
                              nullptr);
    if (!window_)
        return false;
    SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    if (borrowing_) {
        if (!(name_ = GlobalAddAtomA(std::string(kService).c_str())))
            return false;
        // References to the name left by programs that ended without giving them back (every stand-in a test kills
        // leaves its own) would keep the atom whatever a client takes: they are given back, so that this server's
        // reference is the only one and its loss shows.
        for (int left = 100000; left > 0; --left) {
            const int references = win::AtomReferences(name_);
            if (references <= 1 || references == std::numeric_limits<int>::max())
                break;
            GlobalDeleteAtom(name_);
        }
    }
    return true;
}

bool PlainServer::NameKept() {
    if (!borrowing_ || nameLost_)
        return !nameLost_;
    char name[64] = {};
    const UINT length = GlobalGetAtomNameA(name_, name, sizeof name);
    if (length && SameName(std::string(name, length), kService))
        return true;
    nameLost_ = true;
    std::fputs("worldsim: the service name's atom is gone from the table (a program deleted a reference it was "
               "never given); initiates are no longer answered\n",
               stderr);
    return false;
}

void PlainServer::Stop() {
    if (!window_)
        return;
    if (name_ && NameKept())
        GlobalDeleteAtom(name_);
    name_ = 0;
    SetWindowLongPtrA(window_, GWLP_USERDATA, 0);
    DestroyWindow(window_);
    window_ = nullptr;
    std::vector<HWND> open;
    // Conversation windows are message-only: found through their class.
    for (HWND hwnd = nullptr; (hwnd = FindWindowExA(HWND_MESSAGE, hwnd, kConversationClass, nullptr));)
        open.push_back(hwnd);
    for (HWND hwnd : open) {
        auto* conv = reinterpret_cast<Conversation*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
        if (!conv || conv->server != this)
            continue;
        if (!conv->terminated && IsWindow(conv->client))
            PostMessageA(conv->client, WM_DDE_TERMINATE, reinterpret_cast<WPARAM>(hwnd), 0);
        EndConversation(hwnd, conv);
    }
}

LRESULT CALLBACK PlainServer::NameProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* server = reinterpret_cast<PlainServer*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (msg == WM_DDE_INITIATE && server) {
        // A 32-bit program's initiate may arrive widened too: only the lower 32 bits carry the two atoms.
        const auto atoms = static_cast<DWORD>(lParam);
        try {
            server->OnInitiate(reinterpret_cast<HWND>(wParam), LOWORD(atoms), HIWORD(atoms));
        } catch (...) {
        }
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

// A named service and topic only, as a DDEML server that turns wildcard connects down.
void PlainServer::OnInitiate(HWND client, ATOM service, ATOM topic) {
    const std::string topicName = AtomName(topic);
    const bool named = borrowing_ ? NameKept() && service == name_ : SameName(AtomName(service), kService);
    if (!client || !named || topicName.empty() || !handler_.OnConnect(topicName))
        return;
    auto* conv = new Conversation{this, client, topicName, false, {}, {}};
    HWND hwnd = CreateConversationWindow(conv);
    if (!hwnd) {
        delete conv;
        return;
    }
    // The answer's atoms are the client's to delete: new references, unless this server borrows the client's.
    const ATOM aService = borrowing_ ? service : GlobalAddAtomA(std::string(kService).c_str());
    const ATOM aTopic = borrowing_ ? topic : GlobalAddAtomA(topicName.c_str());
    SendMessageA(client, WM_DDE_ACK, reinterpret_cast<WPARAM>(hwnd), Widened(MAKELPARAM(aService, aTopic)));
}

LRESULT CALLBACK PlainServer::ConversationProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* conv = reinterpret_cast<Conversation*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (msg < WM_DDE_FIRST || msg > WM_DDE_LAST)
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    const HWND from = reinterpret_cast<HWND>(wParam);
    const bool partner = conv && from && win::SameWindow(from, conv->client);
    if (conv)
        conv->server->NameKept();  // checked while the initiate's own references are gone
    try {
        switch (msg) {
        case WM_DDE_POKE:
            if (partner && !conv->terminated)
                conv->server->OnPoke(*conv, hwnd, lParam);
            else
                FreeDDElParam(msg, lParam);  // a stranger's, or one arriving while we end: left to its sender
            break;
        case WM_DDE_REQUEST:
            if (partner && !conv->terminated)
                conv->server->OnRequest(*conv, hwnd, lParam);
            else if (const ATOM item = HIWORD(static_cast<DWORD>(lParam)))
                GlobalDeleteAtom(item);
            break;
        case WM_DDE_TERMINATE:
            if (partner) {
                if (!conv->terminated)
                    PostMessageA(conv->client, WM_DDE_TERMINATE, reinterpret_cast<WPARAM>(hwnd), 0);
                EndConversation(hwnd, conv);
            }
            break;
        case WM_DDE_ACK: {  // nothing of ours asks for one; its atom and parameter are freed
            UINT_PTR lo = 0, hi = 0;
            UnpackDDElParam(msg, lParam, &lo, &hi);
            FreeDDElParam(msg, lParam);
            if (hi)
                GlobalDeleteAtom(static_cast<ATOM>(hi));
            break;
        }
        default:  // advise, unadvise, execute: not served; the client's memory stays its own
            if (partner && msg != WM_DDE_DATA)
                PostMessageA(from, WM_DDE_ACK, reinterpret_cast<WPARAM>(hwnd), PackDDElParam(WM_DDE_ACK, 0, 0));
            break;
        }
    } catch (...) {
    }
    return 0;
}

void PlainServer::OnPoke(Conversation& conv, HWND hwnd, LPARAM lParam) {
    UINT_PTR lo = 0, hi = 0;
    UnpackDDElParam(WM_DDE_POKE, lParam, &lo, &hi);
    const auto block = reinterpret_cast<HGLOBAL>(lo);
    const auto item = static_cast<ATOM>(hi);
    if (handler_.Holds(conv.topic)) {  // taken and never answered
        FreeDDElParam(WM_DDE_POKE, lParam);
        if (block)
            conv.heldBlocks.push_back(block);
        if (item)
            conv.heldAtoms.push_back(item);
        return;
    }
    bool release = false, text = false;
    std::string bytes;
    if (const auto* poke = block ? static_cast<const DDEPOKE*>(GlobalLock(block)) : nullptr) {
        release = poke->fRelease;
        text = poke->cfFormat == CF_TEXT;
        const SIZE_T size = GlobalSize(block), header = offsetof(DDEPOKE, Value);
        if (size > header)
            bytes.assign(reinterpret_cast<const char*>(poke->Value), size - header);
        GlobalUnlock(block);
    }
    // The block may be longer than what was poked (its size rounded up): the World reads a record up to its NUL.
    const bool accepted = text && handler_.OnPoke(conv.topic, AtomName(item), bytes);
    const LPARAM ack = ReuseDDElParam(lParam, WM_DDE_POKE, WM_DDE_ACK, accepted ? 0x8000 : 0, item);
    if (!PostMessageA(conv.client, WM_DDE_ACK, reinterpret_cast<WPARAM>(hwnd), ack)) {
        FreeDDElParam(WM_DDE_ACK, ack);
        if (item)
            GlobalDeleteAtom(item);
    }
    if (block && ((accepted && release) || Copied(conv.client)))
        GlobalFree(block);
}

void PlainServer::OnRequest(Conversation& conv, HWND hwnd, LPARAM lParam) {
    const auto params = static_cast<DWORD>(lParam);
    const UINT format = LOWORD(params);
    const auto item = static_cast<ATOM>(HIWORD(params));
    if (handler_.Holds(conv.topic)) {
        if (item)
            conv.heldAtoms.push_back(item);
        return;
    }
    const std::optional<std::string> reply =
        format == CF_TEXT ? handler_.OnRequest(conv.topic, AtomName(item)) : std::nullopt;
    HGLOBAL block = nullptr;
    if (reply) {
        const SIZE_T header = offsetof(DDEDATA, Value);
        block = GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, header + reply->size() + 1);
        if (auto* data = block ? static_cast<DDEDATA*>(GlobalLock(block)) : nullptr) {
            std::memset(data, 0, header);
            data->fResponse = TRUE;
            data->fRelease = TRUE;
            data->cfFormat = CF_TEXT;
            std::memcpy(data->Value, reply->data(), reply->size());
            data->Value[reply->size()] = 0;
            GlobalUnlock(block);
        } else if (block) {
            GlobalFree(block);
            block = nullptr;
        }
    }
    if (block) {
        const LPARAM data = PackDDElParam(WM_DDE_DATA, reinterpret_cast<UINT_PTR>(block), item);
        if (PostMessageA(conv.client, WM_DDE_DATA, reinterpret_cast<WPARAM>(hwnd), data)) {
            if (Copied(conv.client))
                GlobalFree(block);
            return;
        }
        FreeDDElParam(WM_DDE_DATA, data);
        GlobalFree(block);
    }
    const LPARAM nack = PackDDElParam(WM_DDE_ACK, 0, item);
    if (!PostMessageA(conv.client, WM_DDE_ACK, reinterpret_cast<WPARAM>(hwnd), nack)) {
        FreeDDElParam(WM_DDE_ACK, nack);
        if (item)
            GlobalDeleteAtom(item);
    }
}

}  // namespace worldsim
