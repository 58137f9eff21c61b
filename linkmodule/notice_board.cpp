// notice_board.cpp: pacing and folding of the link module's notice boxes (see notice_board.h).
#include "linkmodule/notice_board.h"

namespace linkmodule {

std::string FoldedNoticeText(const std::string& firstText, size_t count) {
    if (count <= 1)
        return firstText;
    return firstText + "\r\n\r\n... and " + std::to_string(count - 1) + " more like it";
}

void NoticeBoard::Arrive(Notice notice) {
    if (!folding_ && static_cast<size_t>(open_) + single_.size() < static_cast<size_t>(kMaxOpen)) {
        single_.push_back(std::move(notice));
        return;
    }
    folding_ = true;
    for (Fold& fold : folds_) {
        if (fold.first.caption == notice.caption && fold.first.icon == notice.icon) {
            ++fold.count;
            return;
        }
    }
    folds_.push_back({std::move(notice), 1});
}

std::optional<Notice> NoticeBoard::NextToShow() {
    if (open_ >= kMaxOpen)
        return std::nullopt;
    if (!single_.empty()) {
        Notice next = std::move(single_.front());
        single_.pop_front();
        ++open_;
        return next;
    }
    if (!folds_.empty()) {
        Fold fold = std::move(folds_.front());
        folds_.erase(folds_.begin());
        fold.first.text = FoldedNoticeText(fold.first.text, fold.count);
        ++open_;
        return std::move(fold.first);
    }
    return std::nullopt;
}

void NoticeBoard::Closed() {
    if (open_ > 0)
        --open_;
    if (open_ == 0 && single_.empty() && folds_.empty())
        folding_ = false;
}

size_t NoticeBoard::Waiting() const {
    size_t waiting = single_.size();
    for (const Fold& fold : folds_)
        waiting += fold.count;
    return waiting;
}

}  // namespace linkmodule
