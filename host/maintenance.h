// maintenance.h: the rules of the PlayerMaintenanceWindow, its sorted copies of the three lists and the
// Delete Player / Clear List buttons of each section, without any window.
#pragma once

#include <array>
#include <optional>

#include "host/player_lists.h"

namespace host {

class PlayerMaintenance {
  public:
    // Sections from the top of the window down.
    enum class Section { kPlayers = 0, kWaitList = 1, kWinners = 2 };

    // Creating the window: takes sorted snapshots of the HostWindow lists, nothing selected.
    explicit PlayerMaintenance(GameLists& lists);

    const NameList& Copy(Section s) const { return part(s).copy; }
    std::optional<int> Selected(Section s) const { return part(s).selected; }
    bool DeleteShown(Section s) const { return part(s).deleteShown; }

    // The operator selected an entry of a section's list (nullopt: the list reports no selection).
    void Select(Section s, std::optional<int> index);
    // "Delete Player" of a section.
    void DeletePlayer(Section s);
    // "Clear List" of a section.
    void ClearList(Section s);

  private:
    struct Part {
        NameList copy{NameList::Order::kSortedIgnoreCase};
        std::optional<int> selected;
        bool deleteShown = false;
    };
    Part& part(Section s) { return parts_[static_cast<size_t>(s)]; }
    const Part& part(Section s) const { return parts_[static_cast<size_t>(s)]; }
    NameList& mirrored(Section s);
    void HideAllDeletes();

    GameLists& lists_;
    std::array<Part, 3> parts_;
};

}  // namespace host
