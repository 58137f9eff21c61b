// worldsim.exe ships as a rehearsal tool, so it must not start beside a world client: a second one started while
// a world's window is open, or while anything answers on the world's DDE service, shows one message box and ends
// with code 4 without taking the window title or the service, and the first world keeps working.
#include <windows.h>

#include <ddeml.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "testing/world_harness_win.h"

namespace {

struct Box {
    HWND window = nullptr;
    std::string caption;
    std::string text;
};

std::string WideText(HWND window) {
    wchar_t buffer[2048] = {};
    SendMessageW(window, WM_GETTEXT, 2048, reinterpret_cast<LPARAM>(buffer));
    char narrow[4096] = {};
    WideCharToMultiByte(CP_ACP, 0, buffer, -1, narrow, sizeof narrow, nullptr, nullptr);
    return narrow;
}

// The message box (#32770) of process pid, if one is shown.
Box FindBox(DWORD pid) {
    struct Search {
        DWORD pid;
        HWND found;
    } search{pid, nullptr};
    EnumWindows(
        [](HWND w, LPARAM p) WINAPI -> BOOL {
            auto* s = reinterpret_cast<Search*>(p);
            DWORD owner = 0;
            GetWindowThreadProcessId(w, &owner);
            char cls[64] = {};
            GetClassNameA(w, cls, sizeof cls);
            if (owner == s->pid && std::string(cls) == "#32770") {
                s->found = w;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    Box box;
    if (search.found) {
        box.window = search.found;
        box.caption = WideText(search.found);
        box.text = WideText(GetDlgItem(search.found, 0xFFFF));
    }
    return box;
}

int CountWorldWindows() {
    int n = 0;
    EnumWindows(
        [](HWND w, LPARAM p) WINAPI -> BOOL {
            if (IsWindowVisible(w) && WideText(w) == "Pelmor 3.0") {
                char cls[64] = {};
                GetClassNameA(w, cls, sizeof cls);
                if (std::string(cls) != "#32770")
                    ++*reinterpret_cast<int*>(p);
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&n));
    return n;
}

// Starts another worldsim.exe, waits for its message box, answers it and returns the box and the exit code.
// worldWindows: how many world windows are open before it starts (it must not add one).
Box StartSecondWorld(int worldWindows, DWORD* exitCode) {
    const std::string exe = testwin::BinaryDirectory() + "worldsim.exe";
    std::string commandLine = "\"" + exe + "\" --me Second";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    Box box;
    *exitCode = 0xFFFFFFFF;
    if (!CreateProcessA(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process)) {
        ADD_FAILURE() << "cannot start " << exe;
        return box;
    }
    testwin::PumpUntil(
        [&] {
            box = FindBox(process.dwProcessId);
            return box.window != nullptr || WaitForSingleObject(process.hProcess, 0) == WAIT_OBJECT_0;
        },
        20000);
    if (box.window) {
        // While the box is up, the refused world has not taken the title.
        EXPECT_EQ(CountWorldWindows(), worldWindows);
        PostMessageA(box.window, WM_COMMAND, IDOK, 0);
    }
    testwin::PumpUntil([&] { return WaitForSingleObject(process.hProcess, 0) == WAIT_OBJECT_0; }, 10000);
    if (!GetExitCodeProcess(process.hProcess, exitCode) || *exitCode == STILL_ACTIVE)
        TerminateProcess(process.hProcess, 99);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return box;
}

HDDEDATA CALLBACK AcceptEveryConnect(UINT type, UINT, HCONV, HSZ, HSZ, HDDEDATA, ULONG_PTR, ULONG_PTR) {
    return reinterpret_cast<HDDEDATA>(type == XTYP_CONNECT ? TRUE : FALSE);
}

TEST(WorldsimRefusal, ASecondWorldRefusesWithAMessageAndTheFirstKeepsItsNames) {
    testwin::WorldProcess world({"--me", "Marla"});
    ASSERT_TRUE(world.ok());

    DWORD exitCode = 0;
    const Box box = StartSecondWorld(1, &exitCode);
    ASSERT_NE(box.window, nullptr) << "the second world showed no message box (exit code " << exitCode << ")";
    EXPECT_EQ(box.caption, "worldsim.exe (stand-in world client)");
    EXPECT_NE(box.text.find("A world client is already running: a window titled \"Pelmor 3.0\" is open."),
              std::string::npos)
        << box.text;
    EXPECT_EQ(exitCode, 4u);

    // The first world still answers and its DDE service still reaches it alone.
    EXPECT_TRUE(world.Control("say|Marla|still here"));
    EXPECT_EQ(CountWorldWindows(), 1);
    EXPECT_EQ(testwin::RunAndWait(testwin::BinaryDirectory() + "linkdemo.exe",
                                  {"--name", "Tumbleroo", "register", "say:after the refusal", "unregister"}, 30000),
              0);
    bool heard = false;
    for (const auto& line : world.Transcript("CHAT"))
        heard = heard || line.fields.back() == "Marla: after the refusal";
    EXPECT_TRUE(heard);
}

// Without any world window, a program serving the world's DDE service is enough to keep the stand-in out.
TEST(WorldsimRefusal, AnyServerOnTheWorldServiceKeepsItOut) {
    DWORD instance = 0;
    ASSERT_EQ(DdeInitializeA(&instance, AcceptEveryConnect, APPCLASS_STANDARD, 0), static_cast<UINT>(DMLERR_NO_ERROR));
    HSZ service = DdeCreateStringHandleA(instance, "Zelmarink", CP_WINANSI);
    ASSERT_NE(DdeNameService(instance, service, nullptr, DNS_REGISTER), nullptr);

    DWORD exitCode = 0;
    const Box box = StartSecondWorld(0, &exitCode);
    EXPECT_NE(box.text.find("a program answers on the DDE service Zelmarink"), std::string::npos) << box.text;
    EXPECT_EQ(exitCode, 4u);
    EXPECT_EQ(CountWorldWindows(), 0);

    DdeNameService(instance, service, nullptr, DNS_UNREGISTER);
    DdeFreeStringHandle(instance, service);
    DdeUninitialize(instance);
}

}  // namespace
