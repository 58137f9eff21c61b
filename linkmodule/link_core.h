// link_core.h: the link module's operations (open, close, speak, ESP, fetch the chat, console requests,
// acknowledgements, clock waits) as rules over LinkPort, the small platform interface that the Win32 shell
// implements and the tests fake.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "linkmodule/link_settings.h"
#include "linkmodule/link_texts.h"

namespace linkmodule {

// The module variables, one set per program.
struct LinkVariables {
    std::string ClientWindowTitle;
    bool FocusControl = false;
    bool UseLibraryMethod = false;
    std::int16_t SendDelaySeconds = 0;
    std::string EspTarget;
    std::string AllText;
};

enum class ConsoleField { CommMode, AvatarName, CommText, Text1 };
enum class MessageIcon { None, Information };

inline constexpr char kCapturePath[] = "C:\\ZOBRA.TXT";
inline constexpr char kCaptureFileName[] = "ZOBRA.TXT";

class LinkPort {
  public:
    virtual ~LinkPort() = default;

    // Handle every message already waiting, once, and return.
    virtual void YieldEvents() = 0;
    // Local time of day as "hh:mm:ss".
    virtual std::string ClockText() = 0;
    // Sleep until a message arrives or the next second of the clock begins, whichever is first.
    virtual void WaitForEventOrNextSecond() = 0;

    // The link library, bound on the first of these calls. The callbacks given to InitDDE are the module's.
    virtual void LibraryInitDDE(const std::string& title) = 0;
    virtual void LibraryKillDDE() = 0;
    virtual void LibraryRegister(const std::string& title) = 0;
    virtual void LibraryUnregister(const std::string& title) = 0;
    virtual void LibraryCommunicate(const std::string& title,
                                    int mode,
                                    const std::string& target,
                                    const std::string& text) = 0;
    virtual void LibraryGetAllText(const std::string& title) = 0;

    // The console window: every call but CloseConsole creates it, hidden, when it does not exist.
    virtual void OpenConsole() = 0;
    // Which console exists now: 0 when none, else a number that no other console of the run has had.
    virtual int ConsoleInstance() = 0;
    virtual void CloseConsole() = 0;
    virtual std::string ConsoleText(ConsoleField field) = 0;
    virtual void SetConsoleText(ConsoleField field, const std::string& text) = 0;
    virtual void SetErrorCheck(bool checked) = 0;
    // The console window's link conversation (link mode 0 / 2, poke, request). False / nullopt: a link failure.
    virtual void CloseConversation() = 0;
    virtual bool OpenConversation(const std::string& service, const std::string& topic) = 0;
    virtual bool Poke(const std::string& item, const std::string& text) = 0;
    virtual std::optional<std::string> Request(const std::string& item) = 0;
    // Brings the window with this title to the front; false when no window has it.
    virtual bool ActivateWindow(const std::string& title) = 0;

    // A modal message box with the OK button. Called from the library's callbacks: the shell may show it right
    // after the callback has returned instead of inside it.
    virtual void ShowMessage(const std::string& text, const std::string& caption, MessageIcon icon) = 0;

    // Files of the chat capture.
    virtual bool FileExists(const std::string& path) = 0;
    virtual bool RemoveFile(const std::string& path) = 0;
    virtual bool WriteWholeFile(const std::string& path, const std::string& content) = 0;
    // Where the capture goes when kCapturePath cannot be used; empty when there is no such place.
    virtual std::string FallbackCapturePath() = 0;
};

class LinkCore {
  public:
    explicit LinkCore(LinkPort& port) : port_(port) {}

    LinkVariables vars;

    void SetApplicationTitle(std::string title) { appTitle_ = std::move(title); }
    const std::string& ApplicationTitle() const { return appTitle_; }
    // The configurator's CloseLink returns right after KillDDE; the host's waits one more second.
    void SetWaitAfterKillDDE(bool wait) { waitAfterKillDDE_ = wait; }

    void ApplyLinkSettings(const LinkSettings& settings);
    void WaitSeconds(std::int16_t count);
    void YieldTimes(int times);

    void OpenLink();
    void CloseLink();
    void SayText(const std::string& text);
    void EspText(const std::string& text);
    void FetchAllText();
    void RunConsoleRequest(ConsoleRequest request);

    void OnLinkAck(const std::string& code);
    void OnLinkReceive(const std::string& sender, const std::string& data);
    void OnLinkAllText(const std::string& text);

    // Where the last capture was written, or where the next one is looked for.
    const std::string& CapturePath() const { return capturePath_; }

  private:
    enum class Attempt { Done, LinkFailure, OtherFailure };
    Attempt ConsoleAttempt(ConsoleRequest request);
    void Communicate(int mode, const std::string& target, const std::string& text);
    void ClearCapture();
    void WriteCapture(const std::string& text);

    LinkPort& port_;
    std::string appTitle_;
    bool waitAfterKillDDE_ = true;
    std::string capturePath_ = kCapturePath;
};

// "hh:mm:ss" for a time of day.
std::string FormatClockText(int hours, int minutes, int seconds);

}  // namespace linkmodule
