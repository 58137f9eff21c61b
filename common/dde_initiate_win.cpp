// dde_initiate_win.cpp: how a conversation of the plain-message DDE client finds its server (see
// dde_client_win.h): which windows are asked, the initiates still out, the windows that are sitting on one, and the
// server threads remembered per service. Touches only the conversation's state (dde_client_state_win.h) and waits
// through the conversation's own pumped wait.
#include "common/dde_atoms_win.h"
#include "common/dde_client_state_win.h"

#include <dde.h>

#include <algorithm>
#include <cctype>
#include <map>
#include <utility>
#include <vector>

namespace win {
namespace {

using State = DdeClientConversation::State;

// The WM_DDE_INITIATEs still out, by initiate serial: a window may read its message long after the connect gave
// up, so each initiate keeps a reference of its own to the two atoms until every window it was sent to has taken
// it. While any is out, the system will call InitiateDelivered, code of this module: the module keeps a reference
// to itself, given back (ReleaseInitiateModuleReference) only from a call into the module made while its caller
// holds one of its own, never from InitiateDelivered itself, whose code would go with it. A window that never takes
// its message (a hung program) keeps the module loaded until the process ends.
struct SentInitiate {
    ATOM service = 0;
    ATOM topic = 0;
    int out = 0;
};
std::map<unsigned, SentInitiate>& Sent() {
    static std::map<unsigned, SentInitiate> sent;
    return sent;
}
HMODULE gHeldModule = nullptr;

void HoldSent(unsigned serial, const std::string& service, const std::string& topic) {
    SentInitiate& sent = Sent()[serial];
    if (sent.out++ == 0) {
        sent.service = AddInitiateAtom(service);
        sent.topic = AddInitiateAtom(topic);
        RememberInitiate(sent.service, sent.topic);
    }
}

// Once a connect ends with initiates still out. The module is a DLL when its handle is not the program's own.
void HoldModuleWhileSent() {
    HMODULE module = nullptr;
    if (!gHeldModule && !Sent().empty() &&
        GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                           reinterpret_cast<LPCSTR>(&Sent), &module) &&
        module != GetModuleHandleA(nullptr))
        GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCSTR>(&Sent), &gHeldModule);
}

void ReleaseSent(unsigned serial) {
    const auto found = Sent().find(serial);
    if (found == Sent().end() || --found->second.out > 0)
        return;
    DeleteInitiateAtom(found->second.service);
    DeleteInitiateAtom(found->second.topic);
    Sent().erase(found);
}

std::string Folded(const std::string& name) {
    std::string folded = name;
    std::transform(folded.begin(), folded.end(), folded.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return folded;
}

// The thread whose server answered the last connect to a service (DDE names ignore case).
std::map<std::string, DWORD>& ServerThreads() {
    static std::map<std::string, DWORD> threads;
    return threads;
}

// Initiates that are still out, by serial number; a completion for a serial no longer listed is ignored.
std::map<unsigned, int>& Outstanding() {
    static std::map<unsigned, int> outstanding;
    return outstanding;
}

// Windows that have not yet taken a WM_DDE_INITIATE sent to them (their thread hangs, or reads its messages late),
// with how many are waiting there. Sending another one would only queue behind the first.
std::map<HWND, int>& Unanswered() {
    static std::map<HWND, int> unanswered;
    return unanswered;
}

// Windows an initiate could not be sent to yet (they sit on an earlier one), by the serial of the initiate.
std::map<unsigned, std::vector<HWND>>& Deferred() {
    static std::map<unsigned, std::vector<HWND>> deferred;
    return deferred;
}

VOID CALLBACK InitiateDelivered(HWND target, UINT, ULONG_PTR serial, LRESULT) {
    ReleaseSent(static_cast<unsigned>(serial));
    const auto found = Outstanding().find(static_cast<unsigned>(serial));
    if (found != Outstanding().end())
        --found->second;
    const auto waiting = Unanswered().find(target);
    if (waiting != Unanswered().end() && --waiting->second <= 0)
        Unanswered().erase(waiting);
}

std::vector<HWND> TopLevelWindows(DWORD thread) {
    std::vector<HWND> windows;
    const WNDENUMPROC collect = [](HWND hwnd, LPARAM lParam) WINAPI -> BOOL {
        reinterpret_cast<std::vector<HWND>*>(lParam)->push_back(hwnd);
        return TRUE;
    };
    if (thread)
        EnumThreadWindows(thread, collect, reinterpret_cast<LPARAM>(&windows));
    else
        EnumWindows(collect, reinterpret_cast<LPARAM>(&windows));
    return windows;
}

}  // namespace

bool IsInitiateAnswer(ATOM service, ATOM topic) {
    if (!service || !topic)
        return false;
    for (const auto& [serial, sent] : Sent())
        if (sent.out > 0 && sent.service == service && sent.topic == topic)
            return true;
    return WasInitiatedWith(service, topic);
}

void ReleaseInitiateModuleReference() {
    if (gHeldModule && Sent().empty()) {
        const HMODULE module = gHeldModule;
        gHeldModule = nullptr;
        FreeLibrary(module);  // our caller holds a reference of its own while it calls us
    }
}

DdeOutcome DdeClientConversation::Connect(const std::string& service, const std::string& topic, DWORD timeoutMs) {
    Disconnect(0);
    ReleaseInitiateModuleReference();
    State& s = *state_;
    State fresh;
    fresh.client = s.client;
    fresh.abandonedPoke = s.abandonedPoke;
    fresh.abandonedTo = s.abandonedTo;
    s = std::move(fresh);
    if (service.empty() || topic.empty())
        return DdeOutcome::NoServer;
    // The atoms of the names: references of ours for the connect's own time, deleted when it ends.
    const ATOM aService = AddInitiateAtom(service);
    const ATOM aTopic = AddInitiateAtom(topic);
    struct Release {
        ATOM service, topic;
        ~Release() {
            DeleteInitiateAtom(service);
            DeleteInitiateAtom(topic);
        }
    } release{aService, aTopic};
    if (!aService || !aTopic)
        return DdeOutcome::NoServer;
    if (!s.client && !(s.client = CreateClientWindow(state_)))
        return DdeOutcome::NoServer;

    for (auto it = Unanswered().begin(); it != Unanswered().end();)
        it = IsWindow(it->first) ? std::next(it) : Unanswered().erase(it);  // gone with its thread
    static unsigned serial = 0;
    // Asks the windows at once and waits for a server, for every window to have answered, or the deadline. A
    // window still sitting on an earlier initiate (of an outer connect whose wait this one runs in, or of one given
    // up) is asked as soon as it has taken that one: another initiate now would only queue behind the first. A
    // window that has not answered by the deadline may be the server, busy: the outcome is then NoAnswer, never
    // NoServer, which needs every window asked to have answered without a server.
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    const auto initiate = [&](const std::vector<HWND>& targets) {
        const unsigned mine = ++serial;
        Outstanding()[mine] = 0;
        std::vector<HWND>& deferred = Deferred()[mine];
        const auto ask = [&](HWND target) {
            ++Outstanding()[mine];
            ++Unanswered()[target];
            HoldSent(mine, service, topic);
            if (!SendMessageCallbackA(target, WM_DDE_INITIATE, reinterpret_cast<WPARAM>(s.client),
                                      TwoWords(aService, aTopic), InitiateDelivered, mine)) {
                --Outstanding()[mine];
                if (--Unanswered()[target] <= 0)
                    Unanswered().erase(target);
                ReleaseSent(mine);
            }
        };
        for (HWND target : targets) {
            if (target == s.client || s.server)
                continue;
            if (Unanswered().count(target))
                deferred.push_back(target);
            else
                ask(target);
        }
        s.initiateSerial = mine;
        DdeOutcome outcome = DdeOutcome::NoServer;
        for (;;) {
            const ULONGLONG now = GetTickCount64();
            const DdeOutcome waited = WaitFor(
                [](const State& st) {
                    if (st.server)
                        return true;
                    const auto left = Outstanding().find(st.initiateSerial);
                    const auto later = Deferred().find(st.initiateSerial);
                    const bool waiting = left != Outstanding().end() && left->second > 0;
                    if (later == Deferred().end())
                        return !waiting;
                    for (HWND w : later->second)
                        if (!Unanswered().count(w) || !IsWindow(w))
                            return true;  // free now: asked next
                    return !waiting && later->second.empty();
                },
                static_cast<DWORD>(deadline > now ? deadline - now : 0));
            if (s.server) {
                outcome = DdeOutcome::Answered;
                break;
            }
            if (waited != DdeOutcome::Answered) {
                outcome = waited;
                break;
            }
            std::vector<HWND> stillBusy;
            for (HWND w : std::exchange(deferred, {})) {
                if (!IsWindow(w))
                    continue;
                if (Unanswered().count(w))
                    stillBusy.push_back(w);
                else
                    ask(w);
            }
            deferred = std::move(stillBusy);
            const auto left = Outstanding().find(mine);
            if (deferred.empty() && (left == Outstanding().end() || left->second <= 0))
                break;  // every window asked has answered, none for this name
        }
        Outstanding().erase(mine);
        Deferred().erase(mine);
        return outcome;
    };

    s.initiating = true;
    DdeOutcome outcome = DdeOutcome::NoServer;
    const std::string key = Folded(service);
    const auto remembered = ServerThreads().find(key);
    bool askEveryone = true;
    if (remembered != ServerThreads().end()) {
        const std::vector<HWND> windows = TopLevelWindows(remembered->second);
        if (!windows.empty()) {
            outcome = initiate(windows);
            // The server's thread did not answer in time: it is busy or hung, and asking everyone would only
            // find the same server later. A thread that answered without a server no longer has one; everyone
            // is then asked in what is left of the time.
            askEveryone = outcome == DdeOutcome::NoServer;
        }
    }
    if (askEveryone)
        outcome = initiate(TopLevelWindows(0));
    s.initiating = false;
    HoldModuleWhileSent();
    if (outcome == DdeOutcome::Answered) {
        ServerThreads()[key] = GetWindowThreadProcessId(s.server, nullptr);
    } else if (outcome == DdeOutcome::NoServer) {
        ServerThreads().erase(key);
    }
    return outcome;
}

}  // namespace win
