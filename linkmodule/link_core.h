// link_core.h: the link module's operations (open, close, speak, ESP, fetch the chat, console requests,
// acknowledgements, clock waits) as rules over LinkPort, the small platform interface that the Win32 shell
// implements and the tests fake.
#pragma once

#include <cstdint>
#include <functional>
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

// What became of one request to the world client, by either method.
enum class LinkOutcome {
    Answered,   // it took the poke or sent the reply
    Refused,    // it answered no, or the request was not sent for another reason (focus control)
    NoServer,   // no world client took the conversation
    NoAnswer,   // it did not answer within the time-out (busy, hung, or its reply could not be delivered)
    Cancelled,  // the program is closing
    Skipped,    // not tried: the world client had stopped answering for longer than kStallGraceMs
};
const char* LinkOutcomeName(LinkOutcome outcome);

// Each wait for the world client: the library's own (fixed), the console link's (ours).
inline constexpr int kLibraryTimeoutMs = 2000;
inline constexpr int kConsoleTimeoutMs = 4000;
// Once the world client has stopped answering, a command keeps trying for this long (waits included) and then
// skips the rest of its requests, so that the operator hears of it within seconds instead of minutes.
inline constexpr int kStallGraceMs = 7000;
// How the message about a world client that stopped answering begins.
inline constexpr char kStalledMessageStart[] = "The world client stopped answering";
// The part of that message that says a fetch of the chat text got nothing.
inline constexpr char kChatTextNotFetched[] = "the chat text could not be fetched";

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

    // Milliseconds of a steady clock.
    virtual std::uint64_t Milliseconds() = 0;

    // The link library, bound on the first of these calls. The callbacks given to InitDDE are the module's.
    // Requests say what became of them (the library's last-error code after the call).
    virtual void LibraryInitDDE(const std::string& title) = 0;
    virtual void LibraryKillDDE() = 0;
    virtual LinkOutcome LibraryRegister(const std::string& title) = 0;
    virtual LinkOutcome LibraryUnregister(const std::string& title) = 0;
    virtual LinkOutcome LibraryCommunicate(const std::string& title,
                                           int mode,
                                           const std::string& target,
                                           const std::string& text) = 0;
    virtual LinkOutcome LibraryGetAllText(const std::string& title) = 0;

    // The console window: every call but CloseConsole creates it, hidden, when it does not exist.
    virtual void OpenConsole() = 0;
    // Which console exists now: 0 when none, else a number that no other console of the run has had.
    virtual int ConsoleInstance() = 0;
    virtual void CloseConsole() = 0;
    virtual std::string ConsoleText(ConsoleField field) = 0;
    virtual void SetConsoleText(ConsoleField field, const std::string& text) = 0;
    virtual void SetErrorCheck(bool checked) = 0;
    // The console window's link conversation (link mode 0 / 2, poke, request), each wait at most timeoutMs.
    // Anything but Answered is a link failure.
    virtual void CloseConversation() = 0;
    virtual LinkOutcome OpenConversation(const std::string& service, const std::string& topic, int timeoutMs) = 0;
    virtual LinkOutcome Poke(const std::string& item, const std::string& text, int timeoutMs) = 0;
    virtual LinkOutcome Request(const std::string& item, int timeoutMs, std::string* reply) = 0;
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
    LinkOutcome RunConsoleRequest(ConsoleRequest request);

    // A command of the program (one click) begins and ends. EndCommand gives the operator's message about what
    // did not get through because the world client stopped answering, or empty; once per command.
    void BeginCommand();
    std::string EndCommand();
    // The program is closing: the running command's remaining requests and waits on the world client end at
    // once, unsent. CloseLink still unregisters, unless the world client had stopped answering.
    void CancelRequests() { cancelled_ = true; }
    bool Cancelled() const { return !closing_ && cancelled_; }

    void OnLinkAck(const std::string& code);
    void OnLinkReceive(const std::string& sender, const std::string& data);
    void OnLinkAllText(const std::string& text);

    // Where the last capture was written, or where the next one is looked for.
    const std::string& CapturePath() const { return capturePath_; }

  private:
    enum class Attempt { Done, LinkFailure, OtherFailure };
    struct AttemptResult {
        Attempt attempt;
        LinkOutcome outcome;
    };
    AttemptResult ConsoleAttempt(ConsoleRequest request);
    void Communicate(int mode, const std::string& target, const std::string& text);
    void ClearCapture();
    void WriteCapture(const std::string& text);
    using LibraryCall = std::function<LinkOutcome()>;
    LinkOutcome LibraryRequest(const char* what, size_t bytes, const LibraryCall& call);
    LinkOutcome LibraryAttempt(const char* what, size_t bytes, const LibraryCall& call, bool* reached);
    LinkOutcome Register();
    void RegisterIfOwed(LinkOutcome outcome);
    void Note(LinkOutcome outcome, std::uint64_t startedMs);
    void ShowAck(const std::string& code);
    bool StallSpent();
    int ConsoleWaitMs();
    static bool Lost(LinkOutcome outcome) { return outcome == LinkOutcome::NoAnswer || outcome == LinkOutcome::Skipped; }

    LinkPort& port_;
    std::string appTitle_;
    bool waitAfterKillDDE_ = true;
    std::string capturePath_ = kCapturePath;

    // The world client stopped answering: since when (the start of the first unanswered request).
    bool stalled_ = false;
    std::uint64_t stalledSinceMs_ = 0;
    // What did not get through in the current command because of it.
    int linesSkipped_ = 0;     // not tried
    int linesUnanswered_ = 0;  // tried, no answer: the world client may still have taken them
    int fetchesLost_ = 0;
    int othersLost_ = 0;
    // "-1" acknowledgements that arrive inside a library request are held until the request says whether the
    // world client was absent (shown, as always) or stopped answering (folded into the command's message).
    int libraryDepth_ = 0;
    int heldUnreachable_ = 0;
    bool cancelled_ = false;
    bool closing_ = false;  // inside CloseLink, which is never cancelled
    // OpenLink's registration never reached the world client (it did not answer in time): made after the next
    // request it answers.
    bool registrationOwed_ = false;
};

// "hh:mm:ss" for a time of day.
std::string FormatClockText(int hours, int minutes, int seconds);

}  // namespace linkmodule
