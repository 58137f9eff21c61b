// host_window_win.h: the HostWindow, the game host's main and start-up window: the controls of
// kHostWindowControls, the menu bar, the busy state, and one handler per button and menu item over host::Host.
// Its member functions are defined in host_window_win.cpp (the window, its start-up and its messages),
// host_commands_win.cpp (the handlers and Run), host_display_win.cpp (the busy state, problems and macro panel),
// host_io_win.cpp (HostIo, HostFiles) and host_test_hook_win.cpp. The Season window is season_window_win.cpp's.
#pragma once

#include <windows.h>
// winbase.h defines Yield() as an empty macro (a 16-bit leftover); HostIo has a member of that name.
#undef Yield

#include <memory>
#include <string>
#include <vector>

#include "host/draw.h"
#include "host/host.h"
#include "host/maintenance_window_win.h"
#include "host/season_window_win.h"

namespace host {

// What the window reads and writes on disk: the game's files in the current directory, and the chat capture
// wherever the link module wrote it.
class HostFiles final : public FileStore {
  public:
    ReadResult Read(const std::string& path, size_t maxBytes) override;
    WriteResult Replace(const std::string& path, const std::string& content) override;
    std::optional<std::uintmax_t> Size(const std::string& path) override;
    WriteResult Copy(const std::string& from, const std::string& to) override;

  private:
    DiskFiles disk_;
};

class HostWindow final : private HostIo {
  public:
    HostWindow();
    ~HostWindow() override;
    HostWindow(const HostWindow&) = delete;
    HostWindow& operator=(const HostWindow&) = delete;

    // Creates the window, runs the start-up sequence, then shows it with the start-up problems, led by `notice`
    // when there is one. False when the window cannot be created.
    bool Create(int show, const std::string& notice = {});
    // Closes the link and destroys every window of the program; the message loop then ends. Runs once.
    void Shutdown();

  private:
    static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);
    void OnCreate();
    Problems StartUp();
    void OnCommand(int id, int code);
    void OnClose();
    void OnActivate(bool active);
    LRESULT OnTestHook(WPARAM query);
    LRESULT OnControlColour(HDC dc, HWND control);

    // One handler per button and menu item.
    void OnReadList();
    void OnRegCountdown();
    void OnPickPlayer();
    void OnPickCategory();
    void OnGiveCategory();
    void OnDeclareWinner();
    void OnDeclareLoser();
    void OnSaveTitles();
    void OnOops();
    void OnHowToPlay();
    void OnPlayMacro(int k);
    void OnSetupMacros();
    void OnAskForPlayers();
    void OnGetPlayers();
    void OnPlayerMaintenance();
    void OnReconnect();
    void OnRestorePlayers();
    void OnSeason();
    // "Announce Top 5" of the Season window, run as a command of this window; false when refused.
    bool OnAnnounceTopFive();

    // Runs a command to its end: inside the busy state or not, its problems shown in one message box, and the
    // focus given to `Dummy` when the command says so. No exception leaves it.
    template <typename Command>
    void Run(bool busy, Command&& command);
    void EnterBusy();
    void AddLinkReport(std::vector<std::string>& problems);
    void LeaveBusy();
    void SetBackground(COLORREF colour);
    void FocusDummy();
    void ShowProblems(const std::vector<std::string>& problems);
    void ShowMacroTitles();
    void ShowMacroPanel(bool shown);
    // True once the program is ending: the window was closed, or a WM_QUIT was met inside a yield.
    bool Closing() const;
    // Ends the running command (see CommandAbandoned in the .cpp) when the program is ending.
    void StopIfClosing() const;

    // HostIo: what a command does through the window.
    void Say(const std::string& text) override;
    void Esp(const std::string& target, const std::string& text) override;
    void Wait(int seconds) override;
    void FetchChat() override;
    void Yield() override;
    std::uint64_t Milliseconds() override;
    void ShowRound(const Round& round) override;

    HostFiles files_;
    SeasonDisk rounds_;
    SystemClock clock_;
    MixingGenerator random_;
    Host host_;
    std::unique_ptr<MaintenanceWindow> maintenance_;
    std::unique_ptr<SeasonWindow> season_;

    HWND hwnd_ = nullptr;
    HWND frame_ = nullptr;
    HWND lastFocus_ = nullptr;  // the control that had the focus when the window was last deactivated
    HFONT font_ = nullptr;
    HBRUSH idleBrush_ = nullptr;
    HBRUSH busyBrush_ = nullptr;
    COLORREF background_;
    UINT testHookMessage_ = 0;

    bool busy_ = false;
    int running_ = 0;              // commands (or the start-up) under way, nested in each other's message loops
    bool closeRequested_ = false;  // closed while something ran: Shutdown once it has stopped
    bool shutDown_ = false;
    bool linkOpen_ = false;
    int commandId_ = 0;  // the button or menu item of the command being run, for the support log
    unsigned long commandsDone_ = 0;
    unsigned long commandsRefused_ = 0;
};

}  // namespace host
