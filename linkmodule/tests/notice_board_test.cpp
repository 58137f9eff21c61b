// The notice board against scripted bursts: an operator model presses OK on the uppermost box, the shell model
// opens a box for every posted notice and after every press, as the module's notice window does.
#include "linkmodule/notice_board.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace linkmodule {
namespace {

const Notice kAck{"1- Target avatar is not logged on", "ProcessAckData Response Message", MessageIcon::Information};
const Notice kAck12{"12 - Mode was ESP but no avatar name was specified", "ProcessAckData Response Message",
                    MessageIcon::Information};
const Notice kReceive{"Data received from Bob: hello", "Tumbleroo", MessageIcon::None};

struct Outcome {
    std::vector<std::string> shown;  // texts of the boxes as they opened
    int presses = 0;
    int mostOpen = 0;
};

// Steps: {notice, n}: n notices arrive, each posting one show; {nullptr, n}: the operator presses OK n times
// (n < 0: until no box is left).
struct Step {
    const Notice* notice;
    long n;
};

Outcome Play(const std::vector<Step>& steps) {
    NoticeBoard board;
    Outcome run;
    std::vector<std::string> stack;  // boxes open, the uppermost last
    auto tryShow = [&] {
        if (auto next = board.NextToShow()) {
            stack.push_back(next->text);
            run.shown.push_back(next->text);
            run.mostOpen = std::max(run.mostOpen, board.OpenBoxes());
        }
    };
    for (const Step& step : steps) {
        if (step.notice) {
            for (long i = 0; i < step.n; ++i) {
                board.Arrive(*step.notice);
                tryShow();
            }
            continue;
        }
        for (long i = 0; (step.n < 0 || i < step.n) && !stack.empty(); ++i) {
            stack.pop_back();
            board.Closed();
            ++run.presses;
            tryShow();  // the handler whose box closed opens the next one waiting
        }
    }
    EXPECT_TRUE(stack.empty()) << "boxes left open";
    EXPECT_EQ(board.Waiting(), 0u) << "notices never shown";
    EXPECT_FALSE(board.Folding());
    return run;
}

std::string Folded(const Notice& n, size_t more) {
    return n.text + "\r\n\r\n... and " + std::to_string(more) + " more like it";
}

TEST(NoticeBoard, BurstsAreFoldedAndFewNoticesKeepTheirTexts) {
    struct Row {
        const char* name;
        std::vector<Step> steps;
        std::vector<std::string> shown;
        int presses;
    };
    const std::vector<Row> rows = {
        {"one notice", {{&kAck, 1}, {nullptr, -1}}, {kAck.text}, 1},
        {"three at once stack with their texts",
         {{&kAck, 2}, {&kReceive, 1}, {nullptr, -1}},
         {kAck.text, kAck.text, kReceive.text},
         3},
        {"well apart",
         {{&kAck, 1}, {nullptr, 1}, {&kReceive, 1}, {nullptr, 1}, {&kAck12, 1}, {nullptr, 1}},
         {kAck.text, kReceive.text, kAck12.text},
         3},
        {"a fourth folds even alone", {{&kAck, 4}, {nullptr, -1}}, {kAck.text, kAck.text, kAck.text, kAck.text}, 4},
        {"150 refusals then 150 receives",
         {{&kAck, 150}, {&kReceive, 150}, {nullptr, -1}},
         {kAck.text, kAck.text, kAck.text, Folded(kAck, 146), Folded(kReceive, 149)},
         5},
        {"different refusals fold as one kind",
         {{&kAck, 3}, {&kAck12, 10}, {&kAck, 5}, {nullptr, -1}},
         {kAck.text, kAck.text, kAck.text, Folded(kAck12, 14)},
         4},
        {"a burst going on while the operator presses",
         {{&kAck, 50}, {nullptr, 2}, {&kReceive, 40}, {nullptr, 1}, {&kAck, 30}, {nullptr, -1}},
         {kAck.text, kAck.text, kAck.text, Folded(kAck, 46), kReceive.text, Folded(kReceive, 38), Folded(kAck, 29)},
         7},
        {"after a burst is cleared the next notice shows alone",
         {{&kAck, 20}, {nullptr, -1}, {&kAck12, 1}, {nullptr, -1}},
         {kAck.text, kAck.text, kAck.text, Folded(kAck, 16), kAck12.text},
         5},
        {"a million",
         {{&kAck, 500000}, {&kReceive, 500000}, {nullptr, -1}},
         {kAck.text, kAck.text, kAck.text, Folded(kAck, 499996), Folded(kReceive, 499999)},
         5},
    };
    for (const Row& row : rows) {
        const Outcome run = Play(row.steps);
        EXPECT_EQ(run.shown, row.shown) << row.name;
        EXPECT_EQ(run.presses, row.presses) << row.name;
        EXPECT_LE(run.mostOpen, NoticeBoard::kMaxOpen) << row.name;
        EXPECT_LE(run.presses, 10) << row.name;
    }
}

TEST(NoticeBoard, NothingOpensBeyondThreeAndCaptionsStay) {
    NoticeBoard board;
    for (int i = 0; i < 5; ++i)
        board.Arrive(kReceive);
    for (int i = 0; i < 3; ++i) {
        const auto next = board.NextToShow();
        ASSERT_TRUE(next);
        EXPECT_EQ(*next, kReceive);
    }
    EXPECT_FALSE(board.NextToShow());  // three are open
    EXPECT_EQ(board.Waiting(), 2u);
    board.Closed();
    const auto folded = board.NextToShow();
    ASSERT_TRUE(folded);
    EXPECT_EQ(folded->caption, "Tumbleroo");
    EXPECT_EQ(folded->icon, MessageIcon::None);
    EXPECT_EQ(folded->text, Folded(kReceive, 1));
    EXPECT_EQ(board.Waiting(), 0u);
}

}  // namespace
}  // namespace linkmodule
