// Gorvath.exe under Wine against the stand-in world client, driven as an operator would drive it: clicks and
// menu choices posted by the program's own IDs, question and problem boxes answered, controls read through the
// W messages. Each scenario checks the exact chat lines the world received, the lists (through the maintenance
// window), the files written, the round buttons shown, and the busy state.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "common/controls_win.h"
#include "host/announcements.h"
#include "host/host_ids.h"
#include "host/host_window_layout.h"
#include "host/intake.h"
#include "host/tools/gorvath_remote_win.h"
#include "testing/world_harness_win.h"

namespace {

using hostremote::Gorvath;
using Lines = std::vector<std::string>;
using Files = std::map<std::string, std::string>;

constexpr char kLibraryMethod[] = "Pelmor 3.0\r\n0\r\n1\r\n0\r\n";
constexpr char kConsoleMethod[] = "Pelmor 3.0\r\n0\r\n0\r\n0\r\n";
constexpr char kMe[] = "Marla";

std::string Said(const std::string& text) {
    return std::string(kMe) + ": " + text;
}

Lines SaidAll(const host::Script& script) {
    Lines lines;
    for (const auto& step : script) {
        if (step.kind == host::Step::Kind::kSay)
            lines.push_back(Said(step.text));
    }
    return lines;
}

// A fresh folder for one scenario, with its files; removed when the test passed.
class Folder {
public:
    explicit Folder(const Files& files, const std::vector<std::string>& folders = {}) {
        char temp[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, temp);
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        path_ = std::string(temp) + "gorvath-" + info->name() + "-" + std::to_string(GetCurrentProcessId());
        CreateDirectoryA(path_.c_str(), nullptr);
        for (const auto& [name, content] : files)
            Write(name, content);
        for (const auto& name : folders)
            CreateDirectoryA(Path(name).c_str(), nullptr);
        folders_ = folders;
    }
    Folder(const Folder&) = delete;
    Folder& operator=(const Folder&) = delete;
    ~Folder() {
        if (::testing::Test::HasFailure()) {
            std::printf("scenario folder kept: %s\n", path_.c_str());
            return;
        }
        for (const auto& name : folders_)
            RemoveDirectoryA(Path(name).c_str());
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA(Path("*").c_str(), &found);
        if (search != INVALID_HANDLE_VALUE) {
            do {
                DeleteFileA(Path(found.cFileName).c_str());
            } while (FindNextFileA(search, &found));
            FindClose(search);
        }
        RemoveDirectoryA(path_.c_str());
    }
    std::string Path(const std::string& name) const { return path_ + "\\" + name; }
    const std::string& path() const { return path_; }
    void Write(const std::string& name, const std::string& content) const {
        std::ofstream(Path(name), std::ios::binary) << content;
    }
    std::optional<std::string> Read(const std::string& name) const {
        std::ifstream in(Path(name), std::ios::binary);
        if (!in)
            return std::nullopt;
        std::ostringstream all;
        all << in.rdbuf();
        return all.str();
    }

private:
    std::string path_;
    std::vector<std::string> folders_;
};

// The world with its room, then Gorvath.exe in the scenario's folder; the chat read as it grows.
class Game {
public:
    Game(const Folder& folder, const Lines& room) {
        for (const auto& command : room)
            EXPECT_TRUE(world.Control(command)) << command;
        chatSeen_ = world.Transcript("CHAT").size();
        gorvath = std::make_unique<Gorvath>(testwin::BinaryDirectory() + "Gorvath.exe", folder.path());
        EXPECT_TRUE(gorvath->ok()) << gorvath->Error();
    }

    // The chat lines added since the last call, once at least `atLeast` of them have arrived.
    Lines NewChat(size_t atLeast = 0) {
        Lines lines;
        testwin::PumpUntil(
            [&] {
                lines.clear();
                const auto all = world.Transcript("CHAT");
                for (size_t i = chatSeen_; i < all.size(); ++i)
                    lines.push_back(all[i].fields.empty() ? std::string() : all[i].fields[0]);
                return lines.size() >= atLeast;
            },
            10000);
        chatSeen_ += lines.size();
        return lines;
    }

    // Records poked on a topic, up to their NUL.
    Lines Received(const std::string& topic) const {
        Lines blocks;
        for (const auto& line : world.Transcript("RECV")) {
            if (line.fields.size() == 4 && line.fields[0] == topic)
                blocks.push_back(line.fields[3].substr(0, line.fields[3].find('\0')));
        }
        return blocks;
    }

    // Runs a command and expects exactly these new chat lines.
    void ExpectSays(int id, const Lines& expected) {
        ASSERT_TRUE(gorvath->Run(id)) << "command " << id << " did not finish";
        EXPECT_EQ(NewChat(expected.size()), expected) << "command " << id;
    }

    void Restore(int answer) {
        gorvath->Post(IDM_RECOVER_RESTOREPLAYERS);
        const auto box = gorvath->WaitForMessageBox(10000);
        ASSERT_TRUE(box);
        EXPECT_EQ(box->caption, "");
        EXPECT_EQ(box->text, host::kRestoreQuestion);
        const unsigned long before = gorvath->CommandsDone();
        Gorvath::Answer(*box, answer);
        ASSERT_TRUE(testwin::PumpUntil([&] { return gorvath->CommandsDone() > before; }, 10000));
        EXPECT_EQ(gorvath->Focus(), gorvath->Control(IDC_HOST_DUMMY));
    }

    struct MaintenanceLists {
        Lines players, waiting, winners;
        bool operator==(const MaintenanceLists&) const = default;
    };
    MaintenanceLists Maintenance() const {
        return {gorvath->ListItems(IDC_MAINT_LIST1), gorvath->ListItems(IDC_MAINT_LIST3),
                gorvath->ListItems(IDC_MAINT_LIST2)};
    }
    // Which "Delete Player" buttons show, players / wait list / winners, as "P", "W", "V" or "-".
    std::string DeletesShown() const {
        return std::string(gorvath->MaintenanceVisible(IDC_MAINT_COMMAND1) ? "P" : "-") +
               (gorvath->MaintenanceVisible(IDC_MAINT_COMMAND6) ? "W" : "-") +
               (gorvath->MaintenanceVisible(IDC_MAINT_COMMAND3) ? "V" : "-");
    }
    void OpenMaintenance() {
        ASSERT_TRUE(gorvath->Run(IDM_RECOVER_PLAYERWINDOW));
        ASSERT_TRUE(testwin::PumpUntil([&] { return gorvath->Maintenance() != nullptr; }, 5000));
    }
    void CloseMaintenance() {
        PostMessageW(gorvath->Maintenance(), WM_CLOSE, 0, 0);
        ASSERT_TRUE(testwin::PumpUntil([&] { return gorvath->Maintenance() == nullptr; }, 5000));
    }

    // Round buttons shown, as "G", "W", "L" or "-" for GIVE CATEGORY, Declare WINNER, Declare LOSER.
    std::string RoundButtons() const {
        return std::string(gorvath->Visible(IDC_HOST_COMMAND7) ? "G" : "-") +
               (gorvath->Visible(IDC_HOST_COMMAND6) ? "W" : "-") + (gorvath->Visible(IDC_HOST_COMMAND8) ? "L" : "-");
    }

    void ExpectIdle() const {
        EXPECT_FALSE(gorvath->Busy());
        EXPECT_EQ(gorvath->Background(), static_cast<COLORREF>(host::kIdleColour));
        EXPECT_TRUE(IsWindowEnabled(gorvath->Window()));
    }

    testwin::WorldProcess world{{"--me", kMe}};
    std::unique_ptr<Gorvath> gorvath;

private:
    size_t chatSeen_ = 0;
};

Lines GiveCategoryLines(const std::string& category) {
    return SaidAll(host::GiveCategoryScript(category));
}

Lines DrawLines(const std::string& name) {
    return SaidAll(host::DrawScript(name));
}

std::string Winner(const std::string& name) {
    return Said(name + ", You DID IT!!!  WTG!!!!");
}

std::string Loser(const std::string& name) {
    return Said(name + ", I am sorry you didn't win.  But you are put back in the list of players.");
}

// Start-up as the operator first sees it, then the intake: the call for players (the room answers by a trigger),
// Get_Players with the marker boundary, a refused name and a repeat run, Read List, and the lists afterwards.
TEST(GorvathWine, StartUpAndIntake) {
    Folder folder(Files{{"SCONTROL.TXT", kLibraryMethod}});
    Game game(folder, {"avatar|Ann", "avatar|Bob Smith", "avatar|Cleo", "avatar|Dora", "avatar|List2",
                       "esp|Dora|$", std::string("say|Ann|") + host::kIntakeMarker, "leave|Dora",
                       "esp|Cleo|$ $",
                       "when|Please ESP a single $ to me to be put on the List.|espall|$"});
    ASSERT_TRUE(game.gorvath->ok());
    Gorvath& g = *game.gorvath;
    const HWND window = g.Window();

    // The window as tabled: caption, client size at the real DPI, centred, pinned on top, every control.
    const win::Dpi dpi = win::ScreenDpi();
    EXPECT_EQ(hostremote::WindowText(window), "Tumbleroo");
    RECT client, outer;
    GetClientRect(window, &client);
    GetWindowRect(window, &outer);
    EXPECT_EQ(client.right, common::TwipsToPixels(4410, dpi.x));
    EXPECT_EQ(client.bottom, common::TwipsToPixels(2160, dpi.y));
    EXPECT_EQ(outer.left, common::CentreOffset(GetSystemMetrics(SM_CXSCREEN), outer.right - outer.left));
    EXPECT_EQ(outer.top, common::CentreOffset(GetSystemMetrics(SM_CYSCREEN), outer.bottom - outer.top));
    EXPECT_TRUE(GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_TOPMOST);
    for (const auto& c : host::kHostWindowControls) {
        SCOPED_TRACE(c.caption);
        const HWND control = g.Control(c.id);
        ASSERT_NE(control, nullptr);
        EXPECT_EQ(hostremote::WindowText(control), c.caption);
        RECT r;
        GetWindowRect(control, &r);
        MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&r), 2);
        EXPECT_EQ(r.left, common::TwipsToPixels(c.left, dpi.x));
        EXPECT_EQ(r.top, common::TwipsToPixels(c.top, dpi.y));
        EXPECT_EQ(r.right - r.left, common::TwipsToPixels(c.width, dpi.x));
        EXPECT_EQ(r.bottom - r.top, common::TwipsToPixels(c.height, dpi.y));
    }
    // What the operator sees: the four buttons, the empty label and box; the round buttons and panel hidden,
    // `Dummy` outside the client area and holding the focus.
    for (int id : {IDC_HOST_COMMAND1, IDC_HOST_COMMAND4, IDC_HOST_COMMAND12, IDC_HOST_PLAYERNAME, IDC_HOST_COMMAND5,
                   IDC_HOST_SELECTEDCATEGORY})
        EXPECT_TRUE(g.Visible(id)) << id;
    EXPECT_EQ(game.RoundButtons(), "---");
    EXPECT_FALSE(g.Visible(IDC_HOST_MACROFRAME));
    EXPECT_GE(common::TwipsToPixels(4800, dpi.x), client.right);
    EXPECT_EQ(g.Focus(), g.Control(IDC_HOST_DUMMY));
    game.ExpectIdle();
    EXPECT_EQ(game.Received("Zelmarink_Register"), Lines{"Tumbleroo"});

    // The call: the avatars still in the room answer it; Dora left, and her "$" came before the marker line.
    game.ExpectSays(IDM_ASKFORIT, {Said("Please ESP a single $ to me to be put on the List."), "ESP from Ann: $",
                                   "ESP from Bob Smith: $", "ESP from Cleo: $", "ESP from List2: $"});
    EXPECT_EQ(g.Focus(), g.Control(IDC_HOST_DUMMY));

    // Intake confirms each new sender once, in capture order; "List2" would break the saved game and is refused.
    game.ExpectSays(IDM_GETIT, {"ESP to Ann: You are on the List.", "ESP to Bob Smith: You are on the List.",
                                "ESP to Cleo: You are on the List."});
    const Lines communicated = game.Received("Zelmarink_Communicate");
    ASSERT_FALSE(communicated.empty());
    EXPECT_EQ(communicated.back(), "Tumbleroo\f2\fCleo\fYou are on the List.");
    EXPECT_EQ(folder.Read("GORVATH.SAV"), "Ann\r\nBob Smith\r\nCleo\r\n");
    game.ExpectSays(IDM_GETIT, {});

    game.ExpectSays(IDC_HOST_COMMAND1, {Said("The following are on the list:"), Said("Ann, Bob Smith, Cleo")});
    game.OpenMaintenance();
    EXPECT_EQ(game.Maintenance(), (Game::MaintenanceLists{{"Ann", "Bob Smith", "Cleo"}, {}, {}}));
    EXPECT_EQ(game.DeletesShown(), "---");
    for (int id : {IDC_MAINT_COMMAND2, IDC_MAINT_COMMAND5, IDC_MAINT_COMMAND4})
        EXPECT_TRUE(g.MaintenanceVisible(id));
    game.ExpectIdle();
}

// A whole round twice: restore, draw, category, the countdown (busy, red, refusing clicks, the maintenance
// window still usable), winner; then a second draw that can only fall on the other player, loser; then nothing
// left to draw.
TEST(GorvathWine, RoundsOfTheGame) {
    Folder folder(Files{{"SCONTROL.TXT", kLibraryMethod},
                        {"GORVATH.TXT", "Fruits\r\n\r\n   \r\n"},
                        {"GORVATH.SAV", "Ann\r\nBob\r\nCleo\r\nList2\r\nBob\r\n"}});
    Game game(folder, {"avatar|Ann", "avatar|Bob", "avatar|Cleo"});
    ASSERT_TRUE(game.gorvath->ok());
    Gorvath& g = *game.gorvath;
    game.Restore(IDYES);

    // A category picked before the draw is erased by it. Bob has won already, so Ann or Cleo is drawn.
    game.ExpectSays(IDC_HOST_COMMAND5, {});
    EXPECT_EQ(g.Text(IDC_HOST_SELECTEDCATEGORY), "Fruits");
    ASSERT_TRUE(g.Run(IDC_HOST_COMMAND12));
    const std::string first = g.Text(IDC_HOST_PLAYERNAME);
    ASSERT_TRUE(first == "Ann" || first == "Cleo") << first;
    const std::string second = first == "Ann" ? "Cleo" : "Ann";
    EXPECT_EQ(game.NewChat(6), DrawLines(first));
    EXPECT_EQ(g.Text(IDC_HOST_SELECTEDCATEGORY), "");
    EXPECT_EQ(game.RoundButtons(), "G--");
    EXPECT_EQ(folder.Read("GORVATH.SAV"), "Ann\r\nBob\r\nCleo\r\nList2\r\nBob\r\n");

    // The category as typed, with spaces; the countdown runs eleven clock seconds while the window is busy.
    game.OpenMaintenance();
    g.SetText(IDC_HOST_SELECTEDCATEGORY, "  Fruits  ");
    const unsigned long done = g.CommandsDone();
    const unsigned long refused = g.CommandsRefused();
    const ULONGLONG start = GetTickCount64();
    g.Post(IDC_HOST_COMMAND7);
    ASSERT_TRUE(testwin::PumpUntil([&] { return g.Busy(); }, 5000));
    EXPECT_EQ(g.Background(), static_cast<COLORREF>(host::kBusyColour));
    EXPECT_FALSE(IsWindowEnabled(g.Window()));
    g.Post(IDC_HOST_COMMAND12);
    g.Post(IDM_ASKFORIT);
    EXPECT_TRUE(testwin::PumpUntil([&] { return g.CommandsRefused() == refused + 2; }, 5000));
    g.SelectInMaintenance(IDC_MAINT_LIST1, 0);
    EXPECT_EQ(game.DeletesShown(), "P--");
    g.SelectInMaintenance(IDC_MAINT_LIST2, 0);
    EXPECT_EQ(game.DeletesShown(), "--V");
    EXPECT_EQ(g.ListSelection(IDC_MAINT_LIST1), LB_ERR);
    EXPECT_TRUE(g.Busy());
    ASSERT_TRUE(testwin::PumpUntil([&] { return g.CommandsDone() > done; }, 30000));
    EXPECT_GE(GetTickCount64() - start, 9900u);
    EXPECT_EQ(game.NewChat(15), GiveCategoryLines("Fruits"));
    EXPECT_EQ(g.Text(IDC_HOST_SELECTEDCATEGORY), "Fruits");
    EXPECT_EQ(game.RoundButtons(), "-WL");
    EXPECT_EQ(g.CommandsDone(), done + 1);
    EXPECT_EQ(g.Focus(), g.Control(IDC_HOST_DUMMY));
    game.ExpectIdle();

    game.ExpectSays(IDC_HOST_COMMAND6, {Winner(first)});
    EXPECT_EQ(g.Text(IDC_HOST_PLAYERNAME), "");
    EXPECT_EQ(game.RoundButtons(), "---");
    const std::string saved = "Ann\r\nBob\r\nCleo\r\nList2\r\n" +
                              (first == "Ann" ? std::string("Ann\r\nBob\r\n") : std::string("Bob\r\nCleo\r\n"));
    EXPECT_EQ(folder.Read("GORVATH.SAV"), saved);

    game.ExpectSays(IDC_HOST_COMMAND12, DrawLines(second));
    game.ExpectSays(IDC_HOST_COMMAND5, {});
    game.ExpectSays(IDC_HOST_COMMAND7, GiveCategoryLines("Fruits"));
    game.ExpectSays(IDC_HOST_COMMAND8, {Loser(second)});
    EXPECT_EQ(game.RoundButtons(), "---");
    EXPECT_EQ(folder.Read("GORVATH.SAV"), saved);

    // Nobody left: nothing said, nothing shown.
    game.ExpectSays(IDC_HOST_COMMAND12, {});
    EXPECT_EQ(g.Text(IDC_HOST_PLAYERNAME), "");
    EXPECT_EQ(game.RoundButtons(), "---");

    // The open window kept its snapshot; a new one shows the lists now.
    EXPECT_EQ(game.Maintenance(), (Game::MaintenanceLists{{"Ann", "Bob", "Cleo"}, {}, {"Bob"}}));
    game.CloseMaintenance();
    game.OpenMaintenance();
    Lines winners = {"Bob", first};
    std::sort(winners.begin(), winners.end());
    EXPECT_EQ(game.Maintenance(), (Game::MaintenanceLists{{"Ann", "Bob", "Cleo"}, {second}, winners}));
}

}  // namespace
