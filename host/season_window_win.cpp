// season_window_win.cpp: the Season window's Win32 side. What it shows and appends is host/season.h's; the page is
// host/season_page.h's. The window reads ROUNDS.CSV when it opens, after each of its own appends and after every
// round the HostWindow records, and shows the standings in one list with a column per tab.
//
// Owns: the window and its GDI objects (hwnd_, font_, background_), lastFocus_, and what it last read (book_,
// standings_, problem_). Touches: ROUNDS.CSV (appends, through the RoundsStore), SEASON.HTM (replaced whole), the
// support log (the page written). Calls: announce_, which runs "Announce Top 5" as a HostWindow command.
#include "host/season_window_win.h"

#include <algorithm>
#include <exception>
#include <string>
#include <vector>

#include "common/controls_win.h"
#include "common/file_io.h"
#include "common/support_log.h"
#include "common/window_proc_win.h"
#include "host/host_window_layout.h"
#include "host/season_layout.h"
#include "host/season_page.h"

namespace host {
namespace {

constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;

// A list box's tab stops count quarters of its font's average character width, measured as the system measures
// it for dialogs: the width of the alphabet in both cases, over 52, rounded.
void SetColumns(HWND list, HFONT font, const win::Dpi& dpi) {
    const HDC dc = GetDC(list);
    const HGDIOBJ old = SelectObject(dc, font);
    SIZE size{};
    GetTextExtentPoint32A(dc, "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz", 52, &size);
    SelectObject(dc, old);
    ReleaseDC(list, dc);
    const int average = std::max(1, static_cast<int>((size.cx / 26 + 1) / 2));
    std::vector<INT> stops;
    for (size_t k = 1; k < std::size(kSeasonColumnLefts); ++k) {
        const int pixels = common::TwipsToPixels(kSeasonColumnLefts[k] - kSeasonList.left, dpi.x) - 2;
        stops.push_back(pixels * 4 / average);
    }
    SendMessageA(list, LB_SETTABSTOPS, stops.size(), reinterpret_cast<LPARAM>(stops.data()));
}

}  // namespace

SeasonWindow::~SeasonWindow() {
    Close();
    if (font_)
        DeleteObject(font_);
    if (background_)
        DeleteObject(background_);
}

void SeasonWindow::ShowOrRaise() {
    win::ShowOrRaiseWindow(
        hwnd_, [](void* self) { return static_cast<SeasonWindow*>(self)->Create() ? static_cast<SeasonWindow*>(self)->hwnd_ : nullptr; },
        this);
}

void SeasonWindow::Close() {
    if (hwnd_)
        DestroyWindow(hwnd_);
}

void SeasonWindow::Refresh() {
    if (!hwnd_)
        return;
    Load();
    Show();
}

bool SeasonWindow::Create() {
    static ATOM atom = 0;
    if (!atom) {
        atom = win::RegisterProgramWindowClass(kSeasonClassName, WndProc);
        if (!atom)
            return false;
    }
    const win::Dpi dpi = win::ScreenDpi();
    if (!font_)
        font_ = win::CreateUiFont(kSeasonFontHundredthsOfPoint, true, dpi);
    if (!background_)
        background_ = CreateSolidBrush(kIdleColour);
    const SIZE size =
        win::WindowSizeForClient(kSeasonClientWidthTwips, kSeasonClientHeightTwips, kWindowStyle, false, 0, dpi);
    // No owner: the HostWindow's busy state disables it alone.
    CreateWindowExA(0, kSeasonClassName, kSeasonCaption, kWindowStyle, CW_USEDEFAULT, CW_USEDEFAULT, size.cx, size.cy,
                    nullptr, nullptr, GetModuleHandleA(nullptr), this);
    if (!hwnd_)
        return false;
    const common::ControlSpec& l = kSeasonList;
    const HWND list = CreateWindowExA(
        WS_EX_CLIENTEDGE, "LISTBOX", "",
        WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | LBS_USETABSTOPS,
        common::TwipsToPixels(l.left, dpi.x), common::TwipsToPixels(l.top, dpi.y),
        common::TwipsToPixels(l.width, dpi.x), common::TwipsToPixels(l.height, dpi.y), hwnd_,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(l.id)), GetModuleHandleA(nullptr), nullptr);
    SendMessageA(list, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    SetColumns(list, font_, dpi);
    win::CreateControls(hwnd_, kSeasonControls, font_, dpi);
    win::CentreOnScreen(hwnd_);
    Load();
    Show();
    lastFocus_ = list;
    return true;
}

void SeasonWindow::Load() {
    SeasonRead read = ReadRounds(store_);
    book_ = std::move(read.book);
    problem_ = read.problem;
    standings_ = book_ ? ComputeStandings(*book_, less_) : SeasonStandings{};
}

void SeasonWindow::Show() {
    win::SetControlText(hwnd_, IDC_SEASON_SUMMARY, book_ ? SeasonSummary(standings_) : problem_);
    win::SetControlText(hwnd_, IDC_SEASON_UNREAD, UnreadLinesText(standings_.unreadLines));
    const HWND list = GetDlgItem(hwnd_, IDC_SEASON_LIST);
    SendMessageA(list, WM_SETREDRAW, FALSE, 0);
    SendMessageA(list, LB_RESETCONTENT, 0, 0);
    SendMessageA(list, LB_INITSTORAGE, standings_.rows.size(), standings_.rows.size() * 48);
    for (const Standing& row : standings_.rows)
        SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(StandingRowText(row).c_str()));
    SendMessageA(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, nullptr, TRUE);
    // Nothing to void or to start while the file cannot be read.
    EnableWindow(GetDlgItem(hwnd_, IDC_SEASON_VOID), book_.has_value());
    EnableWindow(GetDlgItem(hwnd_, IDC_SEASON_NEW), book_.has_value());
}

LRESULT CALLBACK SeasonWindow::WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return win::RouteToWindow(hwnd, msg, wParam, lParam, &SeasonWindow::hwnd_, &SeasonWindow::HandleMessage);
}

LRESULT SeasonWindow::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    const HWND hwnd = hwnd_;
    switch (msg) {
        case WM_COMMAND:
            OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
            return 0;
        case WM_ERASEBKGND:
            return win::EraseClient(hwnd, wParam, background_);
        case WM_CTLCOLORSTATIC:
            SetBkColor(reinterpret_cast<HDC>(wParam), kIdleColour);
            return reinterpret_cast<LRESULT>(background_);
        case WM_CTLCOLORBTN:
            return reinterpret_cast<LRESULT>(background_);
        case WM_ACTIVATE:
            OnActivate(LOWORD(wParam) != WA_INACTIVE);
            return 0;
        case DM_GETDEFID:
            return win::FocusedPushButtonAsDefault(hwnd_);
        case WM_NCDESTROY:
            hwnd_ = nullptr;
            book_.reset();
            standings_ = {};
            break;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

// One handler per button; one that fails tells the operator and the window shows the file as it is now.
void SeasonWindow::OnCommand(int id, int code, HWND control) {
    if (id == IDCANCEL && !control) {  // Esc
        Close();
        return;
    }
    if (code != BN_CLICKED || !control)
        return;
    std::string failure;
    try {
        switch (id) {
            case IDC_SEASON_ANNOUNCE:
                OnAnnounce();
                break;
            case IDC_SEASON_SAVEPAGE:
                OnSavePage();
                break;
            case IDC_SEASON_VOID:
                OnVoidLastRound();
                break;
            case IDC_SEASON_NEW:
                OnNewSeason();
                break;
        }
        return;
    } catch (const std::exception& e) {
        failure = std::string("The command stopped early: ") + e.what();
    } catch (...) {
        failure = "The command stopped early.";
    }
    Refresh();
    Tell(failure);
}

// Spoken by the HostWindow, in its busy state, as its own commands are; refused while one of them runs.
void SeasonWindow::OnAnnounce() {
    if (!announce_())
        Tell("A command of the game host is running. Choose \"Announce Top 5\" again once it has finished.");
}

void SeasonWindow::OnSavePage() {
    std::string status;
    const WriteResult written = SavePage(&status);
    if (!hwnd_)
        return;
    Show();
    win::SetControlText(hwnd_, IDC_SEASON_STATUS, status);
    if (!written.ok)
        Tell(status);
}

WriteResult SeasonWindow::SavePage(std::string* status) {
    Load();
    if (!book_) {
        *status = problem_;
        return {false, problem_};
    }
    const std::string page = SeasonPage(standings_, AnsiToUtf8);
    const WriteResult written = common::ReplaceFileAtomically(kSeasonPageFile, page);
    common::LogFileWrite(kSeasonPageFile, page.size(), written);
    *status = written.ok ? std::string(kSeasonPageFile) + " written (" + std::to_string((page.size() + 1023) / 1024) +
                               " KB), " + std::to_string(standings_.rows.size()) + " players."
                         : std::string(kSeasonPageFile) + " could not be written: " + written.error;
    return written;
}

// The question stays open while the game goes on: a round judged meanwhile is not the one asked about, so the
// file is read again after Yes and nothing is voided when its last round is another one.
void SeasonWindow::OnVoidLastRound() {
    Refresh();
    if (!book_)
        return;
    const auto round = LastRound(*book_);
    if (!round) {
        Tell("Season " + std::to_string(book_->CurrentSeason()) + " has no round to void.");
        return;
    }
    const int season = book_->CurrentSeason();
    const size_t rounds = book_->Rounds(season).size();
    const std::string question = VoidQuestion(*book_, *round);
    if (Ask(question) != IDYES || !hwnd_)
        return;
    Refresh();
    const auto now = book_ ? LastRound(*book_) : std::nullopt;
    if (!now || book_->CurrentSeason() != season || book_->Rounds(season).size() != rounds ||
        VoidQuestion(*book_, *now) != question) {
        Tell("The last round changed while the question was open; nothing was voided.");
        return;
    }
    Append(RecordKind::kVoid);
}

void SeasonWindow::OnNewSeason() {
    Refresh();
    if (!book_)
        return;
    const int current = book_->CurrentSeason();
    if (Ask(NewSeasonQuestion(*book_)) != IDYES || !hwnd_)
        return;
    Refresh();
    if (!book_ || book_->CurrentSeason() != current)
        return;  // another season began meanwhile
    Append(RecordKind::kSeason);
}

void SeasonWindow::Append(RecordKind kind) {
    const WriteResult written = AppendRecord(store_, SeasonRecord{"", 0, "", "", kind});
    Refresh();
    if (!written.ok)
        Tell(std::string(kRoundsFile) + " could not be written: " + written.error);
}

int SeasonWindow::Ask(const std::string& question) const {
    return MessageBoxA(hwnd_, question.c_str(), kSeasonCaption, MB_YESNO | MB_ICONQUESTION);
}

void SeasonWindow::Tell(const std::string& text) const {
    if (hwnd_)
        MessageBoxA(hwnd_, text.c_str(), kSeasonCaption, MB_OK | MB_ICONINFORMATION);
}

// As a dialog does: the control that had the keyboard gets it back when the window is active again.
void SeasonWindow::OnActivate(bool active) {
    if (!active) {
        if (const HWND focus = win::FocusWithin(hwnd_))
            lastFocus_ = focus;
        return;
    }
    HWND target = lastFocus_ && IsWindow(lastFocus_) && IsChild(hwnd_, lastFocus_) && IsWindowEnabled(lastFocus_)
                      ? lastFocus_
                      : GetDlgItem(hwnd_, IDC_SEASON_LIST);
    if (target)
        SetFocus(target);
}

}  // namespace host
