// Every fixed spoken sequence, step by step, against the texts the game is played with.
#include "host/announcements.h"

#include <gtest/gtest.h>

#include "host/intake.h"

namespace {

using Strings = std::vector<std::string>;

Strings Render(const host::Script& script) {
    Strings out;
    for (const auto& s : script)
        out.push_back(s.kind == host::Step::Kind::kWait ? "wait " + std::to_string(s.seconds) : "say " + s.text);
    return out;
}

TEST(Announcements, FixedSequences) {
    struct Row {
        const char* what;
        host::Script script;
        Strings expected;
    };
    const Row rows[] = {
        {"GIVE CATEGORY",
         host::GiveCategoryScript("Fruits"),
         {"say You have 10 seconds to name 5 things in the following category.",
          "say  ",
          "say Fruits",
          "wait 1",
          "say  ",
          "say  --> 10 <-- ",
          "wait 1",
          "say  --> 9 <-- ",
          "wait 1",
          "say  --> 8 <-- ",
          "wait 1",
          "say  --> 7 <-- ",
          "wait 1",
          "say  --> 6 <-- ",
          "wait 1",
          "say  --> 5 <-- ",
          "wait 1",
          "say  --> 4 <-- ",
          "wait 1",
          "say  --> 3 <-- ",
          "wait 1",
          "say  --> 2 <-- ",
          "wait 1",
          "say  --> 1 <-- ",
          "wait 1",
          "say * * * * * TIME IS UP!! * * * * *"}},
        {"Pick a Player",
         host::DrawScript("Bob"),
         {"say Time to Pick a Name!", "say Get Ready .... Here We GO!", "say SHAKING UP NAMES",
          "say <SHAKE> <SHAKE> <SHAKE>", "say The Player is.........", "say Bob"}},
        {"Declare WINNER", host::WinnerScript("Bob"), {"say Bob, You DID IT!!!  WTG!!!!"}},
        {"Declare LOSER",
         host::LoserScript("Bob"),
         {"say Bob, I am sorry you didn't win.  But you are put back in the list of players."}},
        {"Reg Countdown",
         host::RegCountdownScript(),
         {"say Closing the list in 5.", "say 5", "say 4", "say 3", "say 2", "say 1",
          "say ******* The List is Closed. *******"}},
        {"Ask_For_$", host::AskForPlayersScript(), {"say Please ESP a single $ to me to be put on the List."}},
        {"How To Play",
         host::HowToPlayScript(),
         {"say Zobek's Tumbleroo", std::string("say ") + host::kHowToPlayNotice, "say  ",
          "say How Tumbleroo Works:", "say  ", "say 1. I draw a player at random from the list of players.",
          "say 2. The player comes down in front of everyone to play.", "say 3. I give the player a category.",
          "say 4. The player has to SHOUT outloud 5 things that fit that category within 10 seconds.",
          "say 5. If they don't, they go back into the possible players list and could be picked again.", "say  ",
          "say Please Note: The Host has the last say on whether something fits the category or not.", "say  ",
          "say ESP me a $ to get in on the game."}},
    };
    for (const auto& r : rows)
        EXPECT_EQ(Render(r.script), r.expected) << r.what;
}

// Whatever the host says shows in the chat as "<host>: <line>"; none of it may start a new intake.
TEST(Announcements, NothingTheHostSaysIsAnIntakeMarker) {
    EXPECT_NE(std::string(host::kHowToPlayNotice), host::kIntakeMarker);
    const host::Script scripts[] = {host::HowToPlayScript(), host::GiveCategoryScript("Fruits"),
                                    host::DrawScript("Bob"), host::RegCountdownScript(), host::AskForPlayersScript()};
    for (const auto& script : scripts) {
        for (const auto& step : script)
            EXPECT_FALSE(host::IsMarkerLine("Host: " + step.text)) << step.text;
    }
    EXPECT_TRUE(host::IsMarkerLine(std::string("Host: ") + host::kIntakeMarker));
}

}  // namespace
