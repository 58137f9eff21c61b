// configurator_commands_win.cpp: ConfiguratorWindow's buttons, one handler each, each handing its test to one
// config:: call (configuration.cpp, where the tests and their judging live) through RunBusy; the busy state that
// marks the window during a test; closing the window during a test; and the keyboard focus, kept as a dialog keeps
// it. It touches the busy, closing and focus members, the link and the fields the tests fill, and the status line;
// the window's creation, painting and message dispatch are in configurator_window_win.cpp.
//
// Closing the window during a test ends the program within moments, not after the test: the window hides at
// once, the link refuses the test's next call (TestAbandoned), the test closes the link it opened on its way
// out, and only then is the window destroyed, which ends the message loop. Nothing more is spoken or saved. A
// quit request met inside one of the test's yields (linkmodule::QuitKept) ends the test the same way.
#include "configurator/configurator_window_win.h"

#include <exception>
#include <string>

#include "common/controls_win.h"
#include "common/support_log.h"
#include "configurator/configuration.h"
#include "configurator/configurator_layout.h"
#include "configurator/texts.h"
#include "linkmodule/link_module_win.h"

namespace config {
namespace {

bool IsButton(HWND control) {
    char cls[16] = {};
    return control && GetClassNameA(control, cls, sizeof cls) && lstrcmpiA(cls, "Button") == 0;
}

}  // namespace

// A second command may arrive while a test yields (a click posted to a button bypasses the disabled window);
// it is dropped, as a click on the disabled window would be.
void ConfiguratorWindow::OnCommand(int id) {
    if (busy_)
        return;
    const auto command = CommandOfControl(id);
    if (!command)
        return;
    commandId_ = id;
    switch (*command) {
        case ConfiguratorCommand::AutoConfiguration:
            OnCommand1();
            break;
        case ConfiguratorCommand::ManualDdeNoFocus:
            OnCommand2();
            break;
        case ConfiguratorCommand::ManualDdeFocusControl:
            OnCommand3();
            break;
        case ConfiguratorCommand::ManualDll:
            OnCommand4();
            break;
    }
}

void ConfiguratorWindow::OnCommand1() {
    RunBusy([this] { RunAutoConfiguration(*link_, fields_); });
}

void ConfiguratorWindow::OnCommand2() {
    RunBusy([this] { RunManualDdeTest(*link_, fields_, false); });
}

void ConfiguratorWindow::OnCommand3() {
    RunBusy([this] { RunManualDdeTest(*link_, fields_, true); });
}

void ConfiguratorWindow::OnCommand4() {
    RunBusy([this] { RunManualDllTest(*link_, fields_, win::ControlText(hwnd_, IDC_CONFIGURATOR_MANUAL_SECONDS)); });
}

// No exception leaves a test: one that stops it early (out of memory) is reported in the status line, and the
// window must not stay disabled. A test abandoned because the program is ending is not reported; the window
// goes, which ends the message loop.
// The support log gets the button, the status line it ended with (the program's own texts) and its duration.
template <typename Test>
void ConfiguratorWindow::RunBusy(Test test) {
    const ULONGLONG start = GetTickCount64();
    EnterBusy();
    linkmodule::BeginCommand();
    std::string problem;
    try {
        test();
    } catch (const TestAbandoned&) {
    } catch (const std::exception& e) {
        problem = std::string(kStatusStoppedEarly) + ": " + e.what();
    } catch (...) {
        problem = kStatusStoppedEarly;
    }
    std::string caption = "button " + std::to_string(commandId_);
    for (const common::ControlSpec& c : kConfiguratorControls) {
        if (c.id == commandId_)
            caption = c.caption;
    }
    if (Closing()) {
        common::LogEvent(
            "cmd", caption + ": abandoned, the program is ending; " + std::to_string(GetTickCount64() - start) + " ms");
        DestroyWindow(hwnd_);
        return;
    }
    if (!problem.empty())
        win::SetControlText(hwnd_, IDC_CONFIGURATOR_LSTATUS, problem);
    const std::string report = linkmodule::EndCommand();
    common::LogEvent("cmd", caption + ": \"" + win::ControlText(hwnd_, IDC_CONFIGURATOR_LSTATUS) + "\"; " +
                                std::to_string(GetTickCount64() - start) + " ms");
    LeaveBusy();
    // Once, after the busy state: what did not get through because the world client stopped answering.
    if (!report.empty() && !Closing())
        MessageBoxA(hwnd_, report.c_str(), kWindowCaption, MB_OK | MB_ICONWARNING);
}

// Idle, the window goes at once. During a test it only hides; RunBusy destroys it when the test has stopped.
void ConfiguratorWindow::OnClose() {
    if (!busy_) {
        DestroyWindow(hwnd_);
        return;
    }
    closeRequested_ = true;
    linkmodule::CancelRequests();  // a request waiting on the world client ends now, not at its time-out
    ShowWindow(hwnd_, SW_HIDE);
}

bool ConfiguratorWindow::Closing() const {
    return closeRequested_ || linkmodule::QuitKept();
}

void ConfiguratorWindow::EnterBusy() {
    RememberFocus();  // disabling the window takes the focus away
    busy_ = true;
    hourglass_ = true;
    SetCursor(LoadCursor(nullptr, IDC_WAIT));
    EnableWindow(hwnd_, FALSE);
    SetBackground(busyBrush_);
}

// In this order: pointer, enabled, colour.
void ConfiguratorWindow::LeaveBusy() {
    hourglass_ = false;
    SetCursor(LoadCursor(nullptr, IDC_ARROW));
    EnableWindow(hwnd_, TRUE);
    SetBackground(idleBrush_);
    busy_ = false;
    if (GetActiveWindow() == hwnd_)
        RestoreFocus();
}

void ConfiguratorWindow::RememberFocus() {
    if (const HWND focus = win::FocusWithin(hwnd_))
        lastFocus_ = focus;
}

void ConfiguratorWindow::RestoreFocus() {
    if (lastFocus_ && IsWindow(lastFocus_) && IsChild(hwnd_, lastFocus_))
        SetFocus(lastFocus_);
    else
        SetFocus(GetDlgItem(hwnd_, IDC_CONFIGURATOR_COMMAND1));
}

// As a dialog does: the control that had the keyboard gets it back when the window is active again, instead of
// the window itself, where Tab, Enter and space would be lost.
void ConfiguratorWindow::OnActivate(bool active) {
    if (!active) {
        RememberFocus();
        return;
    }
    if (!busy_)
        RestoreFocus();
}

// Enter presses the button that has the keyboard, as in a dialog: the dialog keys ask for the default button.
LRESULT ConfiguratorWindow::DefaultButton() const {
    const HWND focus = win::FocusWithin(hwnd_);
    if (!IsButton(focus))
        return 0;
    return MAKELRESULT(GetDlgCtrlID(focus), DC_HASDEFID);
}

}  // namespace config
