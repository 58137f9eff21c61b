// zmvorq.dll against the stand-in world client, under Wine: the DLL is loaded by name as the programs load it,
// every record is checked byte for byte in the world's transcript, and the callbacks are checked for what
// came back.
#include <windows.h>

#include <dde.h>
#include <ddeml.h>
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "common/dde_atoms_win.h"
#include "common/dde_wake_win.h"

#include "linklib/tools/link_session_win.h"
#include "testing/world_harness_win.h"

namespace {

using testwin::LinkSession;
using testwin::WorldProcess;

std::string Bytes(const char* s, size_t n) {
    return std::string(s, n);
}

TEST(ZmvorqWine, RequestsReachTheWorldByteForByte) {
    WorldProcess world({"--me", "Marla"});
    ASSERT_TRUE(world.ok());
    ASSERT_TRUE(world.Control("avatar|Ann"));
    LinkSession link;
    ASSERT_EQ(link.Init("Tumbleroo"), 0);

    link.Register("Tumbleroo");
    ASSERT_TRUE(link.WaitForAcks(1));
    link.Communicate("Tumbleroo", 0, "", "hello");
    link.Communicate("Tumbleroo", 1, nullptr, "hmm");
    link.Communicate("Tumbleroo", 2, "Ann", "You are on the List.");
    link.Communicate("Tumbleroo", 2, "", "nobody");            // ESP without a target: refused by the world
    link.Communicate("Tumbleroo", 2, nullptr, "never");        // dropped by the library: no target argument
    link.Communicate("Tumbleroo", 1000000, nullptr, "never");  // mode too wide: dropped
    ASSERT_TRUE(link.WaitForAcks(5));

    EXPECT_EQ(world.Received("Zelmarink_Register"), std::vector<std::string>{Bytes("Tumbleroo\0", 10)});
    const std::vector<std::string> expected = {
        Bytes("Tumbleroo\f0\f\fhello\0\0\0\0\0\0", 24),
        Bytes("Tumbleroo\f1\f\fhmm\0\0\0\0\0\0", 22),
        Bytes("Tumbleroo\f2\fAnn\fYou are on the List.\0\0\0\0\0", 42),
        Bytes("Tumbleroo\f2\f\fnobody\0\0\0\0\0", 25),
    };
    EXPECT_EQ(world.Received("Zelmarink_Communicate"), expected);
    EXPECT_EQ(link.Acks(), (std::vector<std::string>{"0", "0", "0", "0", "12"}));

    link.GetAllText("Tumbleroo");
    ASSERT_EQ(link.AllTexts().size(), 1u);
    const std::string& chat = link.AllTexts()[0];
    EXPECT_NE(chat.find("Marla: hello\r\n"), std::string::npos) << chat;
    EXPECT_NE(chat.find("ESP to Ann: You are on the List.\r\n"), std::string::npos) << chat;
    // The request names the caller as its item and gets the world's whole chat text.
    const auto requests = world.Transcript("REQ");
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].fields[0], "Zelmarink_GetAllText");
    EXPECT_EQ(requests[0].fields[1], "Tumbleroo");
    EXPECT_EQ(requests[0].fields[3], chat);

    link.Unregister("Tumbleroo");
    ASSERT_TRUE(link.WaitForAcks(6));
    EXPECT_EQ(world.Received("Zelmarink_Unregister"), std::vector<std::string>{Bytes("Tumbleroo\0", 10)});
    EXPECT_EQ(link.Kill(), 1);
    EXPECT_TRUE(link.Receives().empty());
}

TEST(ZmvorqWine, RefusalCodesReachTheAckCallbackVerbatim) {
    WorldProcess world;
    ASSERT_TRUE(world.ok());
    LinkSession link;
    ASSERT_EQ(link.Init("Tumbleroo"), 0);
    link.Register("Tumbleroo");
    link.Register("Tumbleroo");  // already registered
    ASSERT_TRUE(world.Control("fault|ackcode|Zelmarink_Communicate| 5"));
    link.Communicate("Tumbleroo", 0, "", "x");
    ASSERT_TRUE(world.Control("fault|ackcode|Zelmarink_Communicate|off"));
    link.Communicate("Tumbleroo", 0, "", "");  // no text
    ASSERT_TRUE(link.WaitForAcks(4));
    EXPECT_EQ(link.Acks(), (std::vector<std::string>{"0", "9", " 5", "11"}));
    link.Kill();
}

TEST(ZmvorqWine, SendFromASecondProgramArrivesSplitInThree) {
    WorldProcess world({"--me", "Marla"});
    ASSERT_TRUE(world.ok());
    LinkSession link;
    ASSERT_EQ(link.Init("Tumbleroo"), 0);
    link.Register("Tumbleroo");
    ASSERT_TRUE(link.WaitForAcks(1));

    // A second program on the same machine sends five bytes, a form feed among them, to our own avatar.
    const int exitCode = testwin::RunLinkDemo({"--name", "Second", "register", "send:Marla:ab\\x0ccd", "unregister"});
    EXPECT_EQ(exitCode, 0);
    ASSERT_TRUE(link.WaitForReceives(1));
    const auto& r = link.Receives()[0];
    EXPECT_EQ(r.sender, "Marla");
    EXPECT_EQ(r.length, 5);
    EXPECT_EQ(r.data, "ab\fcd");
    EXPECT_EQ(world.Received("Zelmarink_Send"),
              std::vector<std::string>{Bytes("Second\fMarla\f5\fab\fcd\0\0\0\0\0\0", 26)});
    link.Kill();
}

TEST(ZmvorqWine, NoWorldClientGivesMinusOneAndNoText) {
    LinkSession link;
    ASSERT_EQ(link.Init("Tumbleroo"), 0);
    link.Register("Tumbleroo");
    link.GetAllText("Tumbleroo");
    EXPECT_EQ(link.Acks(), (std::vector<std::string>{"-1", "-1"}));
    EXPECT_TRUE(link.AllTexts().empty());
    link.Kill();

    // After KillDDE nobody is told.
    link.Register("Tumbleroo");
    EXPECT_EQ(link.Acks().size(), 2u);
}

TEST(ZmvorqWine, RefusedConnectionsAndSilentText) {
    WorldProcess world;
    ASSERT_TRUE(world.ok());
    LinkSession link;
    ASSERT_EQ(link.Init("Tumbleroo"), 0);
    ASSERT_TRUE(world.Control("fault|notext|on"));
    link.GetAllText("Tumbleroo");  // the request is refused: nothing is reported
    EXPECT_TRUE(link.AllTexts().empty());
    EXPECT_TRUE(link.Acks().empty());
    ASSERT_TRUE(world.Control("fault|refuse|all|on"));
    link.Communicate("Tumbleroo", 0, "", "hello");
    EXPECT_EQ(link.Acks(), std::vector<std::string>{"-1"});
    link.Kill();
}

TEST(ZmvorqWine, MissingCallbackShowsOneMessageBox) {
    struct Row {
        bool ack, receive, allText;
        const char* text;
    };
    const Row rows[] = {
        {false, false, true, "ProcessAckData function missing"},
        {true, false, true, "ProcessReceiveData function missing"},
        {true, true, false, "ProcessGetAllTextData function missing"},
        {false, false, false, "ProcessAckData function missing"},
    };
    for (const auto& r : rows) {
        testwin::MessageBoxWatcher watcher;
        LinkSession link;
        EXPECT_EQ(link.InitWith("Tumbleroo", r.ack, r.receive, r.allText), -1);
        ASSERT_TRUE(watcher.WaitForCount(1, 5000));
        testwin::PumpFor(200);
        const auto seen = watcher.Seen();
        ASSERT_EQ(seen.size(), 1u) << r.text;
        EXPECT_EQ(seen[0].caption, "Init Failure");
        EXPECT_EQ(seen[0].text, r.text);
    }
}

TEST(ZmvorqWine, NameLongerThan31CharactersIsRefusedOnConnectBack) {
    WorldProcess world;
    ASSERT_TRUE(world.ok());
    const std::string longName = "TumblerooWithAVeryLongTitleIndeed";  // 33 characters
    LinkSession link;
    ASSERT_EQ(link.Init(longName.c_str()), 0);
    link.Register(longName.c_str());
    // The world takes the registration but cannot deliver its acknowledgement: the cut name refuses it.
    ASSERT_TRUE(testwin::PumpUntil([&] { return !world.Transcript("ACK").empty(); }, 10000));
    const auto acks = world.Transcript("ACK");
    EXPECT_EQ(acks[0].fields[0], longName);
    EXPECT_EQ(acks[0].fields[1], "failed");
    EXPECT_TRUE(link.Acks().empty());
    EXPECT_EQ(world.Received("Zelmarink_Register"), std::vector<std::string>{longName + std::string(1, '\0')});
    link.Kill();
}

// A DDE server on a thread of its own, service "ZmSpy", topic "SpyTopic" only. It answers a wildcard connect
// (a 0 service or topic) with that pair, as a server that takes any client would, and counts what reaches it.
class SpyServer {
  public:
    SpyServer() {
        thread_ = std::thread([this] { Run(); });
        while (!ready_.load())
            Sleep(5);
    }
    ~SpyServer() {
        PostThreadMessageA(threadId_.load(), WM_QUIT, 0, 0);
        thread_.join();
    }
    std::atomic<int> connects{0}, disconnects{0}, pokes{0}, requests{0};

  private:
    static SpyServer* self_;
    static HDDEDATA CALLBACK Callback(UINT type, UINT, HCONV, HSZ hsz1, HSZ hsz2, HDDEDATA, ULONG_PTR, ULONG_PTR) {
        SpyServer& s = *self_;
        switch (type) {
            case XTYP_WILDCONNECT: {
                HSZPAIR pairs[2] = {{s.service_, s.topic_}, {nullptr, nullptr}};
                return DdeCreateDataHandle(s.instance_, reinterpret_cast<LPBYTE>(pairs), sizeof pairs, 0, nullptr,
                                           XTYP_WILDCONNECT, 0);
            }
            case XTYP_CONNECT:
                return reinterpret_cast<HDDEDATA>(DdeCmpStringHandles(hsz1, s.topic_) == 0 ? 1 : 0);
            case XTYP_CONNECT_CONFIRM:
                ++s.connects;
                return nullptr;
            case XTYP_DISCONNECT:
                ++s.disconnects;
                return nullptr;
            case XTYP_POKE:
                ++s.pokes;
                return reinterpret_cast<HDDEDATA>(DDE_FACK);
            case XTYP_REQUEST:
                ++s.requests;
                return DdeCreateDataHandle(s.instance_, reinterpret_cast<LPBYTE>(const_cast<char*>("spy text")), 9, 0,
                                           hsz2, CF_TEXT, 0);
        }
        return nullptr;
    }
    void Run() {
        self_ = this;
        threadId_ = GetCurrentThreadId();
        MSG msg;
        PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);  // the thread's queue, for the WM_QUIT
        DdeInitializeA(&instance_, Callback, APPCLASS_STANDARD, 0);
        service_ = DdeCreateStringHandleA(instance_, "ZmSpy", CP_WINANSI);
        topic_ = DdeCreateStringHandleA(instance_, "SpyTopic", CP_WINANSI);
        DdeNameService(instance_, service_, nullptr, DNS_REGISTER);
        ready_ = true;
        while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        DdeNameService(instance_, service_, nullptr, DNS_UNREGISTER);
        DdeFreeStringHandle(instance_, service_);
        DdeFreeStringHandle(instance_, topic_);
        DdeUninitialize(instance_);
    }

    std::thread thread_;
    std::atomic<bool> ready_{false};
    std::atomic<DWORD> threadId_{0};
    DWORD instance_ = 0;
    HSZ service_ = nullptr, topic_ = nullptr;
};
SpyServer* SpyServer::self_ = nullptr;

// A service or topic name for which no string handle can be made (longer than 255 characters) must not turn
// into a 0 handle, which would ask every DDE server on the machine for any service or topic.
TEST(ZmvorqWine, NamesWithoutAStringHandleReachNoServer) {
    SpyServer spy;
    LinkSession link;
    ASSERT_EQ(link.Init("WildTest"), 0);
    const std::string tooLong(300, 'T');
    struct Row {
        const char* what;
        const char* service;
        const char* topic;
        int pokes;  // reaching the spy
        std::vector<std::string> acks;
    };
    const Row rows[] = {
        {"the spy's own names (the spy works)", "ZmSpy", "SpyTopic", 1, {}},
        {"topic too long", "ZmSpy", tooLong.c_str(), 0, {"-1"}},
        {"service too long", tooLong.c_str(), "SpyTopic", 0, {"-1"}},
        {"both too long", tooLong.c_str(), tooLong.c_str(), 0, {"-1"}},
        {"null service", nullptr, "SpyTopic", 0, {"-1"}},
        {"null topic", "ZmSpy", nullptr, 0, {"-1"}},
    };
    for (const Row& r : rows) {
        link.ClearReports();
        const int before = spy.pokes.load();
        link.Command(XTYP_POKE, r.service, r.topic, "SpyItem", std::string("data", 5));
        testwin::PumpFor(100);
        EXPECT_EQ(spy.pokes.load() - before, r.pokes) << r.what;
        EXPECT_EQ(link.Acks(), r.acks) << r.what;
    }
    link.Kill();
}

// A callback that throws out of DDECommand: the conversation is still ended and the library goes on working.
LONG WINAPI IgnoreAck(BSTR s) {
    SysFreeString(s);
    return 0;
}
LONG WINAPI IgnoreReceive(BSTR a, LONG, BSTR b) {
    SysFreeString(a);
    SysFreeString(b);
    return 0;
}
std::atomic<int> gThrows{0};
LONG WINAPI ThrowingAllText(BSTR s) {
    SysFreeString(s);
    ++gThrows;
    throw std::runtime_error("the caller's callback failed");
}

TEST(ZmvorqWine, AnExceptionThroughDDECommandLeavesNoConversationOpen) {
#if defined(__i386__)
    // 32-bit builds unwind with DWARF tables, and each module (this program, the statically linked library)
    // registers its tables with its own copy of the unwinder: an exception thrown in a callback cannot pass the
    // library's frames and ends the process. There, callbacks must not throw.
    GTEST_SKIP() << "exceptions cannot cross the library's frames in a 32-bit build";
#endif
    SpyServer spy;
    HMODULE dll = LoadLibraryA("zmvorq.dll");
    ASSERT_NE(dll, nullptr);
    auto init = reinterpret_cast<decltype(&InitDDE)>(reinterpret_cast<void*>(GetProcAddress(dll, "InitDDE")));
    auto kill = reinterpret_cast<decltype(&KillDDE)>(reinterpret_cast<void*>(GetProcAddress(dll, "KillDDE")));
    auto command = reinterpret_cast<decltype(&DDECommand)>(reinterpret_cast<void*>(GetProcAddress(dll, "DDECommand")));
    ASSERT_TRUE(init && kill && command);
    ASSERT_EQ(init("ThrowTest", IgnoreAck, IgnoreReceive, ThrowingAllText), 0);
    for (int i = 0; i < 3; ++i)
        command(XTYP_REQUEST, "ZmSpy", "SpyTopic", "ThrowTestItem", 0, nullptr);
    EXPECT_EQ(gThrows.load(), 3);
    EXPECT_EQ(spy.requests.load(), 3);
    // Each conversation was ended by the library itself, before KillDDE.
    EXPECT_TRUE(testwin::PumpUntil([&] { return spy.disconnects.load() >= 3; }, 3000));
    EXPECT_EQ(spy.connects.load(), 3);
    EXPECT_EQ(spy.disconnects.load(), 3);
    kill();
    FreeLibrary(dll);
}

// The caller's own thread kept busy by a window of its own: a 10 ms timer whose handler takes 12 ms, or a paint
// never validated. Both stop after 10 s, so that a wait that cannot end beside them fails instead of hanging.
ULONGLONG gBusyUntil = 0;
LRESULT CALLBACK BusyCallerProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    const bool over = GetTickCount64() > gBusyUntil;
    if (msg == WM_TIMER) {
        Sleep(12);
        if (over)
            KillTimer(hwnd, wParam);
        return 0;
    }
    if (msg == WM_PAINT) {
        if (over)
            ValidateRect(hwnd, nullptr);
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

TEST(ZmvorqWine, RequestsEndInTimeWhateverTheCallersWindowsDo) {
    if (testwin::WorldKindOfThisRun().dde == "ddeml")
        GTEST_SKIP() << "a world client that looks for programs with DDEML's own connect is held by the hung window "
                        "itself (for more than 15 s an acknowledgement): what arrives then says nothing of our waits";
    WorldProcess world;
    ASSERT_TRUE(world.ok());
    testwin::UnansweringWindow hung(testwin::UnansweringWindow::Mode::Hung);
    LinkSession link;
    ASSERT_EQ(link.Init("Tumbleroo"), 0);
    WNDCLASSA wc{};
    wc.lpfnWndProc = BusyCallerProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "ZmvorqBusyCaller";
    RegisterClassA(&wc);
    const std::pair<const char*, bool> rows[] = {{"a 10 ms timer whose handler takes 12 ms", true},
                                                 {"a window that never validates its paint", false}};
    for (const auto& [what, timer] : rows) {
        const size_t before = world.Received("Zelmarink_Register").size();
        HWND busy = CreateWindowA(wc.lpszClassName, "busy caller", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 100,
                                  nullptr, nullptr, wc.hInstance, nullptr);
        ASSERT_NE(busy, nullptr);
        gBusyUntil = GetTickCount64() + 10000;
        timer ? (void)SetTimer(busy, 1, 10, nullptr) : (void)InvalidateRect(busy, nullptr, FALSE);
        const ULONGLONG t0 = GetTickCount64();
        link.Register("Tumbleroo");
        EXPECT_LT(GetTickCount64() - t0, 3000u) << what;
        DestroyWindow(busy);
        EXPECT_TRUE(testwin::PumpUntil([&] { return world.Received("Zelmarink_Register").size() > before; }, 5000))
            << what;
    }
    link.Kill();
}

LONG WINAPI IgnoreAllText(BSTR s) {
    SysFreeString(s);
    return 0;
}
LONG gAccessViolations = 0;
LONG CALLBACK CountAccessViolation(EXCEPTION_POINTERS* e) {
    if (e->ExceptionRecord->ExceptionCode == EXCEPTION_ACCESS_VIOLATION)
        ++gAccessViolations;
    return EXCEPTION_CONTINUE_SEARCH;
}

// A window that takes its WM_DDE_INITIATE late calls the library back; the world connects back with its ack. From
// InitDDE to KillDDE the library keeps itself loaded, whichever thread lets go of it: a caller that let go early
// loads it again to call KillDDE, and then it is gone (each reference it took given back once).
TEST(ZmvorqWine, NoCodeOfTheLibraryRunsOnceItIsUnloaded) {
    WorldProcess world;
    ASSERT_TRUE(world.ok());
    struct Row {
        const char* what;
        bool beside, kill, otherThread;
    };
    const Row rows[] = {
        {"KillDDE, FreeLibrary, beside a window that reads its messages every second", true, true, false},
        {"FreeLibrary without KillDDE beside that window: kept loaded", true, false, false},
        {"FreeLibrary without KillDDE, no such window: kept loaded", false, false, false},
        {"KillDDE, then FreeLibrary from a second thread: unloaded there", false, true, true},
        {"FreeLibrary from a second thread without KillDDE: kept loaded", false, false, true}};
    PVOID handler = AddVectoredExceptionHandler(1, CountAccessViolation);
    for (const Row& r : rows) {
        gAccessViolations = 0;
        {
            std::unique_ptr<testwin::UnansweringWindow> late;
            if (r.beside)
                late = std::make_unique<testwin::UnansweringWindow>(testwin::UnansweringWindow::Mode::Late, 1000);
            HMODULE dll = LoadLibraryA("zmvorq.dll");
            ASSERT_NE(dll, nullptr);
            auto bind = [dll](const char* name) { return reinterpret_cast<void*>(GetProcAddress(dll, name)); };
            auto init = reinterpret_cast<decltype(&InitDDE)>(bind("InitDDE"));
            auto kill = reinterpret_cast<decltype(&KillDDE)>(bind("KillDDE"));
            auto reg = reinterpret_cast<decltype(&VorqRegister)>(bind("VorqRegister"));
            ASSERT_TRUE(init && kill && reg);
            ASSERT_EQ(init("UnloadTest", IgnoreAck, IgnoreReceive, IgnoreAllText), 0);
            reg("UnloadTest");
            EXPECT_TRUE(!r.kill || kill() != 0) << r.what;  // KillDDE, where the row has it, ends the instance
            r.otherThread ? std::thread([dll] { FreeLibrary(dll); }).join() : (void)FreeLibrary(dll);
            // Beside the late window the library also waits for it (kept loaded); otherwise only for KillDDE.
            EXPECT_TRUE(r.beside || (GetModuleHandleA("zmvorq.dll") == nullptr) == r.kill) << r.what;
            testwin::PumpFor(2500);
            if (!r.kill) {
                // Still serving on this thread: loaded again (the same module), stopped, let go of.
                HMODULE again = LoadLibraryA("zmvorq.dll");
                ASSERT_EQ(again, dll) << r.what;
                EXPECT_NE(kill(), 0) << r.what;
                FreeLibrary(again);
                EXPECT_EQ(GetModuleHandleA("zmvorq.dll"), nullptr) << r.what;
            }
        }
        testwin::PumpFor(300);
        EXPECT_EQ(gAccessViolations, 0) << r.what;
    }
    RemoveVectoredExceptionHandler(handler);
}

// A program that answers every connect to the world's name late, with new atoms of its own as the rules say, on the
// caller's thread: 20 ms after the world's answer reached the connecting window (seen by a hook on the thread's sent
// messages), so that the library has its server by then, however slow the machine.
struct LateStranger {
    HWND window = nullptr;
    std::vector<std::pair<HWND, std::string>> asked, due;  // client window, topic
    int answers = 0, terminates = 0;
} gStranger;

LRESULT CALLBACK SeeTheWorldsAnswer(int code, WPARAM wParam, LPARAM lParam) {
    const auto* sent = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && sent->message == WM_DDE_ACK && reinterpret_cast<HWND>(sent->wParam) != gStranger.window) {
        for (auto it = gStranger.asked.begin(); it != gStranger.asked.end();) {
            if (it->first != sent->hwnd) {
                ++it;
                continue;
            }
            gStranger.due.push_back(*it);
            it = gStranger.asked.erase(it);
            SetTimer(gStranger.window, 1, 20, nullptr);
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

LRESULT CALLBACK LateStrangerProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    char service[64] = {}, topic[64] = {};
    if (msg == WM_DDE_INITIATE && GlobalGetAtomNameA(LOWORD(lParam), service, sizeof service) &&
        lstrcmpiA(service, "Zelmarink") == 0 && GlobalGetAtomNameA(HIWORD(lParam), topic, sizeof topic)) {
        gStranger.asked.emplace_back(reinterpret_cast<HWND>(wParam), topic);
    } else if (msg == WM_TIMER) {
        KillTimer(hwnd, 1);
        for (const auto& [client, name] : std::exchange(gStranger.due, {})) {
            if (!IsWindow(client))
                continue;
            ++gStranger.answers;
            SendMessageA(client, WM_DDE_ACK, reinterpret_cast<WPARAM>(hwnd),
                         MAKELPARAM(GlobalAddAtomA("Zelmarink"), GlobalAddAtomA(name.c_str())));
        }
    } else if (msg == WM_DDE_TERMINATE) {
        ++gStranger.terminates;
    } else {
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
    return 0;
}

// A late answer from a stranger is still an answer: the stranger is told to go (WM_DDE_TERMINATE), the request goes
// on with the world, and the world's name keeps its atom, with at most one reference more than before (one that
// the count could not tell from a server's own).
TEST(ZmvorqWine, AStrangersLateAnswerIsEndedAndTheWorldKeepsItsName) {
    WorldProcess world;
    ASSERT_TRUE(world.ok());
    ASSERT_TRUE(world.Control("fault|slow|Zelmarink_Register|400"));
    gStranger = {};
    WNDCLASSA wc{};
    wc.lpfnWndProc = LateStrangerProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "ZmvorqLateStranger";
    RegisterClassA(&wc);
    HWND stranger = CreateWindowA(wc.lpszClassName, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, wc.hInstance, nullptr);
    ASSERT_NE(stranger, nullptr);
    gStranger.window = stranger;
    HHOOK hook = SetWindowsHookExA(WH_CALLWNDPROC, SeeTheWorldsAnswer, nullptr, GetCurrentThreadId());
    ASSERT_NE(hook, nullptr);
    const ATOM name = GlobalFindAtomA("Zelmarink");
    const int before = name ? win::AtomReferences(name) : 0;
    LinkSession link;
    ASSERT_EQ(link.Init("Tumbleroo"), 0);
    link.Register("Tumbleroo");
    EXPECT_TRUE(link.WaitForAcks(1));
    EXPECT_GE(gStranger.answers, 1) << "the stranger was never asked while the conversation lasted";
    EXPECT_TRUE(testwin::PumpUntil([] { return gStranger.terminates >= gStranger.answers; }, 3000))
        << gStranger.terminates << " of " << gStranger.answers << " late answers ended";
    link.Kill();
    UnhookWindowsHookEx(hook);
    DestroyWindow(stranger);
    const ATOM nameAfter = GlobalFindAtomA("Zelmarink");
    const int after = nameAfter ? win::AtomReferences(nameAfter) : 0;
    EXPECT_TRUE(!name || nameAfter == name) << "the world's name lost its atom";
    EXPECT_LE(after, before + 1);
}

TEST(ZmvorqWine, ManySendsLeaveNoMemoryBehind) {
    char rules[16] = {};
    if (GetEnvironmentVariableA("TUMBLEROO_TEST_DDE_MEMORY", rules, sizeof rules) && std::string(rules) == "windows")
        GTEST_SKIP() << "Windows' rules of DDE memory leave the copies Wine makes of every poke behind (1 MB here)";
    WorldProcess world({"--me", "Marla"});
    ASSERT_TRUE(world.ok());
    ASSERT_TRUE(world.Control("avatar|Ann"));
    LinkSession link;
    ASSERT_EQ(link.Init("Tumbleroo"), 0);
    link.Register("Tumbleroo");
    const std::string data(4096, 'x');
    for (int i = 0; i < 20; ++i)
        link.Send("Tumbleroo", "Ann", data);
    ASSERT_TRUE(link.WaitForAcks(21));
    link.ClearReports();
    const size_t before = testwin::CommittedPrivateBytes();
    for (int i = 0; i < 300; ++i)
        link.Send("Tumbleroo", "Ann", data);
    ASSERT_TRUE(link.WaitForAcks(300));
    const size_t after = testwin::CommittedPrivateBytes();
    EXPECT_LT(after, before + 256 * 1024) << "committed private memory " << before << " -> " << after;
    link.Kill();
}

}  // namespace
