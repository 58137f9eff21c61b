// The link module under Wine against the stand-in world client, as program "Tumbleroo": both methods checked
// byte for byte in the world's transcript, the acknowledgement and receive boxes, the console window and its
// link's retries, focus control, the chat capture, clock waits and the kept WM_QUIT.
#include <windows.h>

#include <dde.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <deque>
#include <fstream>
#include <functional>
#include <iterator>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "common/support_log.h"
#include "linkmodule/console_layout.h"
#include "linkmodule/focus_win.h"
#include "linkmodule/link_module_win.h"
#include "linkmodule/link_rights.h"
#include "linkmodule/link_rights_win.h"
#include "testing/world_harness_win.h"

namespace {

using testwin::WorldProcess;
namespace lm = linkmodule;

constexpr char kCapture[] = "C:\\ZOBRA.TXT";

// The program's own window, titled with the application title as the programs' main windows are.
HWND gOwnWindow = nullptr;
std::deque<std::function<void()>> gHooks;

constexpr UINT kRunNested = WM_APP + 7;
std::function<void()> gNestedAction;

LRESULT CALLBACK OwnWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == kRunNested) {
        if (auto action = std::exchange(gNestedAction, nullptr))
            action();
        return 0;
    }
    if (msg == WM_APP) {
        if (!gHooks.empty()) {
            auto hook = std::move(gHooks.front());
            gHooks.pop_front();
            hook();
        }
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

class OwnWindowEnvironment : public ::testing::Environment {
  public:
    void SetUp() override {
        WNDCLASSEXA wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = OwnWindowProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "LinkModuleTestMain";
        RegisterClassExA(&wc);
        gOwnWindow = CreateWindowExA(0, wc.lpszClassName, "Tumbleroo", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 300,
                                     200, nullptr, nullptr, wc.hInstance, nullptr);
        ASSERT_NE(gOwnWindow, nullptr);
    }
};
[[maybe_unused]] auto* const gEnvironment = ::testing::AddGlobalTestEnvironment(new OwnWindowEnvironment);

// Runs `hook` inside a later yield of the module (or a pump of the test).
void PostHook(std::function<void()> hook) {
    gHooks.push_back(std::move(hook));
    PostMessageA(gOwnWindow, WM_APP, 0, 0);
}

// Runs `action` in the first yield in which `ready` holds; gives up after `tries` yields.
void RunWhen(std::function<bool()> ready, std::function<void()> action, int tries = 5000) {
    PostHook([=] {
        if (ready())
            action();
        else if (tries > 0)
            RunWhen(ready, action, tries - 1);
    });
}

// A record as the console pokes it: the text and its NUL.
std::string WithNul(std::string text) {
    text.push_back('\0');
    return text;
}

std::vector<std::string> Column(const std::vector<testwin::TranscriptLine>& lines, size_t field) {
    std::vector<std::string> values;
    for (const auto& line : lines)
        values.push_back(line.fields.size() > field ? line.fields[field] : "?");
    return values;
}

std::string TempCapture() {
    char folder[MAX_PATH + 1];
    const DWORD n = GetTempPathA(sizeof folder, folder);
    return std::string(folder, n) + "ZOBRA.TXT";
}

std::string ControlText(HWND parent, int id) {
    HWND control = GetDlgItem(parent, id);
    std::string text(static_cast<size_t>(GetWindowTextLengthA(control)) + 1, '\0');
    text.resize(static_cast<size_t>(GetWindowTextA(control, text.data(), static_cast<int>(text.size()))));
    return text;
}

// As a person types: the edit box tells its window of the change (WM_SETTEXT would not, for a multi-line box).
void TypeInto(HWND console, int id, const char* text) {
    HWND edit = GetDlgItem(console, id);
    SendMessageA(edit, EM_SETSEL, 0, -1);
    SendMessageA(edit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text));
}

bool ErrorCheckChecked() {
    HWND console = lm::ConsoleWindowHandle();
    return console && IsDlgButtonChecked(console, IDC_ZM_DDE_ERROR_CHECK) == BST_CHECKED;
}

// Armed, makes the test's UI thread run one action right inside the next connect of this process, as a click
// handled while it waits would: when the connect makes the window of its conversation, a message is posted that
// the connect's wait then handles.
class InitiateSpy {
  public:
    InitiateSpy() : hook_(SetWindowsHookExA(WH_CALLWNDPROC, Hook, nullptr, GetCurrentThreadId())) {}
    ~InitiateSpy() {
        if (hook_)
            UnhookWindowsHookEx(hook_);
    }
    // `action` runs on the UI thread during the next connect of this process.
    void Arm(std::function<void()> action) {
        gNestedAction = std::move(action);
        armed_ = true;
    }
    bool Fired() const { return fired_; }

  private:
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam) {
        const auto* sent = reinterpret_cast<const CWPSTRUCT*>(lParam);
        char cls[64] = {};
        if (code == HC_ACTION && sent->message == WM_NCCREATE && armed_ &&
            GetClassNameA(sent->hwnd, cls, sizeof cls) && std::string(cls) == "TumblerooDdeClientConversation") {
            armed_ = false;
            fired_ = true;
            PostMessageA(gOwnWindow, kRunNested, 0, 0);
        }
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }

    HHOOK hook_;
    static inline bool armed_ = false;
    static inline bool fired_ = false;
};

// Client conversations open on this thread, counted by the windows kept for them (by DDEML or by the link).
int OpenClientConversations() {
    int count = 0;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND hwnd, LPARAM param) WINAPI -> BOOL {
            char cls[64] = {};
            GetClassNameA(hwnd, cls, sizeof cls);
            if (strstr(cls, "Client") && strstr(cls, "Dde"))
                ++*reinterpret_cast<int*>(param);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&count));
    // The link's own conversations keep a message-only window each.
    for (HWND w = nullptr; (w = FindWindowExA(HWND_MESSAGE, w, "TumblerooDdeClientConversation", nullptr));)
        count += GetWindowThreadProcessId(w, nullptr) == GetCurrentThreadId();
    return count;
}

class LinkModuleWine : public ::testing::Test {
  protected:
    void SetUp() override {
        lm::StartLinkModule({"Tumbleroo"});
        lm::ClientWindowTitle = "Pelmor 3.0";
        lm::FocusControl = false;
        lm::UseLibraryMethod = false;
        lm::SendDelaySeconds = 0;
        lm::EspTarget.clear();
        lm::AllText.clear();
        DeleteFileA(kCapture);
        DeleteFileA(TempCapture().c_str());
        gHooks.clear();
        SetForegroundWindow(gOwnWindow);
    }
    void TearDown() override {
        if (lm::ConsoleWindowHandle())
            DestroyWindow(lm::ConsoleWindowHandle());
        testwin::PumpFor(50);
    }

    testwin::MessageBoxWatcher boxes;  // answers every box, so that no test can hang on one
};

TEST_F(LinkModuleWine, LibraryMethodSpeaksEspsAndFetchesByteForByte) {
    WorldProcess world({"--me", "Marla"});
    ASSERT_TRUE(world.ok());
    ASSERT_TRUE(world.Control("avatar|Ann"));
    lm::UseLibraryMethod = true;

    lm::OpenLink();
    lm::SayText("hello");
    lm::EspTarget = "Ann";
    lm::EspText("You are on the List.");
    ASSERT_TRUE(testwin::PumpUntil([&] { return world.Transcript("ACK").size() >= 3; }, 10000));
    lm::FetchAllText();
    lm::CloseLink();
    ASSERT_TRUE(testwin::PumpUntil([&] { return world.Transcript("ACK").size() >= 4; }, 10000));

    EXPECT_EQ(world.Received("Zelmarink_Register"), std::vector<std::string>{WithNul("Tumbleroo")});
    EXPECT_EQ(world.Received("Zelmarink_Unregister"), std::vector<std::string>{WithNul("Tumbleroo")});
    const auto communicated = world.Received("Zelmarink_Communicate");
    ASSERT_EQ(communicated.size(), 2u);
    // The record and its NUL, then the library's padding up to strlen(name)+strlen(target)+strlen(text)+10.
    const std::string speak = WithNul("Tumbleroo\f0\f\fhello");
    const std::string esp = WithNul("Tumbleroo\f2\fAnn\fYou are on the List.");
    EXPECT_EQ(communicated[0].substr(0, speak.size()), speak);
    EXPECT_EQ(communicated[0].size(), 9u + 0 + 5 + 10);
    EXPECT_EQ(communicated[1].substr(0, esp.size()), esp);
    EXPECT_EQ(communicated[1].size(), 9u + 3 + 20 + 10);
    EXPECT_EQ(Column(world.Transcript("ACK"), 2), (std::vector<std::string>{"0", "0", "0", "0"}));

    const auto requests = world.Transcript("REQ");
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].fields[0], "Zelmarink_GetAllText");
    EXPECT_EQ(requests[0].fields[1], "Tumbleroo");
    EXPECT_EQ(lm::CapturePath(), kCapture);
    EXPECT_EQ(testwin::ReadFileShared(kCapture), requests[0].fields[3] + "\r\n");
    EXPECT_NE(requests[0].fields[3].find("Marla: hello\r\nESP to Ann: You are on the List.\r\n"), std::string::npos);
    EXPECT_EQ(lm::AllText, requests[0].fields[3]);
    EXPECT_TRUE(boxes.Seen().empty());
    EXPECT_EQ(lm::ConsoleWindowHandle(), nullptr);  // the library method never creates the console
}

TEST_F(LinkModuleWine, ConsoleMethodSpeaksEspsAndFetchesByteForByte) {
    WorldProcess world({"--me", "Marla"});
    ASSERT_TRUE(world.ok());
    ASSERT_TRUE(world.Control("avatar|Ann"));
    SetForegroundWindow(gOwnWindow);  // a new world's window comes up in front

    lm::OpenLink();
    HWND console = lm::ConsoleWindowHandle();
    ASSERT_NE(console, nullptr);
    EXPECT_FALSE(IsWindowVisible(console));
    lm::SayText("hello");
    lm::EspTarget = "Ann";
    lm::EspText("You are on the List.");
    // The fields keep the last request's values.
    EXPECT_EQ(ControlText(console, IDC_ZM_DDE_COMM_MODE), "2");
    EXPECT_EQ(ControlText(console, IDC_ZM_DDE_AVATAR_NAME), "Ann");
    EXPECT_EQ(ControlText(console, IDC_ZM_DDE_COMM_TEXT), "You are on the List.");
    lm::FetchAllText();
    EXPECT_FALSE(ErrorCheckChecked());
    lm::CloseLink();
    EXPECT_EQ(lm::ConsoleWindowHandle(), nullptr);
    EXPECT_FALSE(IsWindow(console));

    EXPECT_EQ(world.Received("Zelmarink_Register"), std::vector<std::string>{WithNul("Tumbleroo")});
    EXPECT_EQ(world.Received("Zelmarink_Communicate"),
              (std::vector<std::string>{WithNul("Tumbleroo\f0\f\fhello"),
                                        WithNul("Tumbleroo\f2\fAnn\fYou are on the List.")}));
    EXPECT_EQ(world.Received("Zelmarink_Unregister"), std::vector<std::string>{WithNul("Tumbleroo")});
    // Without focus control the world's window was never brought to the front.
    for (const auto& line : world.Transcript("RECV"))
        EXPECT_EQ(line.fields[2], "bg");

    const auto requests = world.Transcript("REQ");
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].fields[1], "Tumbleroo");
    EXPECT_EQ(testwin::ReadFileShared(kCapture), requests[0].fields[3] + "\r\n");
    // The world's acknowledgements find no service under the console method, and no box appears.
    EXPECT_TRUE(testwin::PumpUntil([&] { return world.Transcript("ACK").size() >= 4; }, 10000));
    for (const auto& ack : world.Transcript("ACK"))
        EXPECT_EQ(ack.fields[1], "failed");
    EXPECT_TRUE(boxes.Seen().empty());
}

TEST_F(LinkModuleWine, ConsoleWindowHasEveryControlOfItsTable) {
    lm::SayText("");  // sends nothing and creates nothing
    EXPECT_EQ(lm::ConsoleWindowHandle(), nullptr);
    lm::EspTarget = "Ann";
    lm::EspText("touch");  // no world: the request fails, but the console is created to carry it
    HWND console = lm::ConsoleWindowHandle();
    ASSERT_NE(console, nullptr);
    EXPECT_FALSE(IsWindowVisible(console));

    char caption[64] = {};
    GetWindowTextA(console, caption, sizeof caption);
    EXPECT_STREQ(caption, "ZM DDE COMMUNICATION");
    HDC screen = GetDC(nullptr);
    const int dpiX = GetDeviceCaps(screen, LOGPIXELSX), dpiY = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    RECT client;
    GetClientRect(console, &client);
    EXPECT_EQ(client.right, common::TwipsToPixels(lm::kConsoleClientWidthTwips, dpiX));
    EXPECT_EQ(client.bottom, common::TwipsToPixels(lm::kConsoleClientHeightTwips, dpiY));

    for (const common::ControlSpec& c : lm::ConsoleControls()) {
        HWND control = GetDlgItem(console, c.id);
        ASSERT_NE(control, nullptr) << c.id;
        RECT r;
        GetWindowRect(control, &r);
        MapWindowPoints(nullptr, console, reinterpret_cast<POINT*>(&r), 2);
        EXPECT_EQ(r.left, common::TwipsToPixels(c.left, dpiX)) << c.id;
        EXPECT_EQ(r.top, common::TwipsToPixels(c.top, dpiY)) << c.id;
        EXPECT_EQ(r.right - r.left, common::TwipsToPixels(c.width, dpiX)) << c.id;
        EXPECT_EQ(r.bottom - r.top, common::TwipsToPixels(c.height, dpiY)) << c.id;
        if (*c.caption) {
            EXPECT_EQ(ControlText(console, c.id), c.caption);
        }
        LOGFONTA font{};
        ASSERT_TRUE(GetObjectA(reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0)), sizeof font, &font))
            << c.id;
        EXPECT_STREQ(font.lfFaceName, "MS Sans Serif");
        EXPECT_EQ(font.lfWeight, FW_BOLD);
        EXPECT_EQ(font.lfHeight, -common::PointsToPixels(825, dpiY));
    }
    EXPECT_EQ(ControlText(console, IDC_ZM_DDE_COMM_TEXT), "touch");
    EXPECT_EQ(ControlText(console, IDC_ZM_DDE_AVATAR_NAME), "Ann");
}

TEST_F(LinkModuleWine, ConsoleButtonsRunOneRequestEach) {
    WorldProcess world({"--me", "Marla"});
    ASSERT_TRUE(world.ok());
    lm::OpenLink();
    HWND console = lm::ConsoleWindowHandle();
    ASSERT_NE(console, nullptr);
    // Typed into the fields as a person would, then "Communicate": mode 2 without an avatar.
    TypeInto(console, IDC_ZM_DDE_COMM_MODE, "2");
    TypeInto(console, IDC_ZM_DDE_AVATAR_NAME, "");
    TypeInto(console, IDC_ZM_DDE_COMM_TEXT, "typed by hand");
    SendMessageA(GetDlgItem(console, IDC_ZM_DDE_COMMUNICATE), BM_CLICK, 0, 0);
    EXPECT_EQ(world.Received("Zelmarink_Communicate"),
              std::vector<std::string>{WithNul("Tumbleroo\f2\f\ftyped by hand")});

    SendMessageA(GetDlgItem(console, IDC_ZM_DDE_GET_ALL_TEXT), BM_CLICK, 0, 0);
    ASSERT_EQ(world.Transcript("REQ").size(), 1u);
    const std::string chat = world.Transcript("REQ")[0].fields[3];
    EXPECT_EQ(ControlText(console, IDC_ZM_DDE_TEXT1).substr(0, 10), chat.substr(0, 10));

    SendMessageA(GetDlgItem(console, IDC_ZM_DDE_UNREGISTER), BM_CLICK, 0, 0);
    SendMessageA(GetDlgItem(console, IDC_ZM_DDE_REGISTER), BM_CLICK, 0, 0);
    EXPECT_EQ(world.Received("Zelmarink_Register").size(), 2u);  // OpenLink's and the button's
    EXPECT_EQ(world.Received("Zelmarink_Unregister").size(), 1u);
    EXPECT_FALSE(ErrorCheckChecked());
    // Acknowledgements reach a program only through the library method: no box, not even for code 12.
    EXPECT_TRUE(testwin::PumpUntil([&] { return world.Transcript("ACK").size() >= 4; }, 10000));
    EXPECT_EQ(Column(world.Transcript("ACK"), 2), (std::vector<std::string>{"0", "12", "0", "0"}));
    EXPECT_TRUE(boxes.Seen().empty());
    lm::CloseLink();
}

TEST_F(LinkModuleWine, AcknowledgementBoxes) {
    WorldProcess world({"--me", "Marla"});
    ASSERT_TRUE(world.ok());
    lm::UseLibraryMethod = true;
    lm::OpenLink();
    ASSERT_TRUE(testwin::PumpUntil([&] { return world.Transcript("ACK").size() >= 1; }, 10000));

    const char* const messages[] = {
        "1- Target avatar is not logged on",
        "2 - Your avatar not allowed to send/receive API messages",
        "3 - Target avatar is not allowed to send/receive API messages",
        "4 - You are in a region that does not allow API messages",
        "5 - Target avatar is in a region that does not allow API messages",
        "6 - Your avatar is currently busy",
        "7 - Target avatar is currently busy",
        "8 - Too many names already registered",
        "9 - App.Title already registered",
        "10 - App.Title was not registered",
        "11 - No text was specified",
        "12 - Mode was ESP but no avatar name was specified",
        "13 - Mode was speak or think but your avatar is a ghost",
        "14 - One or more arguments are missing",
        "15 - Data length below zero",
        "16 - No data was specified",
        "17 - You are not logged in yet",
    };
    struct Row {
        std::string code;
        std::string message;
    };
    std::vector<Row> rows;
    for (int code = 1; code <= 17; ++code)
        rows.push_back({std::to_string(code), messages[code - 1]});
    rows.push_back({"18", "99 - Unknown error occured"});
    rows.push_back({"-1", "99 - Unknown error occured"});
    rows.push_back({" 5", "99 - Unknown error occured"});
    rows.push_back({"0", ""});  // no box

    size_t expected = 0;
    for (const auto& r : rows) {
        ASSERT_TRUE(world.Control("fault|ackcode|Zelmarink_Communicate|" + r.code)) << r.code;
        lm::SayText("code " + r.code);
        if (r.message.empty()) {
            testwin::PumpFor(300);
            EXPECT_EQ(boxes.Seen().size(), expected) << "a box for code 0";
            continue;
        }
        ASSERT_TRUE(boxes.WaitForCount(++expected, 10000)) << r.code;
        const auto seen = boxes.Seen().back();
        EXPECT_EQ(seen.caption, "ProcessAckData Response Message") << r.code;
        EXPECT_EQ(seen.text, r.message) << "[" << r.code << "]";
    }
    ASSERT_TRUE(world.Control("fault|ackcode|Zelmarink_Communicate|off"));
    lm::CloseLink();
}

TEST_F(LinkModuleWine, ReceivedDataBox) {
    WorldProcess world({"--me", "Marla"});
    ASSERT_TRUE(world.ok());
    ASSERT_TRUE(world.Control("avatar|Bob"));
    lm::UseLibraryMethod = true;
    lm::OpenLink();
    ASSERT_TRUE(testwin::PumpUntil([&] { return world.Transcript("ACK").size() >= 1; }, 10000));
    ASSERT_TRUE(world.Control("send|Bob|Tumbleroo|hello"));
    ASSERT_TRUE(boxes.WaitForCount(1, 10000));
    EXPECT_EQ(boxes.Seen()[0].caption, "Tumbleroo");
    EXPECT_EQ(boxes.Seen()[0].text, "Data received from Bob: hello");
    lm::CloseLink();
}

TEST_F(LinkModuleWine, ConsoleLinkFailuresAreRetriedFiveTimesThenFlagged) {
    {
        // The world refuses every conversation: five connects per request, then ErrorCheck.
        WorldProcess world({"--me", "Marla"});
        ASSERT_TRUE(world.ok());
        ASSERT_TRUE(world.Control("fault|refuse|all|on"));
        lm::SayText("never heard");
        EXPECT_TRUE(ErrorCheckChecked());
        const auto connects = world.Transcript("CONNECT");
        EXPECT_EQ(Column(connects, 0), std::vector<std::string>(5, "Zelmarink_Communicate"));
        EXPECT_EQ(Column(connects, 1), std::vector<std::string>(5, "refused"));
        EXPECT_TRUE(world.Transcript("RECV").empty());

        // The next request starts with ErrorCheck unchecked and succeeds.
        ASSERT_TRUE(world.Control("fault|refuse|all|off"));
        PostHook([] { EXPECT_TRUE(ErrorCheckChecked()) << "cleared before the next request started"; });
        lm::SayText("heard");
        EXPECT_FALSE(ErrorCheckChecked());
        EXPECT_EQ(world.Received("Zelmarink_Communicate"), std::vector<std::string>{WithNul("Tumbleroo\f0\f\fheard")});
    }
    // No world at all: the caller carries on, the failure shows on ErrorCheck only.
    lm::SayText("into the void");
    EXPECT_TRUE(ErrorCheckChecked());
    lm::FetchAllText();
    EXPECT_TRUE(ErrorCheckChecked());
    EXPECT_FALSE(testwin::ReadFileShared(lm::CapturePath()));
    lm::CloseLink();
    EXPECT_TRUE(boxes.Seen().empty());
}

TEST_F(LinkModuleWine, FocusControlBringsTheWorldForwardThenTheProgram) {
    WorldProcess world({"--me", "Marla"});
    ASSERT_TRUE(world.ok());
    ASSERT_TRUE(world.Control("avatar|Ann"));
    lm::FocusControl = true;
    SetForegroundWindow(gOwnWindow);

    lm::OpenLink();
    EXPECT_EQ(GetForegroundWindow(), gOwnWindow);
    lm::SayText("in front");
    EXPECT_EQ(GetForegroundWindow(), gOwnWindow);
    lm::EspTarget = "Ann";
    lm::EspText("also in front");
    EXPECT_EQ(GetForegroundWindow(), gOwnWindow);
    lm::FetchAllText();
    EXPECT_EQ(GetForegroundWindow(), gOwnWindow);
    lm::CloseLink();
    EXPECT_EQ(GetForegroundWindow(), gOwnWindow);

    const auto pokes = world.Transcript("RECV");
    EXPECT_EQ(Column(pokes, 0), (std::vector<std::string>{"Zelmarink_Register", "Zelmarink_Communicate",
                                                          "Zelmarink_Communicate", "Zelmarink_Unregister"}));
    EXPECT_EQ(Column(pokes, 2), std::vector<std::string>(4, "fg"));
    EXPECT_EQ(Column(world.Transcript("REQ"), 2), std::vector<std::string>{"fg"});

    // A title that no window has ends each request before anything is sent, unflagged.
    lm::ClientWindowTitle = "Pelmor 9.9";
    lm::SayText("not sent");
    EXPECT_FALSE(ErrorCheckChecked());
    EXPECT_EQ(world.Transcript("RECV").size(), 4u);
    lm::FetchAllText();  // five attempts, none sent: no file
    EXPECT_EQ(world.Transcript("REQ").size(), 1u);
    EXPECT_FALSE(testwin::ReadFileShared(lm::CapturePath()));

    // The system may refuse the foreground (the operator went on in another program): the request still goes, and
    // the support log says which window stayed behind and that ours flashes.
    lm::ClientWindowTitle = "Pelmor 3.0";
    const std::string log = TempCapture() + ".focus.log";
    DeleteFileA(log.c_str());
    common::StartSupportLog(log);
    const struct {
        lm::ForegroundRefusal refusal;
        const char* logged;
        bool ownInFront;
        const char* worldWas;  // in front or behind when the poke came
    } rows[] = {{lm::ForegroundRefusal::World, "kept the world client's window from coming to the front", true, "bg"},
                {lm::ForegroundRefusal::Own, "kept this program's window from coming back to the front", false, "fg"}};
    for (const auto& r : rows) {
        SetForegroundWindow(gOwnWindow);
        const size_t before = world.Transcript("RECV").size();
        lm::RefuseForegroundForTests(r.refusal);
        lm::SayText("said all the same");
        lm::RefuseForegroundForTests(lm::ForegroundRefusal::None);
        EXPECT_EQ(GetForegroundWindow() == gOwnWindow, r.ownInFront) << r.logged;
        const auto pokes = world.Transcript("RECV");
        ASSERT_EQ(pokes.size(), before + 1) << r.logged;
        EXPECT_EQ(pokes.back().fields[2], r.worldWas) << r.logged;
        const std::string logged = common::ReadLogTail(log);
        EXPECT_NE(logged.find(r.logged), std::string::npos) << r.logged;
        EXPECT_NE(logged.find("flashes", logged.find(r.logged)), std::string::npos) << logged;
    }
    common::StartSupportLog("");
    EXPECT_FALSE(ErrorCheckChecked());
}

// A world client whose window is open but which takes no conversation may run with other rights than this program
// (as administrator and not), which Wine cannot show: its level is set as if read, lower than any of ours. Only
// after a failure, with the window open and the levels apart, is the operator told (and the support log).
TEST_F(LinkModuleWine, WorldClientWithOtherRightsIsNamedAfterAFailure) {
    const std::string log = TempCapture() + ".rights.log";
    const struct {
        const char* what;
        bool world, refuse, library;
        std::optional<unsigned long> worldLevel;  // nullopt: as read
        bool told;
        bool atStart = false;  // opening the link, as the host's start-up does, instead of a command
    } rows[] = {{"library method, refused, the world at low rights", true, true, true, lm::kIntegrityLow, true},
                {"console method, refused, the world at low rights", true, true, false, lm::kIntegrityLow, true},
                {"at start-up, refused, the world at low rights", true, true, true, lm::kIntegrityLow, true, true},
                {"refused, both levels as read: the same", true, true, true, std::nullopt, false},
                {"answered: nothing to tell", true, false, true, lm::kIntegrityLow, false},
                {"no world window at all", false, false, true, lm::kIntegrityLow, false}};
    for (const auto& r : rows) {
        std::optional<WorldProcess> world;
        if (r.world) {
            world.emplace();
            ASSERT_TRUE(world->ok()) << r.what;
            if (r.refuse) {
                ASSERT_TRUE(world->Control("fault|refuse|all|on")) << r.what;
            }
        }
        DeleteFileA(log.c_str());
        common::StartSupportLog(log);
        lm::SetWorldIntegrityForTests(r.worldLevel);
        lm::UseLibraryMethod = r.library;
        std::string message, again;
        if (r.atStart) {
            lm::OpenLink();
            message = lm::WorldRightsMessage();
            again = lm::WorldRightsMessage();  // once per failure
            lm::CloseLink();
        } else {
            lm::BeginCommand();
            lm::SayText("anyone there?");
            message = lm::EndCommand();
        }
        EXPECT_EQ(again, "") << r.what;
        lm::SetWorldIntegrityForTests(std::nullopt);
        common::StartSupportLog("");
        EXPECT_EQ(message.find("start both programs the same way") != std::string::npos, r.told) << r.what << message;
        EXPECT_EQ(message.find("lower rights than this program (with low rights;") != std::string::npos, r.told)
            << r.what;
        EXPECT_EQ(common::ReadLogTail(log).find("start both programs the same way") != std::string::npos, r.told)
            << r.what;
    }
}

TEST_F(LinkModuleWine, FetchWhoseFirstAttemptGetsNoText) {
    for (bool library : {true, false}) {
        WorldProcess world({"--me", "Marla"});
        ASSERT_TRUE(world.ok());
        ASSERT_TRUE(world.Control("say|Marla|first words"));
        ASSERT_TRUE(world.Control("fault|notext|on"));
        lm::UseLibraryMethod = library;
        lm::OpenLink();
        DeleteFileA(kCapture);
        // The world finds its text again as soon as it has refused one request.
        RunWhen([&] { return world.Transcript("REQ").size() >= 1; },
                [&] { ASSERT_TRUE(world.Control("fault|notext|off")); });
        lm::FetchAllText();
        const auto requests = world.Transcript("REQ");
        ASSERT_EQ(requests.size(), 2u) << library;
        EXPECT_EQ(requests[0].fields[3], "-") << library;
        EXPECT_EQ(requests[1].fields[3], "Marla: first words\r\n") << library;
        EXPECT_EQ(testwin::ReadFileShared(kCapture), "Marla: first words\r\n\r\n") << library;
        lm::CloseLink();
    }
}

TEST_F(LinkModuleWine, FetchWithoutAnyTextLeavesNoFile) {
    for (bool library : {true, false}) {
        WorldProcess world({"--me", "Marla"});
        ASSERT_TRUE(world.ok());
        lm::UseLibraryMethod = library;
        lm::OpenLink();
        std::ofstream(kCapture) << "an old capture\r\n";
        ASSERT_TRUE(world.Control("fault|notext|on"));
        lm::FetchAllText();
        EXPECT_FALSE(testwin::ReadFileShared(kCapture)) << library;
        EXPECT_FALSE(testwin::ReadFileShared(lm::CapturePath())) << library;
        // Five attempts; by the console each is a request of five link attempts.
        EXPECT_EQ(world.Transcript("REQ").size(), library ? 5u : 25u);
        lm::CloseLink();
    }
}

TEST_F(LinkModuleWine, LibraryFetchAfterASuccessfulOneWithTheWorldSilent) {
    WorldProcess world({"--me", "Marla"});
    ASSERT_TRUE(world.ok());
    ASSERT_TRUE(world.Control("say|Marla|hello"));
    lm::UseLibraryMethod = true;
    lm::OpenLink();
    lm::FetchAllText();
    ASSERT_EQ(testwin::ReadFileShared(kCapture), "Marla: hello\r\n\r\n");
    ASSERT_TRUE(world.Control("fault|notext|on"));
    lm::FetchAllText();
    EXPECT_FALSE(testwin::ReadFileShared(kCapture));
    EXPECT_EQ(lm::AllText, "");
    lm::CloseLink();
}

TEST_F(LinkModuleWine, CaptureGoesToTheTempFolderWhenTheRootCannotBeUsed) {
    WorldProcess world({"--me", "Marla"});
    ASSERT_TRUE(world.ok());
    ASSERT_TRUE(world.Control("say|Marla|hello"));
    lm::UseLibraryMethod = true;
    lm::OpenLink();
    // A folder of that name: the capture can be neither deleted nor created there.
    ASSERT_TRUE(CreateDirectoryA(kCapture, nullptr));
    lm::FetchAllText();
    EXPECT_EQ(lm::CapturePath(), TempCapture());
    EXPECT_EQ(testwin::ReadFileShared(TempCapture()), "Marla: hello\r\n\r\n");
    RemoveDirectoryA(kCapture);
    // With the root usable again the capture goes back there and the one in the temp folder is gone.
    lm::FetchAllText();
    EXPECT_EQ(lm::CapturePath(), kCapture);
    EXPECT_EQ(testwin::ReadFileShared(kCapture), "Marla: hello\r\n\r\n");
    EXPECT_FALSE(testwin::ReadFileShared(TempCapture()));
    lm::CloseLink();
}

// File name changes in the root of C:, recorded by a thread of their own until stopped.
class RootWatcher {
  public:
    RootWatcher() {
        dir_ = CreateFileA("C:\\", FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        thread_ = std::thread([this] { Run(); });
        // The watch is live once a probe file of our own has been seen.
        for (int i = 0; i < 100 && !Seen("added watch-probe.tmp"); ++i) {
            CloseHandle(CreateFileA("C:\\watch-probe.tmp", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
            DeleteFileA("C:\\watch-probe.tmp");
            Sleep(50);
        }
    }
    bool Seen(const std::string& event) {
        std::lock_guard<std::mutex> lock(mutex_);
        return std::find(events_.begin(), events_.end(), event) != events_.end();
    }
    ~RootWatcher() { Stop(); }
    void Stop() {
        if (!thread_.joinable())
            return;
        stop_ = true;
        // A change of our own wakes the pending read.
        CloseHandle(CreateFileA("C:\\watch-stop.tmp", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        DeleteFileA("C:\\watch-stop.tmp");
        thread_.join();
        CloseHandle(dir_);
    }
    // "added NAME", "removed NAME", "renamed-from NAME", "renamed-to NAME", "modified NAME", in order.
    std::vector<std::string> Events() {
        std::lock_guard<std::mutex> lock(mutex_);
        return events_;
    }

  private:
    void Run() {
        alignas(DWORD) char buf[64 * 1024];
        while (!stop_) {
            DWORD got = 0;
            if (!ReadDirectoryChangesW(
                    dir_, buf, sizeof buf, FALSE,
                    FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_SIZE | FILE_NOTIFY_CHANGE_LAST_WRITE, &got,
                    nullptr, nullptr))
                return;
            for (DWORD at = 0; got > 0;) {
                const auto* info = reinterpret_cast<const FILE_NOTIFY_INFORMATION*>(buf + at);
                std::wstring wide(info->FileName, info->FileNameLength / sizeof(WCHAR));
                wide.resize(wcsnlen(wide.c_str(), wide.size()));  // some report the name with its NUL
                const std::string name(wide.begin(), wide.end());
                static const char* const kinds[] = {"?", "added", "removed", "modified", "renamed-from", "renamed-to"};
                std::lock_guard<std::mutex> lock(mutex_);
                events_.push_back(std::string(info->Action <= 5 ? kinds[info->Action] : "?") + " " + name);
                if (!info->NextEntryOffset)
                    break;
                at += info->NextEntryOffset;
            }
        }
    }
    HANDLE dir_;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    std::vector<std::string> events_;
};

// The capture is never created in place and then filled: a reader, or a crash, finds the old state or the whole
// new file.
TEST_F(LinkModuleWine, CaptureAppearsOnlyWhole) {
    WorldProcess world({"--me", "Marla"});
    ASSERT_TRUE(world.ok());
    for (int i = 0; i < 50; ++i)
        ASSERT_TRUE(world.Control("say|Marla|line " + std::to_string(i) + " " + std::string(200, 'x')));
    lm::UseLibraryMethod = true;
    lm::OpenLink();
    RootWatcher watcher;
    lm::FetchAllText();
    watcher.Stop();
    lm::CloseLink();
    ASSERT_EQ(lm::CapturePath(), kCapture);
    const auto capture = testwin::ReadFileShared(kCapture);
    ASSERT_TRUE(capture);
    EXPECT_GT(capture->size(), 10000u);
    EXPECT_FALSE(testwin::ReadFileShared(std::string(kCapture) + ".tmp"));
    // Wine may drop the changes that happen between two reads of the watcher (the rename among them), but
    // not the first one after the watch is live: the write begins on the file beside the capture.
    std::vector<std::string> onCapture;
    std::string all;
    for (const std::string& e : watcher.Events()) {
        all += e + "; ";
        if (e.find("ZOBRA.TXT") != std::string::npos)
            onCapture.push_back(e);
    }
    ASSERT_FALSE(onCapture.empty()) << all;
    EXPECT_EQ(onCapture[0], "added ZOBRA.TXT.tmp") << all;
    for (const std::string& e : onCapture)
        EXPECT_TRUE(e != "added ZOBRA.TXT" && e != "modified ZOBRA.TXT") << all;
}

TEST_F(LinkModuleWine, ConsoleIsCreatedAgainWhenTouchedAfterCloseLink) {
    WorldProcess world({"--me", "Marla"});
    ASSERT_TRUE(world.ok());
    lm::OpenLink();
    lm::CloseLink();
    EXPECT_EQ(lm::ConsoleWindowHandle(), nullptr);
    lm::SayText("after close");
    HWND again = lm::ConsoleWindowHandle();
    ASSERT_NE(again, nullptr);
    EXPECT_FALSE(IsWindowVisible(again));
    EXPECT_EQ(world.Received("Zelmarink_Communicate"),
              std::vector<std::string>{WithNul("Tumbleroo\f0\f\fafter close")});
}

// A console request started from a message handled inside another request's connect: the outer request goes on
// with its own conversation, and the inner one's is ended, not overwritten and left open.
TEST_F(LinkModuleWine, RequestStartedInsideAnotherLeavesOneConversation) {
    WorldProcess world({"--me", "Marla"});
    ASSERT_TRUE(world.ok());
    const int none = OpenClientConversations();  // other instances' (earlier tests) may linger
    lm::OpenLink();
    const int before = OpenClientConversations();  // the register request's, left open until the next request
    EXPECT_EQ(before, none + 1);
    InitiateSpy spy;
    spy.Arm([] { lm::DdeLinkRegister(); });
    lm::SayText("outer");
    EXPECT_TRUE(spy.Fired());
    EXPECT_FALSE(ErrorCheckChecked());
    EXPECT_EQ(world.Received("Zelmarink_Register").size(), 2u);
    EXPECT_EQ(world.Received("Zelmarink_Communicate"), std::vector<std::string>{WithNul("Tumbleroo\f0\f\fouter")});
    EXPECT_EQ(OpenClientConversations(), before);
    lm::CloseLink();
    EXPECT_EQ(OpenClientConversations(), none);
}

// A console request started while another one's poke waits on the world client (which sits on it 1.5 s): the
// waiting conversation is not hung up under the poke, whose answer then counts, and the line is spoken once.
TEST_F(LinkModuleWine, RequestStartedInsideAPokeWaitDoesNotRepeatIt) {
    WorldProcess world({"--me", "Marla"});
    ASSERT_TRUE(world.ok());
    lm::OpenLink();
    ASSERT_TRUE(world.Control("fault|slow|Zelmarink_Communicate|1500"));
    bool nested = false;
    RunWhen(
        [&] {
            DWORD_PTR result = 0;
            return !SendMessageTimeoutA(world.Window(), WM_NULL, 0, 0, SMTO_NORMAL, 50, &result);  // it sits on it
        },
        [&] {
            nested = true;
            lm::DdeLinkRegister();
        });
    lm::SayText("once");
    EXPECT_TRUE(nested);
    EXPECT_FALSE(ErrorCheckChecked());
    testwin::PumpFor(500);
    EXPECT_EQ(world.Received("Zelmarink_Communicate"), std::vector<std::string>{WithNul("Tumbleroo\f0\f\fonce")});
    EXPECT_EQ(world.Received("Zelmarink_Register").size(), 2u);
    lm::CloseLink();
}

// CloseLink reached from a message handled inside the console's own connect: the window lives until the call
// has returned, and the request that was interrupted ends unsent (its fields went with the console).
TEST_F(LinkModuleWine, ConsoleClosedInsideItsOwnCallIsDestroyedAfterIt) {
    WorldProcess world({"--me", "Marla"});
    ASSERT_TRUE(world.ok());
    const int none = OpenClientConversations();
    lm::OpenLink();
    HWND first = lm::ConsoleWindowHandle();
    ASSERT_NE(first, nullptr);
    InitiateSpy spy;
    bool aliveInside = false, detachedInside = false;
    spy.Arm([&] {
        lm::CloseLink();
        aliveInside = IsWindow(first) != 0;
        detachedInside = lm::ConsoleWindowHandle() != first;
    });
    lm::SayText("interrupted");
    ASSERT_TRUE(spy.Fired());
    EXPECT_TRUE(aliveInside) << "destroyed while its own call was on the stack";
    EXPECT_TRUE(detachedInside);
    EXPECT_FALSE(IsWindow(first));
    EXPECT_EQ(world.Received("Zelmarink_Unregister").size(), 1u);
    EXPECT_TRUE(world.Received("Zelmarink_Communicate").empty());
    EXPECT_EQ(lm::ConsoleWindowHandle(), nullptr);
    EXPECT_EQ(OpenClientConversations(), none);
    // The next request makes a console of its own, as after any CloseLink.
    lm::SayText("after");
    EXPECT_EQ(world.Received("Zelmarink_Communicate"), std::vector<std::string>{WithNul("Tumbleroo\f0\f\fafter")});
}

TEST_F(LinkModuleWine, WaitSecondsCountsClockChangesAndHandlesEventsMeanwhile) {
    bool handled = false;
    PostHook([&] { handled = true; });
    const ULONGLONG start = GetTickCount64();
    lm::WaitSeconds(3);
    const ULONGLONG elapsed = GetTickCount64() - start;
    EXPECT_GE(elapsed, 1900u);
    EXPECT_LE(elapsed, 3200u);
    EXPECT_TRUE(handled);

    // A wait started right after a change of the clock's seconds lasts almost the whole second.
    SYSTEMTIME now;
    GetLocalTime(&now);
    Sleep(1000 - now.wMilliseconds % 1000 + 20);
    const ULONGLONG start1 = GetTickCount64();
    lm::WaitSeconds(1);
    EXPECT_GE(GetTickCount64() - start1, 800u);
}

int FocusedId() {
    const HWND focus = GetFocus();
    return focus ? GetDlgCtrlID(focus) : 0;
}

// A key as typed, posted to the control with the focus, then one yield of the module.
void PostKey(UINT vk) {
    const HWND focus = GetFocus();
    PostMessageA(focus, WM_KEYDOWN, vk, 1);
    PostMessageA(focus, WM_KEYUP, vk, static_cast<LPARAM>(0xC0000001));
    lm::YieldEvents();
}

void TypeChars(const std::string& text) {
    for (char c : text)
        PostMessageA(GetFocus(), WM_CHAR, static_cast<unsigned char>(c), 1);
    lm::YieldEvents();
}

// Shift cannot be posted; the thread's own key state says it is held.
void HoldShift(bool down) {
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[VK_SHIFT] = down ? 0x80 : 0;
    SetKeyboardState(keys);
}

TEST_F(LinkModuleWine, ConsoleWorksFromTheKeyboard) {
    WorldProcess world({"--me", "Marla"});
    ASSERT_TRUE(world.ok());
    lm::OpenLink();
    HWND console = lm::ConsoleWindowHandle();
    ASSERT_NE(console, nullptr);
    ShowWindow(console, SW_SHOW);
    SetForegroundWindow(console);
    lm::YieldEvents();
    ASSERT_EQ(GetActiveWindow(), console);
    EXPECT_EQ(FocusedId(), IDC_ZM_DDE_COMM_MODE);  // the first field

    // Tab goes round every control in the order of the table, Shift+Tab back.
    const int order[] = {IDC_ZM_DDE_COMM_MODE,    IDC_ZM_DDE_AVATAR_NAME, IDC_ZM_DDE_COMM_TEXT,
                         IDC_ZM_DDE_ERROR_CHECK,  IDC_ZM_DDE_REGISTER,    IDC_ZM_DDE_COMMUNICATE,
                         IDC_ZM_DDE_GET_ALL_TEXT, IDC_ZM_DDE_UNREGISTER,  IDC_ZM_DDE_TEXT1};
    const int n = static_cast<int>(std::size(order));
    for (int i = 1; i <= n; ++i) {
        PostKey(VK_TAB);
        EXPECT_EQ(FocusedId(), order[i % n]) << "Tab " << i;
    }
    HoldShift(true);
    for (int i = n - 1; i >= 0; --i) {
        PostKey(VK_TAB);
        EXPECT_EQ(FocusedId(), order[i]) << "Shift+Tab to " << i;
    }
    HoldShift(false);

    // Typing into the fields, then Enter on "Communicate" and Space on "Register".
    EXPECT_EQ(FocusedId(), IDC_ZM_DDE_COMM_MODE);
    TypeChars("0");
    PostKey(VK_TAB);
    PostKey(VK_TAB);
    TypeChars("typed");
    for (int i = 0; i < 3; ++i)
        PostKey(VK_TAB);
    ASSERT_EQ(FocusedId(), IDC_ZM_DDE_COMMUNICATE);
    PostKey(VK_RETURN);
    EXPECT_EQ(world.Received("Zelmarink_Communicate"), std::vector<std::string>{WithNul("Tumbleroo\f0\f\ftyped")});
    HoldShift(true);
    PostKey(VK_TAB);
    HoldShift(false);
    ASSERT_EQ(FocusedId(), IDC_ZM_DDE_REGISTER);
    PostKey(VK_SPACE);
    EXPECT_EQ(world.Received("Zelmarink_Register").size(), 2u);

    // Disabled, as a busy window is: keys reach none of its controls, not even the one with the focus.
    SetFocus(GetDlgItem(console, IDC_ZM_DDE_AVATAR_NAME));
    EnableWindow(console, FALSE);
    TypeChars("x");
    PostKey(VK_TAB);
    EXPECT_EQ(ControlText(console, IDC_ZM_DDE_AVATAR_NAME), "");
    EXPECT_EQ(FocusedId(), IDC_ZM_DDE_AVATAR_NAME);
    EnableWindow(console, TRUE);
    TypeChars("Ann");
    EXPECT_EQ(ControlText(console, IDC_ZM_DDE_AVATAR_NAME), "Ann");
    lm::CloseLink();
}

// Last: the kept WM_QUIT stays kept for the rest of the run.
TEST_F(LinkModuleWine, QuitMetDuringAYieldIsKeptUntilTheCommandIsOver) {
    WorldProcess world({"--me", "Marla"});
    ASSERT_TRUE(world.ok());
    lm::OpenLink();
    PostQuitMessage(7);
    lm::SayText("after the quit");  // the quit is met in its first yield; the command still runs to its end
    EXPECT_TRUE(lm::QuitKept());
    EXPECT_EQ(lm::KeptQuitCode(), 7);
    EXPECT_EQ(world.Received("Zelmarink_Communicate"),
              std::vector<std::string>{WithNul("Tumbleroo\f0\f\fafter the quit")});
    lm::CloseLink();
    EXPECT_EQ(world.Received("Zelmarink_Unregister").size(), 1u);
    EXPECT_EQ(lm::RunMessageLoop(), 7);  // the program's loop ends at once with the kept code
}

}  // namespace
