// controls_win.h: turns a window's control table (common/layout.h) into real windows.
#pragma once

#include <windows.h>

#include <span>
#include <string>
#include <string_view>

#include "common/layout.h"

namespace win {

struct Dpi {
    int x = 96, y = 96;
};
// The screen's logical resolution.
Dpi ScreenDpi();

// The program's face: MS Sans Serif, bold or not, at a size in hundredths of a point. The caller deletes it.
HFONT CreateUiFont(int hundredthsOfPoint, bool bold, const Dpi& dpi);

// Creates every control of the table as a child of `window` (or of the frame named by its `parent`), with the
// control's id, caption, place, visibility and font. Controls are created in table order, which is the tab order.
void CreateControls(HWND window, std::span<const common::ControlSpec> table, HFONT font, const Dpi& dpi);

// The outer size of a window whose client area is widthTwips x heightTwips, for its style, menu and exStyle.
SIZE WindowSizeForClient(int widthTwips, int heightTwips, DWORD style, bool hasMenu, DWORD exStyle, const Dpi& dpi);

// Registers the class of one of the program's top-level windows: the program's icon (resource 1 of its .rc), the
// arrow pointer, no background brush (the window erases its own). 0 when it cannot be registered.
ATOM RegisterProgramWindowClass(const char* className, WNDPROC windowProc);

// Moves the window so that it stands centred on the screen (its size unchanged).
void CentreOnScreen(HWND window);

// A second window of the program opened again: the one open (restored if minimised) is brought to the front; with
// none open, `create` makes it, and it is shown. Returns the window, nullptr when it could not be made.
HWND ShowOrRaiseWindow(HWND open, HWND (*create)(void* owner), void* owner);

// Text of a control as 8-bit (ANSI) text, and back.
std::string ControlText(HWND window, int id);
void SetControlText(HWND window, int id, const std::string& text);
void ShowControl(HWND window, int id, bool visible);

// Whether `control` is a push button (BS_PUSHBUTTON or BS_DEFPUSHBUTTON): the kind of control a dialog's Enter
// presses; false for a null handle.
bool IsPushButton(HWND control);

// WM_ERASEBKGND's work for a window of one colour: its client area filled through the DC in `wParam` with `brush`.
// Returns 1, the answer that says the background is erased.
LRESULT EraseClient(HWND window, WPARAM wParam, HBRUSH brush);

// The control of `window` that has the keyboard, or null: what a window remembers when it is deactivated.
HWND FocusWithin(HWND window);

// The answer to DM_GETDEFID as a dialog gives it: Enter presses the push button of `window` that has the keyboard,
// and nothing on any other control or on the control `notDefault`.
LRESULT FocusedPushButtonAsDefault(HWND window, int notDefault = 0);

// A multi-line edit box asks for every key, Tab included, so that Tab would never leave it: after this call Tab
// moves on to the next control from `edit` as from a one-line box (Enter stays the box's own).
void LetTabLeave(HWND edit);

// The order of a sorted list box in the user's language, ignoring case: "Ann" < "\xC5nn" < "bob" < "\xC9mile".
// The 8-bit names are taken in the system's ANSI code page, as an ANSI list box takes the strings it is given.
bool LessAsSortedListBox(std::string_view a, std::string_view b);

}  // namespace win
