// worldsim.exe ships as a rehearsal tool, so it must not start beside a world client: a second one started while
// a world's window is open, or while anything answers on the world's DDE service, shows one message box and ends
// with code 4 without taking the window title or the service, and the first world keeps working.
#include <windows.h>

#include <ddeml.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "testing/program_harness_win.h"

namespace {

struct Box {
    HWND window = nullptr;
    std::string caption;
    std::string text;
};

int CountWorldWindows() {
    int n = 0;
    EnumWindows(
        [](HWND w, LPARAM p) WINAPI -> BOOL {
            if (IsWindowVisible(w) && testwin::WindowText(w) == "Pelmor 3.0") {
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
    PROCESS_INFORMATION process = {};
    Box box;
    *exitCode = 0xFFFFFFFF;
    std::string error;
    if (!testwin::StartProcess(testwin::BinaryDirectory() + "worldsim.exe", {"--me", "Second"}, &process, "", nullptr,
                               &error)) {
        ADD_FAILURE() << error;
        return box;
    }
    testwin::PumpUntil(
        [&] {
            const auto boxes = testwin::MessageBoxes(process.dwProcessId);
            box.window = boxes.empty() ? nullptr : boxes.front();
            return box.window != nullptr || WaitForSingleObject(process.hProcess, 0) == WAIT_OBJECT_0;
        },
        20000);
    if (box.window) {
        box.caption = testwin::WindowText(box.window);
        box.text = testwin::BoxText(box.window);
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
    const auto chat = world.Chat();
    EXPECT_NE(std::find(chat.begin(), chat.end(), testwin::Said("after the refusal")), chat.end());
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
