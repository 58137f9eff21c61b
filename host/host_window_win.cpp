// host_window_win.cpp: the HostWindow's Win32 side. Every rule of the game is host::Host's; a handler here reads
// the controls, runs one host:: command inside the busy state, and writes the result back.
//
// Closing the window must end the program at once, also in the middle of a command that is speaking or counting
// down (the close arrives inside one of its yields). The window then hides itself, and the command is ended at its
// next step: every HostIo call checks Closing() and throws CommandAbandoned, which unwinds host::Host (it holds no
// state across those calls, see host.cpp) and is caught in Run(). Only then are the link closed and the windows
// destroyed, so that the link is never torn down under a request that is still running. A WM_QUIT that a yield
// meets and keeps (linkmodule::QuitKept) ends the command the same way.
#include "host/host_window_win.h"

#include <algorithm>
#include <cstdint>
#include <exception>

#include "common/about_win.h"
#include "common/controls_win.h"
#include "common/crash_report_win.h"
#include "common/support_log.h"
#include "common/window_proc_win.h"
#include "host/host_window_layout.h"
#include "host/intake.h"
#include "host/test_hook.h"
#include "linkmodule/link_core.h"
#include "linkmodule/link_module_win.h"

namespace host {
namespace {

constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
// The system menu's About entry; the menu bar stays as the operator knows it.
constexpr win::AboutProgram kAbout = {L"About Tumbleroo\u2026", "About Tumbleroo", "Tumbleroo game host",
                                      "GORVATH.LOG"};

struct CommandAbandoned {};

HMENU BuildMenu() {
    HMENU bar = CreateMenu();
    HMENU popup = nullptr;
    for (const MenuSpec& m : kHostMenu) {
        if (m.level == 0 && m.id == 0) {
            popup = CreatePopupMenu();
            AppendMenuA(bar, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(popup), m.caption);
        } else if (m.level == 0) {
            AppendMenuA(bar, MF_STRING, static_cast<UINT_PTR>(m.id), m.caption);
            popup = nullptr;
        } else if (popup) {
            AppendMenuA(popup, MF_STRING, static_cast<UINT_PTR>(m.id), m.caption);
        }
    }
    return bar;
}

// The frame is a group box, whose window procedure neither passes its children's clicks on nor paints its
// inside. Subclassed, it forwards them to the HostWindow and paints itself with the window's background, so that
// the panel covers the round controls beneath it.
bool IsPushButton(HWND control) {
    char cls[16] = {};
    if (!control || !GetClassNameA(control, cls, sizeof cls) || lstrcmpiA(cls, "Button") != 0)
        return false;
    const LONG_PTR kind = GetWindowLongPtrA(control, GWL_STYLE) & BS_TYPEMASK;
    return kind == BS_PUSHBUTTON || kind == BS_DEFPUSHBUTTON;
}

// Test hook: Shift held while Tab goes through the dialog keys of the focused control's window, then Shift as it was.
LRESULT PressShiftTab() {
    const HWND focus = GetFocus();
    const HWND top = focus ? GetAncestor(focus, GA_ROOT) : nullptr;
    BYTE keys[256] = {};
    if (!top || !GetKeyboardState(keys))
        return 0;
    const BYTE shift = keys[VK_SHIFT];
    keys[VK_SHIFT] = static_cast<BYTE>(shift | 0x80);
    SetKeyboardState(keys);
    MSG key = {};
    key.hwnd = focus;
    key.message = WM_KEYDOWN;
    key.wParam = VK_TAB;
    key.lParam = 1 | static_cast<LPARAM>(MapVirtualKeyA(VK_TAB, MAPVK_VK_TO_VSC) << 16);
    IsDialogMessageA(top, &key);
    GetKeyboardState(keys);
    keys[VK_SHIFT] = shift;
    SetKeyboardState(keys);
    const HWND now = GetFocus();
    return now ? GetDlgCtrlID(now) : 0;
}

LRESULT CALLBACK MacroFrameProc(HWND frame, UINT msg, WPARAM wParam, LPARAM lParam) {
    const auto original = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(frame, GWLP_USERDATA));
    switch (msg) {
        case WM_COMMAND:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORSTATIC:
            return SendMessageA(GetParent(frame), msg, wParam, lParam);
        case WM_ERASEBKGND: {
            const auto brush = reinterpret_cast<HBRUSH>(
                SendMessageA(GetParent(frame), WM_CTLCOLORSTATIC, wParam, reinterpret_cast<LPARAM>(frame)));
            RECT rc;
            GetClientRect(frame, &rc);
            FillRect(reinterpret_cast<HDC>(wParam), &rc, brush);
            return 1;
        }
    }
    return original ? CallWindowProcA(original, frame, msg, wParam, lParam)
                    : DefWindowProcA(frame, msg, wParam, lParam);
}

}  // namespace

ReadResult HostFiles::Read(const std::string& path, size_t maxBytes) {
    return disk_.Read(path == kCaptureFile ? linkmodule::CapturePath() : path, maxBytes);
}

WriteResult HostFiles::Replace(const std::string& path, const std::string& content) {
    const WriteResult result = disk_.Replace(path, content);
    common::LogFileWrite(path, content.size(), result);
    return result;
}

std::optional<std::uintmax_t> HostFiles::Size(const std::string& path) {
    return disk_.Size(path);
}

WriteResult HostFiles::Copy(const std::string& from, const std::string& to) {
    const WriteResult result = disk_.Copy(from, to);
    common::LogFileWrite(to, disk_.Size(result.ok ? to : from).value_or(0), result);
    return result;
}

HostWindow::HostWindow()
    : random_(StartupEntropy()),
      host_(*this, files_, clock_, random_, win::LessAsSortedListBox),
      maintenance_(std::make_unique<MaintenanceWindow>(host_.Lists())),
      background_(kIdleColour) {}

HostWindow::~HostWindow() {
    Shutdown();
    maintenance_.reset();
    for (HGDIOBJ object :
         {static_cast<HGDIOBJ>(font_), static_cast<HGDIOBJ>(idleBrush_), static_cast<HGDIOBJ>(busyBrush_)}) {
        if (object)
            DeleteObject(object);
    }
}

bool HostWindow::Create(int show, const std::string& notice) {
    const HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = WndProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hIcon = LoadIcon(GetModuleHandle(nullptr), MAKEINTRESOURCE(1));  // the program's icon (its .rc)
    wc.lpszClassName = kHostClassName;
    if (!RegisterClassExA(&wc))
        return false;
    testHookMessage_ = RegisterWindowMessageA(kTestHookMessage);
    idleBrush_ = CreateSolidBrush(kIdleColour);
    busyBrush_ = CreateSolidBrush(kBusyColour);

    const win::Dpi dpi = win::ScreenDpi();
    const SIZE size =
        win::WindowSizeForClient(kHostClientWidthTwips, kHostClientHeightTwips, kWindowStyle, true, 0, dpi);
    HMENU menu = BuildMenu();
    CreateWindowExA(0, kHostClassName, kHostCaption, kWindowStyle, CW_USEDEFAULT, CW_USEDEFAULT, size.cx, size.cy,
                    nullptr, menu, instance, this);
    if (!hwnd_) {
        DestroyMenu(menu);
        return false;
    }
    win::AddAboutToSystemMenu(hwnd_, kAbout);
    // A menu bar too wide for the window wraps onto a second line and takes that from the client area.
    RECT client;
    GetClientRect(hwnd_, &client);
    const int missing = common::TwipsToPixels(kHostClientHeightTwips, dpi.y) - (client.bottom - client.top);
    if (missing > 0)
        SetWindowPos(hwnd_, nullptr, 0, 0, size.cx, size.cy + missing, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);

    // Counted as running until the start-up problems were shown, so that no command starts under their box.
    ++running_;
    Problems problems = StartUp();
    for (const auto& p : problems)
        common::LogEvent("start", "start-up problem: " + p);
    if (!notice.empty())
        problems.insert(problems.begin(), notice);
    if (!Closing()) {
        ShowWindow(hwnd_, show);
        UpdateWindow(hwnd_);
        FocusDummy();
        ShowProblems(problems);
        if (!Closing())
            FocusDummy();
    }
    --running_;
    if (Closing())
        Shutdown();
    return true;
}

// Controls first (WM_CREATE), then, before the window is first shown, the start-up sequence in its order.
void HostWindow::OnCreate() {
    const win::Dpi dpi = win::ScreenDpi();
    font_ = win::CreateUiFont(kHostFontHundredthsOfPoint, true, dpi);
    win::CreateControls(hwnd_, kHostWindowControls, font_, dpi);
    for (const auto& c : kHostWindowControls) {
        if (c.parent != 0)
            continue;
        // Overlapping siblings: the one above (MacroFrame over the round controls) is not painted over.
        HWND control = GetDlgItem(hwnd_, c.id);
        SetWindowLongPtrA(control, GWL_STYLE, GetWindowLongPtrA(control, GWL_STYLE) | WS_CLIPSIBLINGS);
    }
    frame_ = GetDlgItem(hwnd_, IDC_HOST_MACROFRAME);
    if (frame_) {
        SetWindowLongPtrA(frame_, GWL_STYLE, GetWindowLongPtrA(frame_, GWL_STYLE) | WS_CLIPCHILDREN);
        SetWindowLongPtrA(frame_, GWLP_USERDATA, GetWindowLongPtrA(frame_, GWLP_WNDPROC));
        SetWindowLongPtrA(frame_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(MacroFrameProc));
    }
}

// Each step on its own (RunStartUp): a file that cannot be read must not keep the link from opening.
Problems HostWindow::StartUp() {
    const StartUpStep steps[] = {
        {"centring the window",
         [&] {
             win::CentreOnScreen(hwnd_);
             return Problems{};
         }},
        {"loading the macro titles",
         [&] {
             Problems problems = host_.LOAD_MACTITS();
             ShowMacroTitles();
             return problems;
         }},
        {"reading the link settings",
         [] {
             linkmodule::ReadLinkSettings();
             win::LogSettingsRead("SCONTROL.TXT", linkmodule::ClientWindowTitle, linkmodule::FocusControl,
                                  linkmodule::UseLibraryMethod, linkmodule::SendDelaySeconds);
             return Problems{};
         }},
        {"loading the categories", [&] { return host_.LoadCategories(); }},
        {"pinning the window on top",
         [&] {
             linkmodule::PinOnTop(hwnd_);
             return Problems{};
         }},
        {"opening the link",
         [&] {
             linkOpen_ = true;
             linkmodule::OpenLink();
             return Problems{};
         }},
    };
    return RunStartUp(steps);
}

void HostWindow::Shutdown() {
    if (shutDown_)
        return;
    shutDown_ = true;
    maintenance_->Close();
    if (hwnd_)
        ShowWindow(hwnd_, SW_HIDE);
    if (linkOpen_) {
        linkOpen_ = false;
        linkmodule::CloseLink();
    }
    if (hwnd_)
        DestroyWindow(hwnd_);  // WM_DESTROY posts the WM_QUIT that ends the message loop
}

LRESULT CALLBACK HostWindow::WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return win::RouteToWindow(hwnd, msg, wParam, lParam, &HostWindow::hwnd_, &HostWindow::HandleMessage);
}

LRESULT HostWindow::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    const HWND hwnd = hwnd_;
    if (msg == testHookMessage_ && testHookMessage_ != 0)
        return OnTestHook(wParam);
    switch (msg) {
        case WM_CREATE:
            OnCreate();
            return 0;
        case WM_COMMAND:
            OnCommand(LOWORD(wParam), HIWORD(wParam));
            return 0;
        case WM_SYSCOMMAND:
            if (win::IsAboutCommand(wParam)) {
                win::ShowAbout(hwnd, kAbout);
                return 0;
            }
            break;
        case WM_ACTIVATE:
            OnActivate(LOWORD(wParam) != WA_INACTIVE);
            return 0;
        case WM_SIZE:  // also the first display, minimising and restoring
            linkmodule::PinOnTop(hwnd);
            return 0;
        case WM_ERASEBKGND: {
            RECT rc;
            GetClientRect(hwnd, &rc);
            FillRect(reinterpret_cast<HDC>(wParam), &rc, background_ == kBusyColour ? busyBrush_ : idleBrush_);
            return 1;
        }
        case WM_CTLCOLORSTATIC:
            return OnControlColour(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
        case WM_CTLCOLORBTN:
            return reinterpret_cast<LRESULT>(background_ == kBusyColour ? busyBrush_ : idleBrush_);
        case WM_SETCURSOR:
            if (busy_) {
                SetCursor(LoadCursor(nullptr, IDC_WAIT));
                return TRUE;
            }
            break;
        case WM_CLOSE:
            OnClose();
            return 0;
        case DM_GETDEFID:
            return DefaultButton();
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        case WM_NCDESTROY:
            hwnd_ = nullptr;
            frame_ = nullptr;
            break;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

// As a dialog does: the control that had the focus gets it back when the window is active again (after a message
// box, the maintenance window or minimising), instead of the window itself, where Enter and space would be lost.
void HostWindow::OnActivate(bool active) {
    if (!active) {
        const HWND focus = GetFocus();
        if (focus && IsChild(hwnd_, focus))
            lastFocus_ = focus;
        return;
    }
    if (lastFocus_ && IsWindow(lastFocus_) && IsChild(hwnd_, lastFocus_) && IsWindowVisible(lastFocus_))
        SetFocus(lastFocus_);
    else
        FocusDummy();
}

// Enter presses the button that has the keyboard, as in a dialog (the dialog keys ask the window for its default
// button). `Dummy` is no default: Enter there, or in the category box, does nothing.
LRESULT HostWindow::DefaultButton() const {
    const HWND focus = GetFocus();
    if (!IsPushButton(focus) || !IsChild(hwnd_, focus) || GetDlgCtrlID(focus) == IDC_HOST_DUMMY)
        return 0;
    return MAKELRESULT(GetDlgCtrlID(focus), DC_HASDEFID);
}

// `PlayerName` shows the system's window colours; the frame's caption area, the window's background.
LRESULT HostWindow::OnControlColour(HDC dc, HWND control) {
    if (GetDlgCtrlID(control) == IDC_HOST_PLAYERNAME) {
        SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
        SetBkColor(dc, GetSysColor(COLOR_WINDOW));
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
    }
    SetBkColor(dc, background_);
    return reinterpret_cast<LRESULT>(background_ == kBusyColour ? busyBrush_ : idleBrush_);
}

// Test hook: see host/test_hook.h.
LRESULT HostWindow::OnTestHook(WPARAM query) {
    switch (query) {
        case kHookCrash:  // answered first; the fault comes with the posted message
            PostMessageA(hwnd_, testHookMessage_, kHookCrashNow, 0);
            return 1;
        case kHookCrashNow:
            win::CrashOnPurpose();
            return 0;
        case kHookBackground:
            return static_cast<LRESULT>(background_);
        case kHookBusy:
            return busy_ ? 1 : 0;
        case kHookCommandsDone:
            return static_cast<LRESULT>(commandsDone_);
        case kHookCommandsRefused:
            return static_cast<LRESULT>(commandsRefused_);
        case kHookFailNextMaintenanceCommand:
            maintenance_->FailNextCommand();
            return 1;
        case kHookShiftTab:
            return PressShiftTab();
    }
    return 0;
}

// A command that arrives while another runs is refused: the disabled window takes no clicks, and this also turns
// away commands posted to it, and those reaching it inside a message box's loop.
void HostWindow::OnCommand(int id, int code) {
    const auto binding = CommandFor(id);
    if (!binding || code != BN_CLICKED)  // menus send 0 as well; other notifications are not choices
        return;
    if (busy_ || running_ > 0 || Closing()) {
        ++commandsRefused_;
        return;
    }
    commandId_ = id;
    switch (binding->command) {
        case HostCommand::ReadList:
            OnReadList();
            break;
        case HostCommand::RegCountdown:
            OnRegCountdown();
            break;
        case HostCommand::PickPlayer:
            OnPickPlayer();
            break;
        case HostCommand::PickCategory:
            OnPickCategory();
            break;
        case HostCommand::GiveCategory:
            OnGiveCategory();
            break;
        case HostCommand::DeclareWinner:
            OnDeclareWinner();
            break;
        case HostCommand::DeclareLoser:
            OnDeclareLoser();
            break;
        case HostCommand::SaveTitles:
            OnSaveTitles();
            break;
        case HostCommand::Oops:
            OnOops();
            break;
        case HostCommand::HowToPlay:
            OnHowToPlay();
            break;
        case HostCommand::PlayMacro:
            OnPlayMacro(binding->macro);
            break;
        case HostCommand::SetupMacros:
            OnSetupMacros();
            break;
        case HostCommand::AskForPlayers:
            OnAskForPlayers();
            break;
        case HostCommand::GetPlayers:
            OnGetPlayers();
            break;
        case HostCommand::PlayerMaintenance:
            OnPlayerMaintenance();
            break;
        case HostCommand::Reconnect:
            OnReconnect();
            break;
        case HostCommand::RestorePlayers:
            OnRestorePlayers();
            break;
    }
}

// Never refused. While something runs, the windows vanish at once and the rest waits until it has stopped.
void HostWindow::OnClose() {
    if (shutDown_)
        return;
    if (running_ > 0) {
        closeRequested_ = true;
        linkmodule::CancelRequests();  // a request waiting on the world client ends now, not at its time-out
        maintenance_->Close();
        ShowWindow(hwnd_, SW_HIDE);
        return;
    }
    Shutdown();
}

void HostWindow::OnReadList() {
    Run(UsesBusyState(HostCommand::ReadList), [&] { return host_.ReadList(); });
}

void HostWindow::OnRegCountdown() {
    Run(UsesBusyState(HostCommand::RegCountdown), [&] { return host_.RegCountdown(); });
}

void HostWindow::OnPickPlayer() {
    Run(UsesBusyState(HostCommand::PickPlayer), [&] { return host_.PickPlayer(); });
}

void HostWindow::OnPickCategory() {
    Run(UsesBusyState(HostCommand::PickCategory), [&] { return host_.PickCategory(); });
}

void HostWindow::OnGiveCategory() {
    Run(UsesBusyState(HostCommand::GiveCategory), [&] { return host_.GiveCategory(); });
}

void HostWindow::OnDeclareWinner() {
    Run(UsesBusyState(HostCommand::DeclareWinner), [&] { return host_.DeclareWinner(); });
}

void HostWindow::OnDeclareLoser() {
    Run(UsesBusyState(HostCommand::DeclareLoser), [&] { return host_.DeclareLoser(); });
}

void HostWindow::OnHowToPlay() {
    Run(UsesBusyState(HostCommand::HowToPlay), [&] { return host_.HowToPlay(); });
}

void HostWindow::OnPlayMacro(int k) {
    Run(UsesBusyState(HostCommand::PlayMacro), [&] { return host_.PlayMacro(k); });
}

void HostWindow::OnAskForPlayers() {
    Run(UsesBusyState(HostCommand::AskForPlayers), [&] { return host_.AskForPlayers(); });
}

void HostWindow::OnGetPlayers() {
    Run(UsesBusyState(HostCommand::GetPlayers), [&] { return host_.GetPlayers(); });
}

// The settings read at start-up are used again; SCONTROL.TXT is not read.
void HostWindow::OnReconnect() {
    Run(UsesBusyState(HostCommand::Reconnect), [&] {
        linkOpen_ = false;
        linkmodule::CloseLink();
        StopIfClosing();
        linkOpen_ = true;
        linkmodule::OpenLink();
        return Outcome{};
    });
}

// "Setup": the boxes are filled with the titles the menu shows, so unsaved edits of an earlier "Setup" are dropped.
// They come from the titles themselves, not read back from the captions, which double every "&" and would come
// back cut from a fixed buffer.
void HostWindow::OnSetupMacros() {
    Run(UsesBusyState(HostCommand::SetupMacros), [&] {
        const MacroTitles& titles = host_.Titles();
        for (int i = 0; i < kMacroCount; ++i)
            SetDlgItemTextA(frame_, IDC_HOST_MACROTITLE0 + i, titles[static_cast<size_t>(i)].c_str());
        ShowMacroPanel(true);
        Outcome outcome;
        outcome.focusDummy = false;
        return outcome;
    });
}

// "Save": the titles as typed go to MACTITS.TXT and to the menu; a file that cannot be written is reported, and
// the menu shows the new titles all the same. The focus leaves the panel that is hidden.
void HostWindow::OnSaveTitles() {
    Run(UsesBusyState(HostCommand::SaveTitles), [&] {
        MacroTitles typed;
        for (int i = 0; i < kMacroCount; ++i)
            typed[static_cast<size_t>(i)] = win::ControlText(frame_, IDC_HOST_MACROTITLE0 + i);
        Outcome outcome = host_.SaveMacroTitles(typed);
        ShowMacroTitles();
        ShowMacroPanel(false);
        outcome.focusDummy = true;
        return outcome;
    });
}

void HostWindow::OnOops() {
    Run(UsesBusyState(HostCommand::Oops), [&] {
        ShowMacroPanel(false);
        return Outcome{};
    });
}

void HostWindow::OnPlayerMaintenance() {
    Run(UsesBusyState(HostCommand::PlayerMaintenance), [&] {
        maintenance_->ShowOrRaise();
        Outcome outcome;
        outcome.focusDummy = false;
        return outcome;
    });
}

// The question has an empty caption and no icon; the answer No reads nothing.
void HostWindow::OnRestorePlayers() {
    Run(UsesBusyState(HostCommand::RestorePlayers), [&] {
        if (MessageBoxA(hwnd_, kRestoreQuestion, "", MB_YESNO) == IDYES && !Closing())
            return host_.RestorePlayers();
        return Outcome{};
    });
}

// The support log gets one line per command: its caption, what it did in counts, and how long it took.
template <typename Command>
void HostWindow::Run(bool busy, Command&& command) {
    const std::uint64_t start = GetTickCount64();
    ++running_;
    if (running_ == 1)
        linkmodule::BeginCommand();
    // The operator may have typed a category since the last command.
    host_.SetSelectedCategory(win::ControlText(hwnd_, IDC_HOST_SELECTEDCATEGORY));
    if (busy)
        EnterBusy();
    Outcome outcome;
    try {
        outcome = command();
    } catch (const CommandAbandoned&) {
    } catch (const std::exception& e) {
        outcome.problems.push_back(std::string("The command stopped early: ") + e.what());
    } catch (...) {
        outcome.problems.push_back("The command stopped early.");
    }
    if (running_ == 1)
        AddLinkReport(outcome.problems);
    common::LogEvent("cmd", CommandLogLine(CommandCaption(commandId_), outcome, GetTickCount64() - start, Closing()));
    if (!Closing()) {
        if (busy)
            LeaveBusy();
        ShowProblems(outcome.problems);  // still counted as running: its message loop must not start another
        if (outcome.focusDummy && !Closing())
            FocusDummy();
        ++commandsDone_;
    }
    --running_;
    if (Closing() && running_ == 0)
        Shutdown();
}

// Enter, in this order: hourglass, window (with its controls and menus) disabled, background red.
void HostWindow::EnterBusy() {
    busy_ = true;
    SetCursor(LoadCursor(nullptr, IDC_WAIT));
    EnableWindow(hwnd_, FALSE);
    SetBackground(kBusyColour);
}

// Leave, in this order: background cyan, default pointer, window enabled.
void HostWindow::LeaveBusy() {
    SetBackground(kIdleColour);
    busy_ = false;
    SetCursor(LoadCursor(nullptr, IDC_ARROW));
    EnableWindow(hwnd_, TRUE);
}

void HostWindow::SetBackground(COLORREF colour) {
    background_ = colour;
    RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void HostWindow::FocusDummy() {
    if (HWND dummy = GetDlgItem(hwnd_, IDC_HOST_DUMMY))
        SetFocus(dummy);
}

// What did not get through because the world client stopped answering comes first; it says already that the
// chat text could not be fetched, when that is so.
void HostWindow::AddLinkReport(std::vector<std::string>& problems) {
    const std::string report = linkmodule::EndCommand();
    if (report.empty())
        return;
    if (report.find(linkmodule::kChatTextNotFetched) != std::string::npos)
        problems.erase(std::remove(problems.begin(), problems.end(), std::string(kNoChatText)), problems.end());
    problems.insert(problems.begin(), report);
}

void HostWindow::ShowProblems(const std::vector<std::string>& problems) {
    if (problems.empty())
        return;
    std::string text;
    for (const auto& p : problems)
        text += (text.empty() ? "" : "\r\n\r\n") + p;
    MessageBoxA(hwnd_, text.c_str(), kHostCaption, MB_OK | MB_ICONWARNING);
}

void HostWindow::ShowMacroTitles() {
    const HMENU menu = GetMenu(hwnd_);
    const MacroTitles& titles = host_.Titles();
    for (int i = 0; i < kMacroCount; ++i) {
        const int id = IDM_MACS_MACROS1 + i;
        ModifyMenuA(menu, static_cast<UINT>(id), MF_BYCOMMAND | MF_STRING, static_cast<UINT_PTR>(id),
                    MenuCaptionOfTitle(titles[static_cast<size_t>(i)]).c_str());
    }
}

void HostWindow::ShowMacroPanel(bool shown) {
    if (!frame_)
        return;
    if (shown) {
        SetWindowPos(frame_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
    } else {
        ShowWindow(frame_, SW_HIDE);
    }
}

bool HostWindow::Closing() const {
    return shutDown_ || closeRequested_ || linkmodule::QuitKept();
}

void HostWindow::StopIfClosing() const {
    if (Closing())
        throw CommandAbandoned{};
}

void HostWindow::Say(const std::string& text) {
    StopIfClosing();
    linkmodule::SayText(text);
    StopIfClosing();
}

void HostWindow::Esp(const std::string& target, const std::string& text) {
    StopIfClosing();
    linkmodule::EspTarget = target;
    linkmodule::EspText(text);
    StopIfClosing();
}

void HostWindow::Wait(int seconds) {
    StopIfClosing();
    const auto count = static_cast<std::int16_t>(std::clamp(seconds, 0, 32767));
    linkmodule::WaitSeconds(count);
    StopIfClosing();
}

void HostWindow::FetchChat() {
    StopIfClosing();
    linkmodule::FetchAllText();
    StopIfClosing();
}

void HostWindow::Yield() {
    linkmodule::YieldEvents();
    StopIfClosing();
}

std::uint64_t HostWindow::Milliseconds() {
    return GetTickCount64();
}

void HostWindow::ShowRound(const Round& round) {
    if (Closing())
        return;
    win::SetControlText(hwnd_, IDC_HOST_PLAYERNAME, round.PlayerName);
    if (win::ControlText(hwnd_, IDC_HOST_SELECTEDCATEGORY) != round.SelectedCategory)
        win::SetControlText(hwnd_, IDC_HOST_SELECTEDCATEGORY, round.SelectedCategory);
    win::ShowControl(hwnd_, IDC_HOST_COMMAND7, round.Command7);
    win::ShowControl(hwnd_, IDC_HOST_COMMAND6, round.Command6);
    win::ShowControl(hwnd_, IDC_HOST_COMMAND8, round.Command8);
}

}  // namespace host
