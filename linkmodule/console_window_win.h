// console_window_win.h: the link console window ZM_DDE, carrier of the console method's DDE link.
//
// The link module owns the console: it binds it once at start-up (LinkConsole::Bind) to what the console needs
// from the link, and calls it through LinkCore's world. The console knows nothing else of the link module.
#pragma once

#include <windows.h>

#include <array>
#include <memory>
#include <optional>
#include <string>

#include "common/dde_client_win.h"

#include "linkmodule/link_core.h"

namespace linkmodule {

// What the console is given by the link that owns it: the request each of its buttons runs, and how the waits of
// its conversation handle the program's messages (`pump`) and learn that the program is closing (`abandon`).
struct ConsoleBinding {
    void (*runRequest)(ConsoleRequest request) = nullptr;
    win::DdeWaitHooks waitHooks;
};

class LinkConsole {
  public:
    // Before the first console is made; a console made without it has buttons that do nothing.
    static void Bind(const ConsoleBinding& binding);
    // The console when it exists, else nullptr.
    static LinkConsole* Current();
    // The console, created hidden when it does not exist.
    static LinkConsole& Ensure();
    // Closes the window and ends its link conversation; nothing when there is no console.
    static void CloseCurrent();

    HWND hwnd() const { return hwnd_; }
    // 1 for the first console of the run, 2 for the next one made after it was closed, and so on.
    int instance() const { return instance_; }

    const std::string& Text(ConsoleField field) const { return fields_[Index(field)]; }
    void SetText(ConsoleField field, const std::string& text);
    void SetErrorCheck(bool checked);

    // The link of Text1: mode 0 closes the conversation, mode 2 opens one; poke and request use it.
    void CloseConversation();
    LinkOutcome OpenConversation(const std::string& service, const std::string& topic, int timeoutMs);
    LinkOutcome Poke(const std::string& item, const std::string& text, int timeoutMs);
    LinkOutcome Request(const std::string& item, int timeoutMs, std::string* reply);

    LinkConsole(const LinkConsole&) = delete;
    LinkConsole& operator=(const LinkConsole&) = delete;

  private:
    LinkConsole();
    ~LinkConsole();

    static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    void OnCommand(int id, int code);
    void OnFieldEdited(ConsoleField field, int id);
    void OnRegisterClicked();
    void OnCommunicateClicked();
    void OnGetAllTextClicked();
    void OnUnregisterClicked();
    void OnClose();
    void OnEnter();
    void OnActivate(bool active);
    void ShowField(ConsoleField field);
    template <typename Call>
    auto DdeCall(Call call);
    class CallScope;
    void Retire();
    void HangUpIfLetGo(const std::shared_ptr<win::DdeClientConversation>& conversation);
    static size_t Index(ConsoleField field) { return static_cast<size_t>(field); }

    HWND hwnd_ = nullptr;
    HWND lastFocus_ = nullptr;
    int instance_ = 0;
    HFONT font_ = nullptr;
    // The fields' texts as bytes: the source of truth, shown in the edit boxes and updated when the user types.
    std::array<std::string, 4> fields_;
    bool showingText_ = false;
    // The open conversation of the link, or none. Shared: a call waiting on it holds it, and a request started
    // meanwhile that closes the link lets it go without hanging up under the wait.
    std::shared_ptr<win::DdeClientConversation> conversation_;
    int ddeCallDepth_ = 0;
    int publicCallDepth_ = 0;
    bool closePending_ = false;
    bool retired_ = false;  // closed while a call was running; deleted when the outermost call returns
};

}  // namespace linkmodule
