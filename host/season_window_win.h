// season_window_win.h: the Season window ("Tumbleroo Season"), opened by the HostWindow's menu item "Season": the
// standings of the current season from ROUNDS.CSV, and its four buttons. Modeless and unowned like the maintenance
// window, so that it stays usable while the HostWindow is busy. SeasonDisk: ROUNDS.CSV on disk.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "host/season.h"

namespace host {

// ROUNDS.CSV in the current directory; every append goes to the support log.
class SeasonDisk final : public RoundsStore {
  public:
    ReadResult Read(size_t maxBytes) override;
    WriteResult Append(std::string_view bytes) override;
    std::string Now() override;
};

// 8-bit text of the system's code page as UTF-8.
std::string AnsiToUtf8(std::string_view text);

class SeasonWindow {
  public:
    // announce: runs "Announce Top 5" as a command of the HostWindow; false when it was refused (a command runs).
    SeasonWindow(RoundsStore& store, NameCollation less, std::function<bool()> announce)
        : store_(store), less_(less), announce_(std::move(announce)) {}
    ~SeasonWindow();
    SeasonWindow(const SeasonWindow&) = delete;
    SeasonWindow& operator=(const SeasonWindow&) = delete;

    // Creates the window, reading ROUNDS.CSV, centred; or, while it is open, only brings it forward.
    void ShowOrRaise();
    // Reads ROUNDS.CSV again and shows it, if the window is open.
    void Refresh();
    void Close();
    HWND hwnd() const { return hwnd_; }

    // "Save Page": SEASON.HTM from the file as it is now; the text for the status line, or the failure.
    WriteResult SavePage(std::string* status);

  private:
    static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);
    bool Create();
    void Load();
    void Show();
    void OnCommand(int id, int code, HWND control);
    void OnAnnounce();
    void OnSavePage();
    void OnVoidLastRound();
    void OnNewSeason();
    void Append(RecordKind kind);
    void OnActivate(bool active);
    int Ask(const std::string& question) const;
    void Tell(const std::string& text) const;

    RoundsStore& store_;
    NameCollation less_;
    std::function<bool()> announce_;
    std::optional<SeasonBook> book_;  // nullopt when ROUNDS.CSV could not be read
    SeasonStandings standings_;
    std::string problem_;
    HWND hwnd_ = nullptr;
    HFONT font_ = nullptr;
    HBRUSH background_ = nullptr;
    HWND lastFocus_ = nullptr;
};

}  // namespace host
