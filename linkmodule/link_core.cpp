// link_core.cpp: how the link module talks to the world client, by the library or by the console link.
//
// Every delay here is a count of yields or of changes of the clock's seconds: the programs have one thread and
// no timers, so acknowledgements, clicks and DDE traffic are handled inside these yields, re-entrantly. Nothing
// here keeps a reference into the console window across a yield; the port looks it up (or re-creates it) on
// every call.
#include "linkmodule/link_core.h"

#include <algorithm>
#include <cstdio>

namespace linkmodule {
namespace {

constexpr int kYieldsBeforeRequest = 12;
constexpr int kYieldsAfterRequest = 24;
constexpr int kYieldsAfterLinkFailure = 12;
constexpr int kConsoleAttempts = 5;
constexpr int kFetchAttempts = 5;
constexpr int kModeSpeak = 0;
constexpr int kModeEsp = 2;

}  // namespace

std::string FormatClockText(int hours, int minutes, int seconds) {
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", hours, minutes, seconds);
    return text;
}

void LinkCore::ApplyLinkSettings(const LinkSettings& settings) {
    vars.ClientWindowTitle = settings.clientWindowTitle;
    vars.FocusControl = settings.focusControl;
    vars.UseLibraryMethod = settings.useLibraryMethod;
    vars.SendDelaySeconds = settings.sendDelaySeconds;
}

void LinkCore::YieldTimes(int times) {
    for (int i = 0; i < times; ++i)
        port_.YieldEvents();
}

// Returns after the clock's hh:mm:ss text has changed max(count, 1) times. Between comparisons it sleeps until
// a message arrives or the next second begins instead of yielding in a loop: the same moments of return, with
// the processor left alone meanwhile. A handler that runs longer than a second inside the yield still counts
// as one change, as the text comparison sees only one.
void LinkCore::WaitSeconds(std::int16_t count) {
    const int changes = std::max<int>(count, 1);
    for (int done = 0; done < changes; ++done) {
        const std::string start = port_.ClockText();
        for (;;) {
            port_.YieldEvents();
            if (port_.ClockText() != start)
                break;
            port_.WaitForEventOrNextSecond();
        }
    }
}

// Library method: start the library's DDE instance under the application title, then register. Console
// method: the hidden console window carries a register poke, then one clock second passes.
void LinkCore::OpenLink() {
    if (vars.UseLibraryMethod) {
        port_.LibraryInitDDE(appTitle_);
        port_.LibraryRegister(appTitle_);
    } else {
        port_.OpenConsole();
        RunConsoleRequest(ConsoleRequest::Register);
        WaitSeconds(1);
    }
}

void LinkCore::CloseLink() {
    if (vars.UseLibraryMethod) {
        port_.LibraryUnregister(appTitle_);
        port_.LibraryKillDDE();
        if (waitAfterKillDDE_)
            WaitSeconds(1);
    } else {
        RunConsoleRequest(ConsoleRequest::Unregister);
        WaitSeconds(1);
        port_.CloseConsole();
        WaitSeconds(1);
    }
}

void LinkCore::Communicate(int mode, const std::string& target, const std::string& text) {
    YieldTimes(kYieldsBeforeRequest);
    if (vars.UseLibraryMethod) {
        port_.LibraryCommunicate(appTitle_, mode, target, text);
        YieldTimes(kYieldsAfterRequest);
        if (vars.SendDelaySeconds > 0)
            WaitSeconds(vars.SendDelaySeconds);
    } else {
        // No yield between filling the fields and the request: an interleaved request cannot overwrite them.
        port_.SetConsoleText(ConsoleField::CommMode, std::to_string(mode));
        port_.SetConsoleText(ConsoleField::AvatarName, target);
        port_.SetConsoleText(ConsoleField::CommText, text);
        RunConsoleRequest(ConsoleRequest::Communicate);
    }
}

void LinkCore::SayText(const std::string& text) {
    if (text.empty())
        return;
    Communicate(kModeSpeak, std::string(), text);
}

// A target holding the record separator is dropped like a missing one, by either method.
void LinkCore::EspText(const std::string& text) {
    if (text.empty() || vars.EspTarget.empty() || HoldsFieldSeparator(vars.EspTarget))
        return;
    // A copy: a handler running inside the yields may set EspTarget for its own ESP.
    const std::string target = vars.EspTarget;
    Communicate(kModeEsp, target, text);
}

// One console request: up to five attempts. A failure of the link itself (no conversation, a refused or
// timed-out poke or request) is followed by 12 yields and another attempt; after the fifth, ErrorCheck is
// checked. Any other failure (focus control finds no window with the title) ends the request at once.
// A console closed while the request runs (CloseLink reached from a handler inside one of its calls or yields)
// ends the request unsent: its fields went with that console, and a new one would carry an empty record.
void LinkCore::RunConsoleRequest(ConsoleRequest request) {
    port_.SetErrorCheck(false);
    const int console = port_.ConsoleInstance();
    for (int attempts = 1;; ++attempts) {
        const Attempt outcome = ConsoleAttempt(request);
        if (outcome != Attempt::LinkFailure)
            return;
        YieldTimes(kYieldsAfterLinkFailure);
        if (port_.ConsoleInstance() != console)
            return;
        if (attempts >= kConsoleAttempts) {
            port_.SetErrorCheck(true);
            return;
        }
    }
}

LinkCore::Attempt LinkCore::ConsoleAttempt(ConsoleRequest request) {
    // The fields are read afresh on every attempt: a click or an interleaved request may have changed them.
    ConsoleLinkSpec link;
    if (request == ConsoleRequest::Communicate) {
        const std::string mode = port_.ConsoleText(ConsoleField::CommMode);
        const std::string avatar = port_.ConsoleText(ConsoleField::AvatarName);
        // A separator inside a field before the text would shift the fields: the request is dropped unsent.
        if (HoldsFieldSeparator(appTitle_) || HoldsFieldSeparator(mode) || HoldsFieldSeparator(avatar))
            return Attempt::OtherFailure;
        link = ConsoleLinkFor(request, appTitle_, mode, avatar, port_.ConsoleText(ConsoleField::CommText));
    } else {
        link = ConsoleLinkFor(request, appTitle_, {}, {}, {});
    }
    port_.CloseConversation();
    const ServiceTopic target = SplitLinkTopic(link.linkTopic);
    port_.SetConsoleText(ConsoleField::Text1, link.text);
    if (!port_.OpenConversation(target.service, target.topic))
        return Attempt::LinkFailure;
    if (vars.FocusControl && !port_.ActivateWindow(vars.ClientWindowTitle))
        return Attempt::OtherFailure;
    if (link.poke) {
        // The record built above, not Text1 as it is now: a request started inside one of this one's calls may
        // have put its own record there.
        if (!port_.Poke(link.linkItem, link.text))
            return Attempt::LinkFailure;
    } else {
        const std::optional<std::string> reply = port_.Request(link.linkItem);
        if (!reply)
            return Attempt::LinkFailure;
        port_.SetConsoleText(ConsoleField::Text1, *reply);
    }
    if (vars.FocusControl && !port_.ActivateWindow(appTitle_))
        return Attempt::OtherFailure;
    return Attempt::Done;
}

// Up to five attempts, each: 12 yields, the old capture deleted, one fetch; the first text that comes is
// written with one CR LF added. No text after five attempts: no file.
void LinkCore::FetchAllText() {
    for (int attempts = 0; attempts < kFetchAttempts; ++attempts) {
        YieldTimes(kYieldsBeforeRequest);
        ClearCapture();
        std::string text;
        if (vars.UseLibraryMethod) {
            vars.AllText.clear();
            port_.LibraryGetAllText(appTitle_);
            YieldTimes(kYieldsAfterRequest);
            text = vars.AllText;
        } else {
            RunConsoleRequest(ConsoleRequest::GetAllText);
            text = port_.ConsoleText(ConsoleField::Text1);
        }
        if (!text.empty()) {
            WriteCapture(text);
            return;
        }
    }
}

// The capture lives at C:\ZOBRA.TXT. Where a standard user may not delete or create files at the root of C:,
// it goes to the user's temporary folder instead, and CapturePath() says which one holds it. Both places are
// cleared on every attempt so that a reader never finds an old capture at either; a capture at C:\ that cannot
// be deleted sends the next one to the temporary folder, where the reader then looks.
void LinkCore::ClearCapture() {
    capturePath_ = kCapturePath;
    if (port_.FileExists(kCapturePath) && !port_.RemoveFile(kCapturePath))
        capturePath_ = port_.FallbackCapturePath();
    const std::string fallback = port_.FallbackCapturePath();
    if (!fallback.empty() && port_.FileExists(fallback))
        port_.RemoveFile(fallback);
}

void LinkCore::WriteCapture(const std::string& text) {
    const std::string content = text + "\r\n";
    if (capturePath_ == kCapturePath && port_.WriteWholeFile(kCapturePath, content))
        return;
    capturePath_ = port_.FallbackCapturePath();
    if (!capturePath_.empty())
        port_.WriteWholeFile(capturePath_, content);
}

void LinkCore::OnLinkAck(const std::string& code) {
    if (const std::optional<std::string_view> message = AckMessage(code))
        port_.ShowMessage(std::string(*message), kAckCaption, MessageIcon::Information);
}

void LinkCore::OnLinkReceive(const std::string& sender, const std::string& data) {
    port_.ShowMessage(ReceivedDataMessage(sender, data), appTitle_, MessageIcon::None);
}

void LinkCore::OnLinkAllText(const std::string& text) {
    vars.AllText = text;
}

}  // namespace linkmodule
