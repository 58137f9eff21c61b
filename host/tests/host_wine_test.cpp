// Gorvath.exe under Wine against the stand-in world client, driven as an operator would drive it: clicks and
// menu choices posted by the program's own IDs, question and problem boxes answered, controls read through the
// W messages. Each scenario checks the exact chat lines the world received, the lists (through the maintenance
// window), the files written, the round buttons shown, and the busy state.
#include <windows.h>
// winbase.h defines Yield() as an empty macro; host.h declares a member of that name.
#undef Yield

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/controls_win.h"
#include "host/announcements.h"
#include "host/host.h"
#include "host/host_ids.h"
#include "host/host_window_layout.h"
#include "host/intake.h"
#include "host/test_hook.h"
#include "host/tools/gorvath_remote_win.h"
#include "testing/program_harness_win.h"

namespace {

using hostremote::Gorvath;
using Lines = std::vector<std::string>;
using testwin::Files;
using testwin::Folder;
using testwin::kConsoleMethod;
using testwin::kLibraryMethod;
using testwin::kMe;
using testwin::Said;

Lines SaidAll(const host::Script& script) {
    Lines lines;
    for (const auto& step : script) {
        if (step.kind == host::Step::Kind::kSay)
            lines.push_back(Said(step.text));
    }
    return lines;
}

// The world with its room, then Gorvath.exe in the scenario's folder; the chat read as it grows.
class Game {
  public:
    Game(const Folder& folder, const Lines& room) {
        for (const auto& command : room)
            EXPECT_TRUE(world.Control(command)) << command;
        world.SkipChat();
        gorvath = std::make_unique<Gorvath>(testwin::BinaryDirectory() + "Gorvath.exe", folder.path());
        EXPECT_TRUE(gorvath->ok()) << gorvath->Error();
    }

    Lines NewChat(size_t atLeast = 0) { return world.NewChat(atLeast); }

    // Records poked on a topic, up to their NUL.
    Lines Received(const std::string& topic) const {
        Lines blocks = world.Received(topic);
        for (auto& block : blocks)
            block = block.substr(0, block.find('\0'));
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
    Folder folder("gorvath", Files{{"SCONTROL.TXT", kLibraryMethod}});
    const std::string tooLong(65, 'L');  // longer than an avatar name can be
    Game game(folder, {"avatar|Ann", "avatar|Bob Smith", "avatar|Cleo", "avatar|Dora", "avatar|List2",
                       "avatar|" + tooLong, "esp|Dora|$", std::string("say|Ann|") + host::kIntakeMarker, "leave|Dora",
                       "esp|Cleo|$ $", "when|Please ESP a single $ to me to be put on the List.|espall|$"});
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
    const auto topmost = [&] { return (GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; };
    EXPECT_TRUE(topmost());
    // Minimising and restoring pins it on top again.
    SetWindowPos(window, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    ASSERT_FALSE(topmost());
    ShowWindowAsync(window, SW_MINIMIZE);
    ShowWindowAsync(window, SW_RESTORE);
    EXPECT_TRUE(testwin::PumpUntil([&] { return topmost() && !IsIconic(window); }, 5000));
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
    game.ExpectSays(IDM_ASKFORIT,
                    {Said("Please ESP a single $ to me to be put on the List."), "ESP from Ann: $",
                     "ESP from Bob Smith: $", "ESP from Cleo: $", "ESP from List2: $", "ESP from " + tooLong + ": $"});
    EXPECT_EQ(g.Focus(), g.Control(IDC_HOST_DUMMY));

    // Intake confirms each new sender once, in capture order; "List2" would break the saved game and is refused, and
    // so is a name longer than any avatar's.
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
    Folder folder("gorvath", Files{{"SCONTROL.TXT", testwin::MethodOfThisRun(kLibraryMethod)},
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

// The maintenance window: sorted snapshots, one "Delete Player" at most, deleting the first of two equal
// winners, brought forward without a refill, and clearing PlayersList in the middle of a running countdown.
TEST(GorvathWine, PlayerMaintenance) {
    Folder folder("gorvath", Files{{"SCONTROL.TXT", kLibraryMethod},
                                   {"GORVATH.SAV", "Zed\r\namy\r\nBob\r\nList2\r\nBob\r\nBob\r\n"}});
    Game game(folder, {"avatar|Zed", "avatar|amy", "avatar|Bob"});
    ASSERT_TRUE(game.gorvath->ok());
    Gorvath& g = *game.gorvath;
    game.Restore(IDYES);
    game.OpenMaintenance();
    const HWND window = g.Maintenance();
    EXPECT_EQ(hostremote::WindowText(window), "Player Maintenance");
    EXPECT_EQ(game.Maintenance(), (Game::MaintenanceLists{{"amy", "Bob", "Zed"}, {}, {"Bob", "Bob"}}));
    EXPECT_EQ(game.DeletesShown(), "---");

    g.SelectInMaintenance(IDC_MAINT_LIST1, 0);
    EXPECT_EQ(game.DeletesShown(), "P--");
    g.SelectInMaintenance(IDC_MAINT_LIST2, 1);
    EXPECT_EQ(game.DeletesShown(), "--V");
    EXPECT_EQ(g.ListSelection(IDC_MAINT_LIST1), LB_ERR);
    g.ClickInMaintenance(IDC_MAINT_COMMAND3);
    EXPECT_EQ(game.Maintenance(), (Game::MaintenanceLists{{"amy", "Bob", "Zed"}, {}, {"Bob"}}));
    EXPECT_EQ(game.DeletesShown(), "---");
    game.ExpectSays(IDC_HOST_COMMAND4, SaidAll(host::RegCountdownScript()));
    EXPECT_EQ(folder.Read("GORVATH.SAV"), "Zed\r\namy\r\nBob\r\nList2\r\nBob\r\n");

    // A restore (of the older file) refills the game's lists, not the open window; choosing the window again only
    // brings it forward.
    folder.Write("GORVATH.SAV", "Zed\r\namy\r\nBob\r\nList2\r\nBob\r\nBob\r\n");
    game.Restore(IDYES);
    ASSERT_TRUE(g.Run(IDM_RECOVER_PLAYERWINDOW));
    EXPECT_EQ(g.Maintenance(), window);
    EXPECT_EQ(game.Maintenance(), (Game::MaintenanceLists{{"amy", "Bob", "Zed"}, {}, {"Bob"}}));

    // Bob has won twice and cannot be drawn. While the countdown runs, the operator clears PlayersList.
    ASSERT_TRUE(g.Run(IDC_HOST_COMMAND12));
    const std::string drawn = g.Text(IDC_HOST_PLAYERNAME);
    ASSERT_TRUE(drawn == "Zed" || drawn == "amy") << drawn;
    EXPECT_EQ(game.NewChat(6), DrawLines(drawn));
    g.SetText(IDC_HOST_SELECTEDCATEGORY, "Animals");
    const unsigned long done = g.CommandsDone();
    g.Post(IDC_HOST_COMMAND7);
    ASSERT_TRUE(testwin::PumpUntil([&] { return g.Busy(); }, 5000));
    g.SelectInMaintenance(IDC_MAINT_LIST1, 2);
    EXPECT_EQ(game.DeletesShown(), "P--");
    g.ClickInMaintenance(IDC_MAINT_COMMAND2);
    EXPECT_TRUE(g.Busy());
    EXPECT_EQ(game.Maintenance(), (Game::MaintenanceLists{{}, {}, {"Bob"}}));
    EXPECT_EQ(game.DeletesShown(), "---");
    for (int list : {IDC_MAINT_LIST1, IDC_MAINT_LIST2, IDC_MAINT_LIST3})
        EXPECT_EQ(g.ListSelection(list), LB_ERR);
    ASSERT_TRUE(testwin::PumpUntil([&] { return g.CommandsDone() > done; }, 30000));
    EXPECT_EQ(game.NewChat(15), GiveCategoryLines("Animals"));
    game.ExpectSays(IDC_HOST_COMMAND8, {Loser(drawn)});
    game.ExpectSays(IDC_HOST_COMMAND1, {Said("The following are on the list:")});
    EXPECT_EQ(folder.Read("GORVATH.SAV"), "List2\r\nBob\r\nBob\r\n");

    // Reopened: the loser waits; deleting that entry and clearing the winners leave an empty saved game.
    game.CloseMaintenance();
    game.OpenMaintenance();
    EXPECT_NE(g.Maintenance(), window);
    EXPECT_EQ(game.Maintenance(), (Game::MaintenanceLists{{}, {drawn}, {"Bob", "Bob"}}));
    g.SelectInMaintenance(IDC_MAINT_LIST3, 0);
    EXPECT_EQ(game.DeletesShown(), "-W-");
    g.ClickInMaintenance(IDC_MAINT_COMMAND6);
    g.ClickInMaintenance(IDC_MAINT_COMMAND4);
    EXPECT_EQ(game.Maintenance(), (Game::MaintenanceLists{{}, {}, {}}));
    game.ExpectSays(IDC_HOST_COMMAND1, {Said("The following are on the list:")});
    EXPECT_EQ(folder.Read("GORVATH.SAV"), "");
}

// Closing the window in the middle of the countdown: the windows vanish at once, the countdown stops, the link
// is closed and the process ends. A WM_QUIT from elsewhere, met inside a yield, ends the program the same way.
TEST(GorvathWine, ClosingEndsARunningCommand) {
    Folder folder("gorvath", Files{{"SCONTROL.TXT", kLibraryMethod}, {"GORVATH.SAV", "Ann\r\n"}});
    Game game(folder, {"avatar|Ann"});
    const Lines countdown = GiveCategoryLines("Fruits");
    for (const bool quit : {false, true}) {
        SCOPED_TRACE(quit ? "WM_QUIT" : "WM_CLOSE");
        if (quit)
            game.gorvath = std::make_unique<Gorvath>(testwin::BinaryDirectory() + "Gorvath.exe", folder.path());
        ASSERT_TRUE(game.gorvath->ok());
        Gorvath& g = *game.gorvath;
        game.Restore(IDYES);
        game.OpenMaintenance();
        game.ExpectSays(IDC_HOST_COMMAND12, DrawLines("Ann"));
        g.SetText(IDC_HOST_SELECTEDCATEGORY, "Fruits");
        g.Post(IDC_HOST_COMMAND7);
        ASSERT_EQ(game.NewChat(5), Lines(countdown.begin(), countdown.begin() + 5));
        const ULONGLONG start = GetTickCount64();
        if (quit) {
            PostThreadMessageW(GetWindowThreadProcessId(g.Window(), nullptr), WM_QUIT, 0, 0);
        } else {
            PostMessageW(g.Window(), WM_CLOSE, 0, 0);
            EXPECT_TRUE(testwin::PumpUntil([&] { return !IsWindowVisible(g.Window()) && !g.Maintenance(); }, 2000));
        }
        ASSERT_TRUE(g.WaitForExit(10000));
        EXPECT_LT(GetTickCount64() - start, 5000u);
        EXPECT_LE(game.NewChat().size(), 1u);  // a countdown line already on its way
        EXPECT_EQ(game.Received("Zelmarink_Unregister"), Lines(quit ? 2 : 1, "Tumbleroo"));
    }
}

// Console method: the announcements and a reconnect, with every line as the world received it.
TEST(GorvathWine, AnnouncementsByConsole) {
    Folder folder("gorvath", Files{{"SCONTROL.TXT", kConsoleMethod}, {"GORVATH.SAV", "Old\r\n"}});
    Game game(folder, {});
    ASSERT_TRUE(game.gorvath->ok());
    Gorvath& g = *game.gorvath;
    game.ExpectSays(IDC_HOST_COMMAND4, {Said("Closing the list in 5."), Said("5"), Said("4"), Said("3"), Said("2"),
                                        Said("1"), Said("******* The List is Closed. *******")});
    EXPECT_EQ(folder.Read("GORVATH.SAV"), "");  // the lists start empty: a restart must restore first
    game.ExpectSays(
        IDM_MACS_WELCOMEMESSAGE,
        {Said("Zobek's Tumbleroo"), Said(host::kHowToPlayNotice), Said(" "), Said("How Tumbleroo Works:"), Said(" "),
         Said("1. I draw a player at random from the list of players."),
         Said("2. The player comes down in front of everyone to play."), Said("3. I give the player a category."),
         Said("4. The player has to SHOUT outloud 5 things that fit that category within 10 seconds."),
         Said("5. If they don't, they go back into the possible players list and could be picked again."), Said(" "),
         Said("Please Note: The Host has the last say on whether something fits the category or not."), Said(" "),
         Said("ESP me a $ to get in on the game.")});
    EXPECT_EQ(g.Focus(), g.Control(IDC_HOST_DUMMY));
    const Lines registered = game.Received("Zelmarink_Register");
    ASSERT_TRUE(g.Run(IDM_RECOVER_RECON));
    EXPECT_EQ(game.Received("Zelmarink_Unregister"), Lines{"Tumbleroo"});
    EXPECT_EQ(game.Received("Zelmarink_Register").size(), registered.size() + 1);
    EXPECT_EQ(game.Received("Zelmarink_Register").back(), "Tumbleroo");
    for (const auto& ack : game.world.Transcript("ACK"))  // acknowledgements reach the library method only
        EXPECT_NE(ack.fields.at(1), "delivered");
    game.ExpectSays(IDM_ASKFORIT, {Said("Please ESP a single $ to me to be put on the List.")});
    game.ExpectIdle();
}

// Macro titles and texts: the menu item with index 1 plays MACRO2.TXT; "Setup", "Oops" and "Save". Titles longer
// than a caption buffer, or full of "&" (doubled in the caption), reach the boxes and the file whole.
TEST(GorvathWine, Macros) {
    const std::string ampersands(300, '&');
    const std::string longTitle = "Long " + std::string(600, 'x');
    Folder folder("gorvath",
                  Files{{"SCONTROL.TXT", kLibraryMethod},
                        {"MACTITS.TXT", "  Prizes  \r\nRules\r\n" + ampersands + "\r\n" + longTitle + "\r\n"},
                        {"MACRO1.TXT", "Never said\r\n"},
                        {"MACRO2.TXT", "Welcome!\r\n\r\nHave fun.\r\n"}});
    Game game(folder, {});
    ASSERT_TRUE(game.gorvath->ok());
    Gorvath& g = *game.gorvath;
    const auto boxes = [&] {
        Lines texts;
        for (int i = 0; i < 9; ++i)
            texts.push_back(g.Text(IDC_HOST_MACROTITLE0 + i));
        return texts;
    };
    Lines titles = {"Prizes", "Rules", ampersands, longTitle, "Macro5", "Macro6", "Macro7", "Macro8", "Macro9"};

    game.ExpectSays(IDM_MACS_SETUPMACS, {});
    EXPECT_TRUE(g.Visible(IDC_HOST_MACROFRAME));
    EXPECT_TRUE(g.Visible(IDC_HOST_COMMAND14));
    EXPECT_EQ(boxes(), titles);
    g.SetText(IDC_HOST_MACROTITLE0 + 1, "Changed");
    ASSERT_TRUE(g.Run(IDC_HOST_COMMAND19));
    EXPECT_FALSE(g.Visible(IDC_HOST_MACROFRAME));
    ASSERT_TRUE(g.Run(IDM_MACS_SETUPMACS));
    EXPECT_EQ(boxes(), titles);

    // The macro panel stays open while a macro is spoken.
    game.ExpectSays(IDM_MACS_MACROS1, {Said("Welcome!"), Said("Have fun.")});
    game.ExpectSays(IDM_MACS_MACROS1 + 8, {});
    game.ExpectIdle();
    EXPECT_TRUE(g.Visible(IDC_HOST_MACROFRAME));

    g.SetText(IDC_HOST_MACROTITLE0, "House Rules & Prizes");
    ASSERT_TRUE(g.Run(IDC_HOST_COMMAND14));
    EXPECT_FALSE(g.Visible(IDC_HOST_MACROFRAME));
    EXPECT_EQ(g.Focus(), g.Control(IDC_HOST_DUMMY));
    titles[0] = "House Rules & Prizes";
    std::string file;
    for (const auto& t : titles)
        file += t + "\r\n";
    EXPECT_EQ(folder.Read("MACTITS.TXT"), file);
    ASSERT_TRUE(g.Run(IDM_MACS_SETUPMACS));  // the boxes show the titles as the menu does
    EXPECT_EQ(boxes(), titles);
    ASSERT_TRUE(g.Run(IDC_HOST_COMMAND19));
    EXPECT_TRUE(game.NewChat().empty());
}

// GORVATH.SAV and MACTITS.TXT that cannot be written: one clear message per command, the command goes on, the
// previous saved game stays whole, and the menu shows the new titles all the same.
TEST(GorvathWine, UnwritableFiles) {
    Folder folder("gorvath", Files{{"SCONTROL.TXT", kLibraryMethod}, {"GORVATH.SAV", "Keep\r\n"}},
                  {"GORVATH.SAV.tmp", "MACTITS.TXT.tmp"});
    Game game(folder, {"avatar|Keep"});
    ASSERT_TRUE(game.gorvath->ok());
    Gorvath& g = *game.gorvath;
    game.Restore(IDYES);

    for (int id : {IDC_HOST_COMMAND1, IDM_GETIT}) {
        SCOPED_TRACE(id);
        const unsigned long done = g.CommandsDone();
        g.Post(id);
        const auto box = g.WaitForMessageBox(20000);
        ASSERT_TRUE(box);
        EXPECT_EQ(box->caption, "Tumbleroo");
        EXPECT_NE(box->text.find("could not be saved to GORVATH.SAV"), std::string::npos) << box->text;
        EXPECT_NE(box->text.find("previous saved game is kept"), std::string::npos) << box->text;
        Gorvath::Answer(*box, IDOK);
        ASSERT_TRUE(testwin::PumpUntil([&] { return g.CommandsDone() > done; }, 10000));
        EXPECT_FALSE(g.WaitForMessageBox(300));  // one box, although Get_Players saves twice
    }
    EXPECT_EQ(game.NewChat(2), (Lines{Said("The following are on the list:"), Said("Keep")}));
    EXPECT_EQ(folder.Read("GORVATH.SAV"), "Keep\r\n");

    ASSERT_TRUE(g.Run(IDM_MACS_SETUPMACS));
    g.SetText(IDC_HOST_MACROTITLE0, "Prizes");
    g.Post(IDC_HOST_COMMAND14);
    const auto box = g.WaitForMessageBox(10000);
    ASSERT_TRUE(box);
    EXPECT_NE(box->text.find("could not be saved to MACTITS.TXT"), std::string::npos) << box->text;
    Gorvath::Answer(*box, IDOK);
    EXPECT_FALSE(folder.Read("MACTITS.TXT"));
    ASSERT_TRUE(g.Run(IDM_MACS_SETUPMACS));
    EXPECT_EQ(g.Text(IDC_HOST_MACROTITLE0), "Prizes");
    game.ExpectIdle();
}

// "Restore Players": No reads nothing; Yes takes blank lines out, keeps look-alikes of the section line as
// entries, and the next save writes the lists back in the exact format.
TEST(GorvathWine, SaveAndRestore) {
    const std::string saved = "Amy\r\n\r\n   \r\nlist2\r\n List2\r\nList2\r\nCara\r\n\r\nBob\r\nBob\r\n";
    Folder folder("gorvath", Files{{"SCONTROL.TXT", kLibraryMethod}, {"GORVATH.SAV", saved}});
    Game game(folder, {});
    ASSERT_TRUE(game.gorvath->ok());
    game.Restore(IDNO);
    game.OpenMaintenance();
    EXPECT_EQ(game.Maintenance(), (Game::MaintenanceLists{{}, {}, {}}));
    game.CloseMaintenance();
    EXPECT_EQ(folder.Read("GORVATH.SAV"), saved);

    game.Restore(IDYES);
    game.OpenMaintenance();
    EXPECT_EQ(game.Maintenance(), (Game::MaintenanceLists{{" List2", "Amy", "list2"}, {}, {"Bob", "Bob", "Cara"}}));
    game.ExpectSays(IDC_HOST_COMMAND4, SaidAll(host::RegCountdownScript()));
    EXPECT_EQ(folder.Read("GORVATH.SAV"), "Amy\r\nlist2\r\n List2\r\nList2\r\nBob\r\nBob\r\nCara\r\n");

    // Names from every language (8-bit, code page 1252) sort as the platform's sorted list boxes sort them,
    // ignoring case: Read List, WinnersList (and with it the file's winners block) and the maintenance copies.
    const std::string ann = "\xC5nn", emile = "\xC9mile", jose = "Jos\xE9", zoe = "Zo\xEB";
    folder.Write("GORVATH.SAV", zoe + "\r\nadam\r\n" + ann + "\r\nbob\r\n" + jose + "\r\n" + emile +
                                    "\r\nAnn\r\nList2\r\n" + zoe + "\r\nbob\r\n" + emile + "\r\n" + ann + "\r\n");
    game.CloseMaintenance();
    game.Restore(IDYES);
    game.ExpectSays(IDC_HOST_COMMAND1, {Said("The following are on the list:"),
                                        Said("adam, Ann, " + ann + ", bob, " + emile + ", " + jose + ", " + zoe)});
    EXPECT_EQ(folder.Read("GORVATH.SAV"), zoe + "\r\nadam\r\n" + ann + "\r\nbob\r\n" + jose + "\r\n" + emile +
                                              "\r\nAnn\r\nList2\r\n" + ann + "\r\nbob\r\n" + emile + "\r\n" + zoe +
                                              "\r\n");
    game.OpenMaintenance();
    EXPECT_EQ(game.Maintenance(),
              (Game::MaintenanceLists{{"adam", "Ann", ann, "bob", emile, jose, zoe}, {}, {ann, "bob", emile, zoe}}));
}

// Start-up with files far larger than any real ones: one message names each, the other start-up steps ran (the
// link is open), and the program works without those files.
TEST(GorvathWine, StartUpWithOversizedFiles) {
    Folder folder("gorvath", Files{{"SCONTROL.TXT", kLibraryMethod},
                                   {"MACTITS.TXT", "Prizes\r\n" + std::string(size_t{200} << 10, 'x')},
                                   {"GORVATH.TXT", "Fruits\r\n" + std::string(size_t{5} << 20, 'x')}});
    Game game(folder, {});
    ASSERT_TRUE(game.gorvath->ok());
    Gorvath& g = *game.gorvath;
    const auto box = g.WaitForMessageBox(10000);
    ASSERT_TRUE(box);
    EXPECT_EQ(box->caption, "Tumbleroo");
    EXPECT_NE(box->text.find("MACTITS.TXT is larger than a macro title file can be (over 64 KB) and was not read"),
              std::string::npos)
        << box->text;
    EXPECT_NE(box->text.find("GORVATH.TXT is larger than a category file can be (over 4 MB) and was not read"),
              std::string::npos)
        << box->text;
    EXPECT_EQ(box->text.find("Start-up went on"), std::string::npos) << box->text;
    Gorvath::Answer(*box, IDOK);
    EXPECT_TRUE(testwin::PumpUntil([&] { return game.Received("Zelmarink_Register").size() == 1; }, 5000));
    EXPECT_EQ(game.Received("Zelmarink_Register"), Lines{"Tumbleroo"});

    game.ExpectSays(IDM_MACS_SETUPMACS, {});
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(g.Text(IDC_HOST_MACROTITLE0 + i), "Macro" + std::to_string(i + 1));
    ASSERT_TRUE(g.Run(IDC_HOST_COMMAND19));
    game.ExpectSays(IDC_HOST_COMMAND5, {});
    EXPECT_EQ(g.Text(IDC_HOST_SELECTEDCATEGORY), "");
    game.ExpectSays(IDM_ASKFORIT, {Said("Please ESP a single $ to me to be put on the List.")});
    EXPECT_FALSE(g.WaitForMessageBox(300));
    game.ExpectIdle();
}

// A restart: the first saving command keeps the last game in GORVATH.BAK before it overwrites GORVATH.SAV, and
// the operator gets that game back by renaming the copy and choosing "Restore Players". A run that restored first
// copies nothing.
TEST(GorvathWine, PreviousGameKeptOnFirstSave) {
    const std::string last = "Ann\r\nBob\r\nList2\r\nBob\r\n";
    Folder folder("gorvath",
                  Files{{"SCONTROL.TXT", kLibraryMethod}, {"GORVATH.SAV", last}, {"GORVATH.BAK", "Older\r\n"}});
    Game game(folder, {"avatar|Ann", "avatar|Bob"});
    ASSERT_TRUE(game.gorvath->ok());
    game.ExpectSays(IDC_HOST_COMMAND4, SaidAll(host::RegCountdownScript()));
    EXPECT_EQ(folder.Read("GORVATH.SAV"), "");
    EXPECT_EQ(folder.Read("GORVATH.BAK"), last);
    EXPECT_FALSE(folder.Read("GORVATH.BAK.tmp"));
    game.ExpectSays(IDC_HOST_COMMAND1, {Said("The following are on the list:")});
    EXPECT_EQ(folder.Read("GORVATH.BAK"), last);  // once a run

    ASSERT_TRUE(
        MoveFileExA(folder.Path("GORVATH.BAK").c_str(), folder.Path("GORVATH.SAV").c_str(), MOVEFILE_REPLACE_EXISTING));
    game.Restore(IDYES);
    game.ExpectSays(IDC_HOST_COMMAND1, {Said("The following are on the list:"), Said("Ann, Bob")});
    EXPECT_EQ(folder.Read("GORVATH.SAV"), last);
    EXPECT_FALSE(folder.Read("GORVATH.BAK"));

    ASSERT_TRUE(game.gorvath->Close());
    game.gorvath = std::make_unique<Gorvath>(testwin::BinaryDirectory() + "Gorvath.exe", folder.path());
    ASSERT_TRUE(game.gorvath->ok());
    game.Restore(IDYES);
    game.ExpectSays(IDC_HOST_COMMAND4, SaidAll(host::RegCountdownScript()));
    EXPECT_EQ(folder.Read("GORVATH.SAV"), last);
    EXPECT_FALSE(folder.Read("GORVATH.BAK"));
}

// A maintenance command that fails unexpectedly is reported in one message, as the HostWindow's commands are, and
// the window stays usable.
TEST(GorvathWine, MaintenanceFailureIsReported) {
    Folder folder("gorvath", Files{{"SCONTROL.TXT", kLibraryMethod}, {"GORVATH.SAV", "Ann\r\nBob\r\n"}});
    Game game(folder, {});
    ASSERT_TRUE(game.gorvath->ok());
    Gorvath& g = *game.gorvath;
    game.Restore(IDYES);
    game.OpenMaintenance();
    EXPECT_EQ(g.Query(host::kHookFailNextMaintenanceCommand), 1u);
    const HWND maintenance = g.Maintenance();
    PostMessageW(maintenance, WM_COMMAND, MAKEWPARAM(IDC_MAINT_COMMAND2, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(maintenance, IDC_MAINT_COMMAND2)));
    const auto box = g.WaitForMessageBox(10000);
    ASSERT_TRUE(box);
    EXPECT_EQ(box->caption, "Player Maintenance");
    EXPECT_EQ(box->text, "The command stopped early: failure requested by a test");
    Gorvath::Answer(*box, IDOK);
    EXPECT_EQ(game.Maintenance(), (Game::MaintenanceLists{{"Ann", "Bob"}, {}, {}}));
    g.ClickInMaintenance(IDC_MAINT_COMMAND2);
    EXPECT_EQ(game.Maintenance(), (Game::MaintenanceLists{{}, {}, {}}));
    game.ExpectSays(IDC_HOST_COMMAND1, {Said("The following are on the list:")});
    game.ExpectIdle();
}

// Get_Players when the world client gives no chat text: after its five tries, one message once the window has left
// the busy state, instead of ending as if nobody had asked to join. Once the text comes again, intake works.
TEST(GorvathWine, ChatTextNotFetched) {
    for (const char* method : {kLibraryMethod, kConsoleMethod}) {
        SCOPED_TRACE(method == kLibraryMethod ? "library" : "console");
        Folder folder("gorvath", Files{{"SCONTROL.TXT", method}});
        Game game(folder, {"avatar|Ann", "esp|Ann|$", "fault|notext|on"});
        ASSERT_TRUE(game.gorvath->ok());
        Gorvath& g = *game.gorvath;
        const unsigned long done = g.CommandsDone();
        g.Post(IDM_GETIT);
        const auto box = g.WaitForMessageBox(30000);
        ASSERT_TRUE(box);
        EXPECT_EQ(box->caption, "Tumbleroo");
        EXPECT_EQ(box->text, host::kNoChatText);
        EXPECT_FALSE(g.Busy());
        EXPECT_EQ(g.Background(), static_cast<COLORREF>(host::kIdleColour));
        Gorvath::Answer(*box, IDOK);
        ASSERT_TRUE(testwin::PumpUntil([&] { return g.CommandsDone() > done; }, 10000));
        EXPECT_FALSE(g.WaitForMessageBox(300));
        size_t requests = 0;
        for (const auto& line : game.world.Transcript("REQ"))
            requests += line.fields.size() > 1 && line.fields[0] == "Zelmarink_GetAllText";
        // Five fetches; by the console method an empty answer is a failed link request, tried five times each.
        EXPECT_EQ(requests, method == kLibraryMethod ? 5u : 25u);
        EXPECT_EQ(folder.Read("GORVATH.SAV"), "");

        EXPECT_TRUE(game.world.Control("fault|notext|off"));
        game.ExpectSays(IDM_GETIT, {"ESP to Ann: You are on the List."});
        EXPECT_FALSE(g.WaitForMessageBox(300));
        game.ExpectIdle();
    }
}

// The support log and the crash report. A run logs its start, the settings, each command with its counts and
// duration, and the files it wrote, but no player's name. A crash (a null pointer read, through the test hook)
// writes GORVATH.DMP and a crash line; the next start tells the operator once where the report is and that the
// game is in GORVATH.SAV, joined with the other start-up problems; the start after that says nothing.
TEST(GorvathWine, SupportLogAndCrashReport) {
    Folder folder("gorvath", Files{{"SCONTROL.TXT", kLibraryMethod}, {"GORVATH.SAV", "Annika\r\nBorje\r\n"}});
    Game game(folder, {"avatar|Cleopatra", "esp|Cleopatra|$"});
    ASSERT_TRUE(game.gorvath->ok());
    game.Restore(IDYES);
    game.ExpectSays(IDM_GETIT, {"ESP to Cleopatra: You are on the List."});
    game.ExpectSays(IDC_HOST_COMMAND1, {Said("The following are on the list:"), Said("Annika, Borje, Cleopatra")});
    const std::string log = folder.Read("GORVATH.LOG").value_or("");
    for (const char* expected :
         {"start  Gorvath ",
          "start  settings from SCONTROL.TXT: title \"Pelmor 3.0\", focus control 0, library method 1, delay 0 s",
          "cmd    Restore Players: 2 players, 0 winners; ", "file   GORVATH.SAV 26 bytes: ok",
          " bytes of chat, 1 new, 0 already listed, 0 refused; ", "cmd    Read List: 3 players; "}) {
        EXPECT_NE(log.find(expected), std::string::npos) << expected << "\n" << log;
    }
    EXPECT_NE(log.find(" in " + folder.path() + "\r\n"), std::string::npos) << log;
    for (const char* name : {"Annika", "Borje", "Cleopatra"})  // nobody's name, nor the chat
        EXPECT_EQ(log.find(name), std::string::npos) << name << "\n" << log;

    EXPECT_EQ(game.gorvath->Query(host::kHookCrash), 1u);
    // Writing the report of a whole process took over 20 s under Wine beside eight other tests on two cores.
    ASSERT_TRUE(game.gorvath->WaitForExit(60000));
    const auto dump = folder.Read("GORVATH.DMP");
    ASSERT_TRUE(dump);
    EXPECT_GT(dump->size(), 1000u);
    EXPECT_EQ(dump->substr(0, 4), "MDMP");
    const std::string crashed = folder.Read("GORVATH.LOG").value_or("");
    EXPECT_NE(crashed.find("crash  unhandled exception 0xc0000005"), std::string::npos) << crashed;
    EXPECT_NE(crashed.find("; report " + folder.Path("GORVATH.DMP") + ", " + std::to_string(dump->size()) + " bytes"),
              std::string::npos)
        << crashed;

    // The next start, with a category file too large to read: one message with the notice first.
    folder.Write("GORVATH.TXT", "Fruits\r\n" + std::string(size_t{5} << 20, 'x'));
    game.gorvath = std::make_unique<Gorvath>(testwin::BinaryDirectory() + "Gorvath.exe", folder.path());
    ASSERT_TRUE(game.gorvath->ok());
    // The world client still holds the crashed run's registration and refuses the new one (code 9) in a box of
    // its own, which may come before or after the notice.
    std::optional<hostremote::MessageBoxSeen> notice;
    for (int i = 0; i < 2; ++i) {
        const auto box = game.gorvath->WaitForMessageBox(10000);
        ASSERT_TRUE(box);
        if (box->caption == "Tumbleroo")
            notice = box;
        else
            EXPECT_EQ(box->text, "9 - App.Title already registered");
        Gorvath::Answer(*box, IDOK);
    }
    ASSERT_TRUE(notice);
    EXPECT_EQ(notice->text.find("The last run of this program ended in a crash. A crash report was written to " +
                                folder.Path("GORVATH.DMP") + "."),
              0u)
        << notice->text;
    EXPECT_NE(notice->text.find("GORVATH.LOG, GORVATH.LO1 (if there is one) and SCONTROL.TXT"), std::string::npos)
        << notice->text;
    EXPECT_NE(notice->text.find("The game as saved at the start of the last command is in GORVATH.SAV: choose "
                                "\"Recovery > Restore Players\""),
              std::string::npos)
        << notice->text;
    EXPECT_NE(notice->text.find("GORVATH.TXT is larger than a category file can be"), std::string::npos)
        << notice->text;
    EXPECT_FALSE(game.gorvath->WaitForMessageBox(500));
    game.Restore(IDYES);
    game.ExpectSays(IDC_HOST_COMMAND1, {Said("The following are on the list:"), Said("Annika, Borje, Cleopatra")});
    ASSERT_TRUE(game.gorvath->Close());

    // Told once: the start after that shows no box at all.
    folder.Write("GORVATH.TXT", "Fruits\r\n");
    game.gorvath = std::make_unique<Gorvath>(testwin::BinaryDirectory() + "Gorvath.exe", folder.path());
    ASSERT_TRUE(game.gorvath->ok());
    EXPECT_FALSE(game.gorvath->WaitForMessageBox(2000));
    game.ExpectIdle();
}

}  // namespace

// The keyboard, as a Windows user expects it: Tab and Shift+Tab go round the visible controls from `Dummy`, Enter
// and space press the focused button, Alt opens the menu bar, Esc closes the maintenance window. While a command
// runs, the HostWindow takes no keys at all.
TEST(GorvathWine, Keyboard) {
    Folder folder("gorvath", Files{{"SCONTROL.TXT", kLibraryMethod}, {"GORVATH.SAV", "Ann\r\nList2\r\nBob\r\n"}});
    Game game(folder, {"avatar|Ann"});
    ASSERT_TRUE(game.gorvath->ok());
    Gorvath& g = *game.gorvath;
    game.Restore(IDYES);
    const auto focusOn = [&](HWND control) { return testwin::PumpUntil([&] { return g.Focus() == control; }, 5000); };
    ASSERT_TRUE(focusOn(g.Control(IDC_HOST_DUMMY)));

    // Forward with Tab, then back with Shift+Tab; hidden controls, the macro panel and the label are skipped.
    const std::vector<int> ring = {IDC_HOST_COMMAND1, IDC_HOST_COMMAND4,         IDC_HOST_COMMAND12,
                                   IDC_HOST_COMMAND5, IDC_HOST_SELECTEDCATEGORY, IDC_HOST_DUMMY};
    for (int id : ring) {
        g.PressKey(VK_TAB);
        EXPECT_TRUE(focusOn(g.Control(id))) << "Tab to " << id;
    }
    for (size_t i = ring.size() - 1; i-- > 0;)
        EXPECT_EQ(g.ShiftTab(), ring[i]);
    EXPECT_EQ(g.ShiftTab(), IDC_HOST_DUMMY);
    ASSERT_TRUE(focusOn(g.Control(IDC_HOST_DUMMY)));

    const auto tabTo = [&](HWND control) {
        for (int i = 0; i < 24 && g.Focus() != control; ++i) {
            const HWND before = g.Focus();
            g.PressKey(VK_TAB);
            testwin::PumpUntil([&] { return g.Focus() != before; }, 5000);
        }
        return g.Focus() == control;
    };
    // Enter and space on the HostWindow: a button runs its command, `Dummy` and the category box do nothing. The
    // keyboard reaches a button by Tab, or by a mouse press that slid off it before the release (no click).
    const auto pressAndSlideOff = [&](HWND button) {
        RECT r;
        GetClientRect(button, &r);
        PostMessageW(button, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
        PostMessageW(button, WM_LBUTTONUP, 0, MAKELPARAM(r.right + 20, r.bottom + 20));
        return focusOn(button);
    };
    struct HostKey {
        int focus;
        UINT key;
        bool runs;
        bool byMouse = false;
    };
    const HostKey hostKeys[] = {
        {IDC_HOST_COMMAND1, VK_RETURN, true},       {IDC_HOST_COMMAND1, VK_SPACE, true},
        {IDC_HOST_COMMAND1, VK_RETURN, true, true}, {IDC_HOST_DUMMY, VK_RETURN, false},
        {IDC_HOST_DUMMY, VK_SPACE, false},          {IDC_HOST_SELECTEDCATEGORY, VK_RETURN, false},
    };
    for (const HostKey& k : hostKeys) {
        SCOPED_TRACE("key " + std::to_string(k.key) + " on " + std::to_string(k.focus));
        const unsigned long done = g.CommandsDone();
        ASSERT_TRUE(k.byMouse ? pressAndSlideOff(g.Control(k.focus)) : tabTo(g.Control(k.focus)));
        ASSERT_EQ(g.CommandsDone(), done);
        g.PressKey(k.key);
        if (k.runs) {
            ASSERT_TRUE(testwin::PumpUntil([&] { return g.CommandsDone() == done + 1; }, 10000));
            EXPECT_EQ(game.NewChat(2), Lines({Said("The following are on the list:"), Said("Ann")}));
            EXPECT_TRUE(focusOn(g.Control(IDC_HOST_DUMMY)));
        } else {
            // Keys are handled in order: once the next Tab has moved on, the key before it has been handled.
            const HWND before = g.Focus();
            g.PressKey(VK_TAB);
            ASSERT_TRUE(testwin::PumpUntil([&] { return g.Focus() != before; }, 5000));
            EXPECT_EQ(g.CommandsDone(), done);
            EXPECT_FALSE(g.Busy());
        }
    }
    EXPECT_EQ(game.NewChat(), Lines{});

    // Alt, Down, Enter: the first item of the first menu, "How To Play".
    ASSERT_TRUE(tabTo(g.Control(IDC_HOST_DUMMY)));
    unsigned long done = g.CommandsDone();
    g.PressKey(VK_MENU);
    EXPECT_TRUE(testwin::PumpUntil([&] { return g.InMenuMode(); }, 5000));
    g.PressKey(VK_DOWN);
    g.PressKey(VK_RETURN);
    ASSERT_TRUE(testwin::PumpUntil([&] { return g.CommandsDone() == done + 1; }, 30000));
    EXPECT_EQ(game.NewChat(SaidAll(host::HowToPlayScript()).size()), SaidAll(host::HowToPlayScript()));
    EXPECT_FALSE(g.InMenuMode());

    // The macro panel joins the round after the category box; Enter on "Oops" closes it.
    ASSERT_TRUE(g.Run(IDM_MACS_SETUPMACS));
    ASSERT_TRUE(g.Visible(IDC_HOST_MACROFRAME));
    ASSERT_TRUE(tabTo(g.Control(IDC_HOST_SELECTEDCATEGORY)));
    std::vector<int> panelRing;
    for (int i = 0; i < 9; ++i)
        panelRing.push_back(IDC_HOST_MACROTITLE0 + i);
    panelRing.insert(panelRing.end(), {IDC_HOST_COMMAND14, IDC_HOST_COMMAND19, IDC_HOST_DUMMY});
    for (int id : panelRing) {
        g.PressKey(VK_TAB);
        EXPECT_TRUE(focusOn(g.Control(id))) << "Tab to " << id;
    }
    EXPECT_EQ(g.ShiftTab(), IDC_HOST_COMMAND19);
    g.PressKey(VK_RETURN);
    EXPECT_TRUE(testwin::PumpUntil([&] { return !g.Visible(IDC_HOST_MACROFRAME); }, 5000));

    // While the countdown runs, no key does anything: a click posted after them is refused, and by then they were
    // handled, without a command, a move of the focus or a menu.
    ASSERT_TRUE(tabTo(g.Control(IDC_HOST_COMMAND1)));
    done = g.CommandsDone();
    const unsigned long refused = g.CommandsRefused();
    g.Post(IDC_HOST_COMMAND4);
    ASSERT_TRUE(testwin::PumpUntil([&] { return g.Busy(); }, 5000));
    const HWND focusWhileBusy = g.Focus();
    for (UINT key : {VK_RETURN, VK_SPACE, VK_TAB, VK_MENU})
        g.PressKey(key);
    g.Post(IDC_HOST_COMMAND1);
    ASSERT_TRUE(testwin::PumpUntil([&] { return g.CommandsRefused() == refused + 1; }, 10000));
    EXPECT_TRUE(g.Busy());
    EXPECT_EQ(g.Focus(), focusWhileBusy);
    EXPECT_FALSE(g.InMenuMode());
    ASSERT_TRUE(testwin::PumpUntil([&] { return g.CommandsDone() > done; }, 30000));
    EXPECT_EQ(g.CommandsDone(), done + 1);
    EXPECT_EQ(game.NewChat(7), SaidAll(host::RegCountdownScript()));

    // The maintenance window opens with the keyboard on its first list.
    game.OpenMaintenance();
    const HWND maintenance = g.Maintenance();
    ASSERT_TRUE(focusOn(GetDlgItem(maintenance, IDC_MAINT_LIST1)));
    const std::vector<int> maintenanceRing = {IDC_MAINT_COMMAND2, IDC_MAINT_LIST3,    IDC_MAINT_COMMAND5,
                                              IDC_MAINT_LIST2,    IDC_MAINT_COMMAND4, IDC_MAINT_LIST1};
    for (int id : maintenanceRing) {
        g.PressKey(VK_TAB);
        EXPECT_TRUE(focusOn(GetDlgItem(maintenance, id))) << "Tab to " << id;
    }
    for (size_t i = maintenanceRing.size() - 1; i-- > 0;)
        EXPECT_EQ(g.ShiftTab(), maintenanceRing[i]);
    EXPECT_EQ(g.ShiftTab(), IDC_MAINT_LIST1);

    // Space and Enter press its "Clear List" buttons, whether Tab brought the keyboard there or a mouse press that
    // slid off the button before its release (no click, but the focus); Esc closes the window.
    struct MaintenanceKey {
        int focus;
        bool byMouse;
        UINT key;
        Game::MaintenanceLists after;
    };
    const MaintenanceKey maintenanceKeys[] = {
        {IDC_MAINT_COMMAND2, false, VK_SPACE, {{}, {}, {"Bob"}}},
        {IDC_MAINT_COMMAND4, true, VK_RETURN, {{}, {}, {}}},
    };
    EXPECT_EQ(game.Maintenance(), (Game::MaintenanceLists{{"Ann"}, {}, {"Bob"}}));
    for (const MaintenanceKey& k : maintenanceKeys) {
        SCOPED_TRACE("key " + std::to_string(k.key) + " on " + std::to_string(k.focus));
        const HWND button = GetDlgItem(maintenance, k.focus);
        const auto before = game.Maintenance();
        ASSERT_TRUE(k.byMouse ? pressAndSlideOff(button) : tabTo(button));
        EXPECT_EQ(game.Maintenance(), before);
        g.PressKey(k.key);
        EXPECT_TRUE(testwin::PumpUntil([&] { return game.Maintenance() == k.after; }, 5000));
    }
    g.PressKey(VK_ESCAPE);
    EXPECT_TRUE(testwin::PumpUntil([&] { return g.Maintenance() == nullptr; }, 5000));
    EXPECT_TRUE(IsWindow(g.Window()));
}

// The season: a round judged goes to a hand-edited ROUNDS.CSV after its torn last line; the Season window shows the
// standings and the lines it could not read; "Announce Top 5" speaks in the busy state; "Save Page" writes SEASON.HTM
// in UTF-8 with every name escaped; "Void Last Round" and "New Season" ask first, No changes nothing; and a
// ROUNDS.CSV locked by another program never stops the game (the support log says why).
TEST(GorvathWine, Season) {
    const std::string history =
        std::string("when,season,player,category,result\r\n") +
        "2026-12-09T20:00:00,1,Ann,Fruits,WINNER\r\n2026-12-09T20:05:00,1,Ann,F,WINNER\r\n"
        "2026-12-09T20:10:00,1,Ann,F,LOSER\r\nnot a record\r\n"
        "2026-12-09T20:15:00,1,<b>Bob</b>,F,WINNER\r\n2026-12-09T20:20:00,1,<b>Bob</b>,F,WINNER\r\n"
        "2026-12-09T20:25:00,0,Cleo,F,WINNER\r\n2026-12-09T20:30:00,1,Cleo,\"F\",WINNER\r\n"
        "2026-12-09T20:35:00,1,Z\xE9lie,F,LOSER\r\n2026-12-09T20:40:00,1,Ann,\"F,LOSER\r\n"
        "2026-12-09T20:45:00,1,De";
    Folder folder(
        "season",
        Files{{"SCONTROL.TXT", kLibraryMethod}, {"GORVATH.SAV", "Yul\r\nZoe\r\nList2\r\n"}, {"ROUNDS.CSV", history}});
    Game game(folder, {"avatar|Yul", "avatar|Zoe"});
    ASSERT_TRUE(game.gorvath->ok());
    Gorvath& g = *game.gorvath;
    game.Restore(IDYES);
    ASSERT_TRUE(g.Run(IDC_HOST_COMMAND12));
    const std::string won = g.Text(IDC_HOST_PLAYERNAME);
    ASSERT_TRUE(won == "Yul" || won == "Zoe") << won;
    EXPECT_EQ(game.NewChat(6), DrawLines(won));
    g.SetText(IDC_HOST_SELECTEDCATEGORY, "Fruits, red");
    game.ExpectSays(IDC_HOST_COMMAND7, GiveCategoryLines("Fruits, red"));
    game.ExpectSays(IDC_HOST_COMMAND6, {Winner(won)});
    std::string rounds = folder.Read("ROUNDS.CSV").value_or("");
    ASSERT_EQ(rounds.size(), history.size() + 2 + 19 + 29) << rounds;
    EXPECT_EQ(rounds.substr(0, history.size() + 2), history + "\r\n");
    EXPECT_EQ(rounds.substr(history.size() + 21), ",1," + won + ",\"Fruits, red\",WINNER\r\n");
    const std::string today = rounds.substr(history.size() + 2, 10);

    ASSERT_TRUE(g.Run(IDM_SEASON));
    ASSERT_TRUE(testwin::PumpUntil([&] { return g.Season() != nullptr; }, 5000));
    const HWND season = g.Season();
    EXPECT_EQ(hostremote::WindowText(GetDlgItem(season, IDC_SEASON_SUMMARY)),
              "Season 1: 8 rounds, 2026-12-09 to " + today);
    EXPECT_EQ(hostremote::WindowText(GetDlgItem(season, IDC_SEASON_UNREAD)), "4 lines could not be read");
    const std::string zoe = "3\t" + won + "\t1\t1\t100%\t" + today + " ";
    Lines rows = g.ListItems(season, IDC_SEASON_LIST);
    ASSERT_EQ(rows.size(), 5u);
    EXPECT_EQ(Lines(rows.begin(), rows.begin() + 3),
              (Lines{"1\t<b>Bob</b>\t2\t2\t100%\t2026-12-09 20:20", "2\tAnn\t2\t3\t67%\t2026-12-09 20:10",
                     "3\tCleo\t1\t1\t100%\t2026-12-09 20:30"}));
    EXPECT_EQ(rows[3].substr(0, zoe.size()), zoe);
    EXPECT_EQ(rows[4], "5\tZ\xE9lie\t0\t1\t0%\t2026-12-09 20:35");

    const auto click = [&](int id) {
        PostMessageW(season, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(season, id)));
    };
    const unsigned long done = g.CommandsDone();
    click(IDC_SEASON_ANNOUNCE);
    EXPECT_TRUE(testwin::PumpUntil([&] { return g.Busy(); }, 5000));
    ASSERT_TRUE(testwin::PumpUntil([&] { return g.CommandsDone() > done; }, 30000));
    EXPECT_EQ(game.NewChat(6),
              (Lines{Said("Tumbleroo Season 1, the top players after 8 rounds:"), Said("1. <b>Bob</b> - 2 wins of 2"),
                     Said("2. Ann - 2 wins of 3"), Said("3. Cleo - 1 win of 1"), Said("3. " + won + " - 1 win of 1"),
                     Said("5. Z\xE9lie - 0 wins of 1")}));
    game.ExpectIdle();

    click(IDC_SEASON_SAVEPAGE);
    ASSERT_TRUE(testwin::PumpUntil([&] { return folder.Read("SEASON.HTM").has_value(); }, 5000));
    const std::string page = folder.Read("SEASON.HTM").value_or("");
    for (const char* expected :
         {"<meta charset=\"utf-8\">", "<td>&lt;b&gt;Bob&lt;/b&gt;</td>", "<td>Z\xC3\xA9lie</td>"})
        EXPECT_NE(page.find(expected), std::string::npos) << expected;
    EXPECT_EQ(page.find("<b>"), std::string::npos);
    EXPECT_EQ(hostremote::WindowText(GetDlgItem(season, IDC_SEASON_STATUS)).find("SEASON.HTM written ("), 0u);

    // Each question: No first, then Yes.
    const std::string beforeVoid = folder.Read("ROUNDS.CSV").value_or("");
    const struct {
        int button;
        std::string question;
        const char* record;
        const char* summary;
        size_t rows;
    } questions[] = {
        {IDC_SEASON_VOID, "Void the last round of season 1: " + won + ", WINNER, Fruits, red, ", ",1,,,VOID\r\n",
         "Season 1: 7 rounds, 2026-12-09", 4},
        {IDC_SEASON_NEW, "Start season 2?", ",2,,,SEASON\r\n", "Season 2: no rounds yet, started ", 0},
    };
    for (const auto& q : questions) {
        SCOPED_TRACE(q.button);
        const std::string before = folder.Read("ROUNDS.CSV").value_or("");
        for (int answer : {IDNO, IDYES}) {
            click(q.button);
            const auto box = g.WaitForMessageBox(5000);
            ASSERT_TRUE(box);
            EXPECT_EQ(box->caption, "Tumbleroo Season");
            EXPECT_EQ(box->text.find(q.question), 0u) << box->text;
            Gorvath::Answer(*box, answer);
            if (answer == IDNO) {
                EXPECT_FALSE(g.WaitForMessageBox(300));
            }
            EXPECT_EQ(folder.Read("ROUNDS.CSV").value_or("").substr(0, before.size()), before);
        }
        ASSERT_TRUE(
            testwin::PumpUntil([&] { return folder.Read("ROUNDS.CSV").value_or("").size() > before.size(); }, 5000));
        rounds = folder.Read("ROUNDS.CSV").value_or("");
        EXPECT_EQ(rounds.substr(before.size() + 19), q.record);
        ASSERT_TRUE(testwin::PumpUntil([&] { return g.ListItems(season, IDC_SEASON_LIST).size() == q.rows; }, 5000));
        EXPECT_EQ(hostremote::WindowText(GetDlgItem(season, IDC_SEASON_SUMMARY)).find(q.summary), 0u);
    }
    EXPECT_NE(beforeVoid, rounds);

    // Another program holds ROUNDS.CSV open without sharing writes: the round goes on, the log tells. (The judging
    // button is posted without a countdown before it: the round's category is still the last one given.)
    const std::string lost = won == "Yul" ? "Zoe" : "Yul";
    game.ExpectSays(IDC_HOST_COMMAND12, DrawLines(lost));
    const HANDLE locked = CreateFileA(folder.Path("ROUNDS.CSV").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(locked, INVALID_HANDLE_VALUE);
    game.ExpectSays(IDC_HOST_COMMAND8, {Loser(lost)});
    CloseHandle(locked);
    EXPECT_EQ(folder.Read("ROUNDS.CSV"), rounds);
    EXPECT_NE(folder.Read("GORVATH.LOG")
                  .value_or("")
                  .find("Declare LOSER: round not recorded in ROUNDS.CSV: cannot open ROUNDS.CSV (system error 32)"),
              std::string::npos);
    EXPECT_EQ(g.ListItems(season, IDC_SEASON_LIST), Lines{});
}
