// notice_board.h: how many acknowledgement and received-data boxes are open at once, and how a burst of them is
// folded, so that a peer poking hundreds of notices cannot bury the operator under as many nested boxes.
//
// A notice is shown with its own text while fewer than kMaxOpen boxes are open or waiting. Once that many are,
// the board folds: every further notice is counted under the first waiting one of its kind (same caption and
// icon), and each kind comes out as one box, "<its first text>" then "... and N more like it". Folding stops
// when every box is closed and nothing waits. So a burst that has arrived is cleared with kMaxOpen presses for
// the boxes already up and one per kind for the rest, whatever its size, and a lone notice, or a few well
// apart, show their exact texts.
#pragma once

#include <cstddef>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "linkmodule/link_core.h"

namespace linkmodule {

struct Notice {
    std::string text;
    std::string caption;
    MessageIcon icon = MessageIcon::None;

    bool operator==(const Notice&) const = default;
};

class NoticeBoard {
  public:
    static constexpr int kMaxOpen = 3;

    // A notice arrived: it waits until NextToShow hands it (or its fold) out.
    void Arrive(Notice notice);
    // The box to open now, or nullopt when kMaxOpen are open or nothing waits. The box counts as open until
    // Closed() is called for it.
    std::optional<Notice> NextToShow();
    void Closed();

    int OpenBoxes() const { return open_; }
    // Notices that arrived and are neither shown nor folded into a box that is open.
    size_t Waiting() const;
    bool Folding() const { return folding_; }

  private:
    struct Fold {
        Notice first;
        size_t count = 0;  // notices folded together, the first included
    };

    std::deque<Notice> single_;
    std::vector<Fold> folds_;  // one per kind, in the order the kinds first arrived
    int open_ = 0;
    bool folding_ = false;
};

// "<text>" for a fold of one, else "<text>\r\n\r\n... and N more like it" with N = count - 1.
std::string FoldedNoticeText(const std::string& firstText, size_t count);

}  // namespace linkmodule
