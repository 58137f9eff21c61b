// player_lists.cpp: the name lists behind the HostWindow.
#include "host/player_lists.h"

#include <algorithm>

namespace host {

namespace {

unsigned char FoldCase(char c) {
    const auto u = static_cast<unsigned char>(c);
    return (u >= 'A' && u <= 'Z') ? static_cast<unsigned char>(u - 'A' + 'a') : u;
}

}  // namespace

// Only ASCII letters are folded (to lower case): the rules do not know the code page of the 8-bit names, so an
// accented letter sorts by its byte value here; the program sorts in the user's language instead (NameCollation). Digits and punctuation sort by their byte value against the folded
// letters, so "1" < "_x" < "a" < "A1" < "b".
bool LessIgnoringCase(std::string_view a, std::string_view b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                        [](char x, char y) { return FoldCase(x) < FoldCase(y); });
}

bool NameList::Add(std::string name) {
    if (Count() >= kMaxListEntries)
        return false;
    if (order_ == Order::kArrival) {
        names_.push_back(std::move(name));
    } else {
        // upper_bound puts a new name after the ones it equals ignoring case, so equal names keep arrival order.
        const auto at = std::upper_bound(names_.begin(), names_.end(), name,
                                         [this](const std::string& x, const std::string& y) { return less_(x, y); });
        names_.insert(at, std::move(name));
    }
    return true;
}

int NameList::Find(std::string_view name) const {
    for (size_t i = 0; i < names_.size(); ++i) {
        if (names_[i] == name)
            return static_cast<int>(i);
    }
    return -1;
}

void NameList::RemoveAt(int index) {
    if (index >= 0 && index < Count())
        names_.erase(names_.begin() + index);
}

bool NameList::RemoveFirst(std::string_view name) {
    const int at = Find(name);
    if (at < 0)
        return false;
    RemoveAt(at);
    return true;
}

bool IsDrawable(const GameLists& lists, std::string_view name) {
    return !lists.WinnersList.Contains(name) && !lists.WaitList.Contains(name);
}

NameList SortedCopy(const NameList& list) {
    NameList copy(NameList::Order::kSortedIgnoreCase, list.Collation());
    for (const auto& name : list.Names())
        copy.Add(name);
    return copy;
}

}  // namespace host
