// maintenance_window_win.h: the PlayerMaintenanceWindow: the sorted copies of the three game lists with a
// "Delete Player" and a "Clear List" button per section, over host::PlayerMaintenance. Modeless and unowned, so
// that it stays usable while the HostWindow is busy.
#pragma once

#include <windows.h>

#include <optional>

#include "host/maintenance.h"

namespace host {

class MaintenanceWindow {
  public:
    explicit MaintenanceWindow(GameLists& lists) : lists_(lists) {}
    ~MaintenanceWindow();
    MaintenanceWindow(const MaintenanceWindow&) = delete;
    MaintenanceWindow& operator=(const MaintenanceWindow&) = delete;

    // Creates the window with fresh copies, centred, or, while it is open, only brings it forward.
    void ShowOrRaise();
    // Destroys the window (and its copies) if it is open.
    void Close();
    HWND hwnd() const { return hwnd_; }
    // Test hook (host/test_hook.h): the next command of this window fails as an unexpected error would.
    void FailNextCommand() { failNextCommand_ = true; }

  private:
    static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);
    bool Create();
    void OnCommand(int id, int code, HWND control);
    void OnSelect(PlayerMaintenance::Section section);
    void OnDeletePlayer(PlayerMaintenance::Section section);
    void OnClearList(PlayerMaintenance::Section section);
    // Writes the model to the window: each list's entries (when refill) and selection, each "Delete Player".
    void ShowModel(bool refill);
    void OnActivate(bool active);

    GameLists& lists_;
    std::optional<PlayerMaintenance> model_;  // exists while the window does
    HWND hwnd_ = nullptr;
    HFONT font_ = nullptr;
    HFONT labelFont_ = nullptr;
    HBRUSH background_ = nullptr;
    HWND lastFocus_ = nullptr;  // the control that had the keyboard when the window was last deactivated
    bool failNextCommand_ = false;
};

}  // namespace host
