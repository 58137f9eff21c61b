// maintenance_layout.h: the PlayerMaintenanceWindow as plain data: caption, size, colours, its two control tables
// (the section labels have a font of their own) and which controls make up each section.
#pragma once

#include "common/layout.h"
#include "host/host_ids.h"
#include "host/maintenance.h"

namespace host {

inline constexpr char kMaintenanceCaption[] = "Player Maintenance";
inline constexpr char kMaintenanceClassName[] = "GorvathPlayerMaintenance";
inline constexpr int kMaintenanceClientWidthTwips = 3600;
inline constexpr int kMaintenanceClientHeightTwips = 5430;
inline constexpr int kMaintenanceFontHundredthsOfPoint = 825;         // MS Sans Serif 8.25 pt, bold
inline constexpr int kSectionLabelHundredthsOfPoint = 1350;           // MS Sans Serif 13.5 pt, bold, blue
inline constexpr unsigned long kSectionLabelTextColour = 0x00FF0000;  // BGR: blue, RGB (0, 0, 255)

// Lists, buttons, then (in the second table) the labels: table order is the tab order 0 to 11. The lists are plain
// list boxes that show host::PlayerMaintenance's sorted copies in its order, so that a selected index there is
// the index of the copy.
inline constexpr common::ControlSpec kMaintenanceControls[] = {
    // id, kind, caption, left, top, width, height (twips), flags
    {IDC_MAINT_LIST1, common::ControlKind::ListBox, "", 120, 360, 3375, 1005},
    {IDC_MAINT_COMMAND1, common::ControlKind::Button, "Delete Player", 120, 1440, 1575, 375, common::kHidden},
    {IDC_MAINT_COMMAND2, common::ControlKind::Button, "Clear List", 1920, 1440, 1575, 375},
    {IDC_MAINT_LIST3, common::ControlKind::ListBox, "", 120, 2160, 3375, 1005},
    {IDC_MAINT_COMMAND6, common::ControlKind::Button, "Delete Player", 120, 3240, 1575, 375, common::kHidden},
    {IDC_MAINT_COMMAND5, common::ControlKind::Button, "Clear List", 1920, 3240, 1575, 375},
    {IDC_MAINT_LIST2, common::ControlKind::ListBox, "", 120, 3960, 3375, 1005},
    {IDC_MAINT_COMMAND3, common::ControlKind::Button, "Delete Player", 120, 5040, 1575, 375, common::kHidden},
    {IDC_MAINT_COMMAND4, common::ControlKind::Button, "Clear List", 1920, 5040, 1575, 375},
};
inline constexpr common::ControlSpec kMaintenanceLabels[] = {
    {IDC_MAINT_LABEL1, common::ControlKind::CenteredLabel, "Players List", 120, 0, 3375, 375},
    {IDC_MAINT_LABEL2, common::ControlKind::CenteredLabel, "Winners List", 120, 3600, 3375, 375},
    {IDC_MAINT_LABEL3, common::ControlKind::CenteredLabel, "Players Wait List", 120, 1800, 3375, 375},
};

struct MaintenanceSectionIds {
    PlayerMaintenance::Section section;
    int label, list, deleteButton, clearButton;
};
// Top to bottom: players, wait list, winners.
inline constexpr MaintenanceSectionIds kMaintenanceSections[] = {
    {PlayerMaintenance::Section::kPlayers, IDC_MAINT_LABEL1, IDC_MAINT_LIST1, IDC_MAINT_COMMAND1, IDC_MAINT_COMMAND2},
    {PlayerMaintenance::Section::kWaitList, IDC_MAINT_LABEL3, IDC_MAINT_LIST3, IDC_MAINT_COMMAND6, IDC_MAINT_COMMAND5},
    {PlayerMaintenance::Section::kWinners, IDC_MAINT_LABEL2, IDC_MAINT_LIST2, IDC_MAINT_COMMAND3, IDC_MAINT_COMMAND4},
};

}  // namespace host
