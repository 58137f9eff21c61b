// player_lists.h: the game's lists of avatar names (PlayersList, WinnersList, WaitList) and their rules.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace host {

// List sizes and positions are 16-bit signed numbers, so a list holds at most this many entries; an entry
// beyond it is refused rather than overflowing a position.
inline constexpr int kMaxListEntries = 32767;

// Order of names ignoring case: bytes compared with the letters A to Z folded to lower case.
bool LessIgnoringCase(std::string_view a, std::string_view b);

// The order of a sorted list: true when a sorts before b. The program passes the order of the platform's sorted
// list boxes in the user's language (win::LessAsSortedListBox); the rules default to LessIgnoringCase.
using NameCollation = bool (*)(std::string_view a, std::string_view b);

class NameList {
  public:
    enum class Order {
        kArrival,           // appended at the end
        kSortedIgnoreCase,  // inserted at its alphabetical place, after entries that compare equal
    };

    // A list in arrival order keeps the collation for its sorted copies (SortedCopy).
    explicit NameList(Order order = Order::kArrival, NameCollation less = LessIgnoringCase)
        : order_(order), less_(less ? less : LessIgnoringCase) {}

    int Count() const { return static_cast<int>(names_.size()); }
    bool Empty() const { return names_.empty(); }
    const std::string& At(int index) const { return names_.at(static_cast<size_t>(index)); }
    const std::vector<std::string>& Names() const { return names_; }
    NameCollation Collation() const { return less_; }

    // False, and the list unchanged, when it already holds kMaxListEntries entries.
    bool Add(std::string name);
    // Position of the first entry equal to name (exact, case-sensitive), or -1.
    int Find(std::string_view name) const;
    bool Contains(std::string_view name) const { return Find(name) >= 0; }
    void RemoveAt(int index);
    // Removes the first exactly equal entry; false when there is none.
    bool RemoveFirst(std::string_view name);
    void Clear() { names_.clear(); }

  private:
    Order order_;
    NameCollation less_;
    std::vector<std::string> names_;
};

// The whole player state of a game, its sorted lists and copies in one collation.
struct GameLists {
    explicit GameLists(NameCollation less = LessIgnoringCase)
        : PlayersList(NameList::Order::kArrival, less),
          WinnersList(NameList::Order::kSortedIgnoreCase, less),
          WaitList(NameList::Order::kArrival, less) {}
    NameList PlayersList;
    NameList WinnersList;
    NameList WaitList;
};

// A name may be drawn when it is on neither WinnersList nor WaitList (exact comparison).
bool IsDrawable(const GameLists& lists, std::string_view name);

// A sorted copy of a list, in the list's collation, as ReadListScratch and the maintenance window hold it.
NameList SortedCopy(const NameList& list);

}  // namespace host
