// maintenance.cpp: the PlayerMaintenanceWindow's copies and buttons.
#include "host/maintenance.h"

namespace host {

// The copies are snapshots: later changes of the HostWindow lists do not reach them until the window is
// created again, and deleting a stale entry still removes the first equal name from the HostWindow list.
PlayerMaintenance::PlayerMaintenance(GameLists& lists) : lists_(lists) {
    for (Section s : {Section::kPlayers, Section::kWinners, Section::kWaitList})
        part(s).copy = SortedCopy(mirrored(s));
}

NameList& PlayerMaintenance::mirrored(Section s) {
    switch (s) {
        case Section::kPlayers:
            return lists_.PlayersList;
        case Section::kWaitList:
            return lists_.WaitList;
        case Section::kWinners:
            break;
    }
    return lists_.WinnersList;
}

void PlayerMaintenance::HideAllDeletes() {
    for (auto& p : parts_)
        p.deleteShown = false;
}

// Selecting in one section clears the others, so at most one "Delete Player" is ever shown, and only under a
// list that has a selection.
void PlayerMaintenance::Select(Section s, std::optional<int> index) {
    for (auto& p : parts_)
        p.selected.reset();
    HideAllDeletes();
    Part& p = part(s);
    if (index && *index >= 0 && *index < p.copy.Count()) {
        p.selected = index;
        p.deleteShown = true;
    }
}

void PlayerMaintenance::DeletePlayer(Section s) {
    Part& p = part(s);
    if (!p.selected)
        return;
    const std::string name = p.copy.At(*p.selected);
    mirrored(s).RemoveFirst(name);  // the first exact match only; none is fine (stale copy)
    p.copy.RemoveAt(*p.selected);
    p.selected.reset();
    p.deleteShown = false;
}

void PlayerMaintenance::ClearList(Section s) {
    for (auto& p : parts_)
        p.selected.reset();
    HideAllDeletes();
    part(s).copy.Clear();
    mirrored(s).Clear();
}

}  // namespace host
