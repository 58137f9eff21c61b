// announcements.cpp: the fixed texts of the game and the scripts built from them.
#include "host/announcements.h"

#include <initializer_list>

namespace host {

void Play(const Script& script, Speaker& speaker) {
    for (const auto& step : script) {
        switch (step.kind) {
            case Step::Kind::kSay:
                speaker.Say(step.text);
                break;
            case Step::Kind::kEsp:
                speaker.Esp(step.target, step.text);
                break;
            case Step::Kind::kWait:
                speaker.Wait(step.seconds);
                break;
        }
    }
}

namespace {

Script SayAll(std::initializer_list<const char*> lines) {
    Script s;
    for (const char* line : lines)
        s.push_back(Step::Say(line));
    return s;
}

}  // namespace

Script AskForPlayersScript() {
    return SayAll({"Please ESP a single $ to me to be put on the List."});
}

// A chunk is said only once it is longer than 150 characters, tested before the next name is added, so every
// chunk but the last carries whole names and ends with ", "; the last loses its final ", ".
// Twenty-character names give chunks of 7 names, 7 * 22 = 154 characters.
std::vector<std::string> ReadListChunks(const NameList& sortedNames) {
    std::vector<std::string> chunks;
    std::string chunk;
    for (const auto& name : sortedNames.Names()) {
        if (chunk.size() > 150) {
            chunks.push_back(chunk);
            chunk.clear();
        }
        chunk += name;
        chunk += ", ";
    }
    if (!chunk.empty()) {
        chunk.resize(chunk.size() - 2);
        chunks.push_back(chunk);
    }
    return chunks;
}

Script ReadListScript(const NameList& players) {
    Script s = SayAll({"The following are on the list:"});
    for (auto& chunk : ReadListChunks(SortedCopy(players)))
        s.push_back(Step::Say(std::move(chunk)));
    return s;
}

Script DrawScript(const std::string& name) {
    Script s = SayAll({"Time to Pick a Name!", "Get Ready .... Here We GO!", "SHAKING UP NAMES",
                       "<SHAKE> <SHAKE> <SHAKE>", "The Player is........."});
    s.push_back(Step::Say(name));
    return s;
}

// The ten seconds are the eleven one-second waits plus the pacing of the speech itself; nothing times them.
Script GiveCategoryScript(const std::string& category) {
    Script s = SayAll({"You have 10 seconds to name 5 things in the following category.", " "});
    s.push_back(Step::Say(category));
    s.push_back(Step::Wait(1));
    s.push_back(Step::Say(" "));
    for (int n = 10; n >= 1; --n) {
        s.push_back(Step::Say(" --> " + std::to_string(n) + " <-- "));
        s.push_back(Step::Wait(1));
    }
    s.push_back(Step::Say("* * * * * TIME IS UP!! * * * * *"));
    return s;
}

Script WinnerScript(const std::string& name) {
    return {Step::Say(name + ", You DID IT!!!  WTG!!!!")};
}

Script LoserScript(const std::string& name) {
    return {Step::Say(name + ", I am sorry you didn't win.  But you are put back in the list of players.")};
}

Script RegCountdownScript() {
    return SayAll({"Closing the list in 5.", "5", "4", "3", "2", "1", "******* The List is Closed. *******"});
}

// The single-space lines are real lines: they show as blank spacers in the chat.
Script HowToPlayScript() {
    return SayAll({
        "Zobek's Tumbleroo",
        kHowToPlayNotice,
        " ",
        "How Tumbleroo Works:",
        " ",
        "1. I draw a player at random from the list of players.",
        "2. The player comes down in front of everyone to play.",
        "3. I give the player a category.",
        "4. The player has to SHOUT outloud 5 things that fit that category within 10 seconds.",
        "5. If they don't, they go back into the possible players list and could be picked again.",
        " ",
        "Please Note: The Host has the last say on whether something fits the category or not.",
        " ",
        "ESP me a $ to get in on the game.",
    });
}

}  // namespace host
