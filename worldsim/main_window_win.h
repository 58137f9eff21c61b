// main_window_win.h: the "Pelmor 3.0" window: the chat as it happens, an input line and a status line.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

namespace worldsim {

class App;
class World;

// Posted to the window when acknowledgements or receive records are waiting to be poked.
inline constexpr UINT kMsgDeliver = WM_APP + 1;
inline constexpr UINT_PTR kTimerDeliver = 1;    // the next delayed acknowledgement is due
inline constexpr UINT_PTR kTimerScheduled = 2;  // the next after| command is due
inline constexpr UINT_PTR kTimerClose = 3;      // closing waits for the poke in progress

class MainWindow {
public:
    explicit MainWindow(App& app) : app_(app) {}
    bool Create(HINSTANCE instance, int show);
    HWND hwnd() const { return hwnd_; }
    void ShowChat(const World& world);
    void ShowStatus(const std::string& text);

private:
    static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK InputProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT OnMessage(UINT msg, WPARAM wParam, LPARAM lParam);
    void OnCreate();
    void OnSize(int width, int height);
    void OnInputEnter();
    LRESULT OnCopyData(const COPYDATASTRUCT* data);

    App& app_;
    HWND hwnd_ = nullptr;
    HWND status_ = nullptr;
    HWND chat_ = nullptr;
    HWND input_ = nullptr;
    WNDPROC inputDefault_ = nullptr;
    std::uint64_t shownGeneration_ = 0;
    size_t shownLines_ = 0;
};

}  // namespace worldsim
