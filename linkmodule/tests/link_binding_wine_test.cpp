// Binding the link library by name, which happens once per run: each test here runs in a process of its own
// (ctest passes a --gtest_filter per test).
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>

#include "linkmodule/link_module_win.h"
#include "testing/world_harness_win.h"

namespace {

namespace lm = linkmodule;

bool gBindingTried = false;

#define ONE_BINDING_PER_PROCESS()                                                      \
    do {                                                                               \
        if (gBindingTried)                                                             \
            GTEST_SKIP() << "the library is bound once per run: run this test alone"; \
        gBindingTried = true;                                                          \
    } while (0)

bool FileThere(const std::string& path) {
    return static_cast<bool>(std::ifstream(path));
}

// Every request of the library method, with the link module started on `options` (a library that cannot serve):
// the message boxes they brought.
std::vector<testwin::MessageBoxSeen> BoxesOfEveryRequest(const lm::LinkModuleOptions& options) {
    testwin::MessageBoxWatcher boxes;
    lm::StartLinkModule(options);
    lm::UseLibraryMethod = true;
    DeleteFileA("C:\\ZOBRA.TXT");
    lm::OpenLink();
    lm::SayText("hello");
    lm::EspTarget = "Ann";
    lm::EspText("hi");
    lm::FetchAllText();
    lm::CloseLink();
    testwin::PumpFor(200);
    return boxes.Seen();
}

TEST(LinkLibraryBinding, ConsoleMethodNeverLoadsTheLibrary) {
    ONE_BINDING_PER_PROCESS();
    testwin::WorldProcess world({"--me", "Marla"});
    ASSERT_TRUE(world.ok());
    lm::StartLinkModule({"Tumbleroo"});
    lm::UseLibraryMethod = false;
    lm::OpenLink();
    lm::SayText("by the console");
    lm::FetchAllText();
    lm::CloseLink();
    EXPECT_FALSE(lm::LinkLibraryWasLoaded());
    EXPECT_EQ(GetModuleHandleA("zmvorq.dll"), nullptr);
    EXPECT_EQ(world.Transcript("RECV").size(), 3u);

    lm::UseLibraryMethod = true;
    lm::OpenLink();  // the first library call of the run loads it
    EXPECT_TRUE(lm::LinkLibraryWasLoaded());
    EXPECT_NE(GetModuleHandleA("zmvorq.dll"), nullptr);
    lm::CloseLink();
}

TEST(LinkLibraryBinding, MissingLibraryShowsOneMessageAndNothingIsSent) {
    ONE_BINDING_PER_PROCESS();
    testwin::WorldProcess world({"--me", "Marla"});
    ASSERT_TRUE(world.ok());
    const auto seen = BoxesOfEveryRequest({"Tumbleroo", lm::LibraryCloseWait::OneSecond, "zmvorq_absent"});
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].caption, "Tumbleroo");
    EXPECT_EQ(seen[0].text,
              "The link library zmvorq_absent.dll could not be loaded. Nothing will reach the world client by the "
              "library method until the program is started again.");
    EXPECT_TRUE(world.Transcript("RECV").empty());
    EXPECT_TRUE(world.Transcript("REQ").empty());
    EXPECT_FALSE(FileThere(lm::CapturePath()));
    EXPECT_FALSE(lm::LinkLibraryWasLoaded());
}

TEST(LinkLibraryBinding, MissingFunctionsAreNamed) {
    ONE_BINDING_PER_PROCESS();
    const auto seen = BoxesOfEveryRequest({"Ostrivar", lm::LibraryCloseWait::None, "zmvorq_partial"});
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].caption, "Ostrivar");
    EXPECT_NE(seen[0].text.find("zmvorq_partial.dll lacks the functions VorqUnregister, VorqCommunicate, "
                                "VorqGetAllText."),
              std::string::npos)
        << seen[0].text;
}

}  // namespace
