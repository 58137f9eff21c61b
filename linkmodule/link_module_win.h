// link_module_win.h: the world link module as the game host and the configurator call it.
//
// At start-up, before its first window:
//     linkmodule::StartLinkModule({"Tumbleroo"});                                          // the host
//     linkmodule::StartLinkModule({"Ostrivar", linkmodule::LibraryCloseWait::None});       // the configurator
// then, for example:
//     linkmodule::ReadLinkSettings();  linkmodule::OpenLink();
//     linkmodule::EspTarget = name;    linkmodule::EspText("You are on the List.");
//     linkmodule::FetchAllText();      read linkmodule::CapturePath() (no file: no chat text came)
//     return linkmodule::RunMessageLoop();
// Everything runs on the UI thread; the operations yield, so the program's handlers and the link callbacks may
// run inside them. No operation throws or returns an error.
#pragma once

#include <windows.h>

#include <oleauto.h>

#include <cstdint>
#include <string>

#include "linkmodule/message_loop_win.h"

namespace linkmodule {

// Library method only: whether CloseLink waits one clock second after KillDDE (the host) or not (the
// configurator).
enum class LibraryCloseWait { OneSecond, None };

struct LinkModuleOptions {
    std::string applicationTitle;
    LibraryCloseWait libraryCloseWait = LibraryCloseWait::OneSecond;
    std::string libraryName = "zmvorq";  // loaded by name on the first library call of the run
};

void StartLinkModule(const LinkModuleOptions& options);
const std::string& ApplicationTitle();

// The module variables.
extern std::string& ClientWindowTitle;
extern bool& FocusControl;
extern bool& UseLibraryMethod;
extern std::int16_t& SendDelaySeconds;
extern std::string& EspTarget;
extern std::string& AllText;

void ReadLinkSettings();
void WaitSeconds(const std::int16_t& count);
void PinOnTop(HWND window);

void OpenLink();
void CloseLink();
void SayText(const std::string& text);
void EspText(const std::string& text);
void FetchAllText();
// Around each command of the program (one click, while its window is busy): EndCommand gives the operator's
// message about what did not get through because the world client stopped answering, or empty. Show it once,
// after the busy state.
// EndCommand's message also says when the world client's window is open but runs with other rights than this
// program (as administrator and not), which keeps every request from it.
void BeginCommand();
std::string EndCommand();
// The same notice about other rights outside a command (at start-up, after OpenLink): when a request since the last
// BeginCommand, or since the last call of this, did not reach the world client; empty otherwise.
std::string WorldRightsMessage();
// The program is closing (its window was closed during a command): the command's remaining requests, and the wait
// of the console link's request in flight, end at once. CloseLink still unregisters. (A WM_QUIT met by a yield
// does not cancel anything: it is kept, and the program ends its command at its own next step.)
void CancelRequests();
bool RequestsCancelled();
// Where the last capture was written: "C:\ZOBRA.TXT", or the same name in the user's temporary folder when the
// root of C: could not be used. The file is missing there when the last fetch brought no text.
std::string CapturePath();

void DdeLinkRegister();
void DdeLinkUnregister();
void DdeLinkCommunicate();
void DdeLinkGetAllText();

// The callbacks given to InitDDE; each takes ownership of the strings and returns 0.
LONG WINAPI OnLinkAck(BSTR code);
LONG WINAPI OnLinkReceive(BSTR sender, LONG length, BSTR data);
LONG WINAPI OnLinkAllText(BSTR text);

// The console window ZM_DDE while it exists, else nullptr.
HWND ConsoleWindowHandle();
// Whether the link library has been loaded in this run.
bool LinkLibraryWasLoaded();

}  // namespace linkmodule
