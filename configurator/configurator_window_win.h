// configurator_window_win.h: ConfiguratorWindow, the configurator's one window: the controls of
// configurator_layout.h, the load steps, the busy state and one handler per button. Its members are defined in
// configurator_window_win.cpp (creation, layout, painting, message dispatch, test hook) and
// configurator_commands_win.cpp (the buttons, the busy state, closing during a test, keyboard focus).
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "common/controls_win.h"
#include "configurator/capture.h"
#include "configurator/configurator_link_win.h"

namespace config {

class ConfiguratorWindow {
  public:
    ConfiguratorWindow() = default;
    ~ConfiguratorWindow();
    ConfiguratorWindow(const ConfiguratorWindow&) = delete;
    ConfiguratorWindow& operator=(const ConfiguratorWindow&) = delete;

    // Creates the window, runs the load steps and shows it, then `notice` in a message box when there is one.
    // False (after telling the user) when it failed.
    bool Create(HINSTANCE instance, int showCommand, const std::string& notice = {});

  private:
    static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK TitleWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);

    void CreateContent();
    void FitLabel1Font(const win::Dpi& dpi);
    void CreateTitleWindow(HINSTANCE instance);
    void OnLoad();
    void CentreInTwips();
    void OnCommand(int id);
    void OnCommand1();
    void OnCommand2();
    void OnCommand3();
    void OnCommand4();
    void OnClose();
    void OnActivate(bool active);
    LRESULT OnTestHook(WPARAM what, LPARAM argument);
    LRESULT DefaultButton() const;
    void RememberFocus();
    void RestoreFocus();
    template <typename Test>
    void RunBusy(Test test);
    // True once the program is ending: the window was closed during a test, or a quit request was met inside
    // one of its yields.
    bool Closing() const;
    void EnterBusy();
    void LeaveBusy();
    void SetBackground(HBRUSH brush);
    HBRUSH OnCtlColorStatic(HDC dc, HWND control);

    HWND hwnd_ = nullptr;
    HWND titleWindow_ = nullptr;
    HFONT font_ = nullptr;
    HFONT secondsFont_ = nullptr;
    HFONT label1Font_ = nullptr;  // only when the window's font would cut the instruction text
    int label1FontSize_ = 0;      // hundredths of a point
    HBRUSH idleBrush_ = nullptr;
    HBRUSH busyBrush_ = nullptr;
    HBRUSH panelBrush_ = nullptr;
    HBRUSH background_ = nullptr;
    bool busy_ = false;
    bool hourglass_ = false;
    bool closeRequested_ = false;
    HWND lastFocus_ = nullptr;  // the control to give the keyboard back to after a test or a switch of window
    UINT testHookMessage_ = 0;
    int commandId_ = 0;  // the button whose test runs, for the support log
    ConfiguratorFields fields_;
    std::optional<ModuleLink> link_;
};

}  // namespace config
