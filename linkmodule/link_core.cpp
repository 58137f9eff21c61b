// link_core.cpp: how the link module talks to the world client, by the library or by the console link.
//
// Every delay here is a count of yields or of changes of the clock's seconds: the programs have one thread and
// no timers, so acknowledgements, clicks and DDE traffic are handled inside these yields, re-entrantly. Nothing
// here keeps a reference into the console window across a yield; the port looks it up (or re-creates it) on
// every call.
#include "linkmodule/link_core.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "common/support_log.h"

namespace linkmodule {
namespace {

constexpr int kYieldsBeforeRequest = 12;
constexpr int kYieldsAfterRequest = 24;
constexpr int kYieldsAfterLinkFailure = 12;
constexpr int kConsoleAttempts = 5;
constexpr int kModeSpeak = 0;
constexpr int kModeEsp = 2;

}  // namespace

const char* LinkOutcomeName(LinkOutcome outcome) {
    switch (outcome) {
        case LinkOutcome::Answered:
            return "answered";
        case LinkOutcome::Refused:
            return "refused";
        case LinkOutcome::NoServer:
            return "no world client";
        case LinkOutcome::NoAnswer:
            return "no answer";
        case LinkOutcome::Cancelled:
            return "cancelled";
        case LinkOutcome::Skipped:
            return "skipped, the world client stopped answering";
    }
    return "?";
}

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
    common::LogEvent("link", std::string("open by the ") + (vars.UseLibraryMethod ? "library" : "console") +
                                 " method as " + appTitle_);
    registrationOwed_ = false;
    LinkOutcome registered;
    if (vars.UseLibraryMethod) {
        port_.LibraryInitDDE(appTitle_);
        registered = Register();
        if (Lost(registered))
            ++othersLost_;
    } else {
        port_.OpenConsole();
        registered = Register();
    }
    // Never reached the world client, which was there but did not answer (busy at first contact): made as soon
    // as it answers a request.
    registrationOwed_ = registered == LinkOutcome::Skipped;
    if (!vars.UseLibraryMethod)
        WaitSeconds(1);
}

LinkOutcome LinkCore::Register() {
    if (vars.UseLibraryMethod)
        return LibraryRequest("Zelmarink_Register", appTitle_.size() + 1, [&] { return port_.LibraryRegister(appTitle_); });
    return RunConsoleRequest(ConsoleRequest::Register);
}

// After a request the world client answered: the registration it owes is made now, once.
void LinkCore::RegisterIfOwed(LinkOutcome outcome) {
    if (!registrationOwed_ || outcome != LinkOutcome::Answered)
        return;
    registrationOwed_ = false;  // also for the requests started inside this one
    common::LogEvent("link", "the world client answers again: the registration it missed is made now");
    registrationOwed_ = Register() == LinkOutcome::Skipped;
}

// A world client that did not answer the last request is not asked to unregister: the program would wait out
// another time-out on its way out.
void LinkCore::CloseLink() {
    common::LogEvent("link", std::string("close by the ") + (vars.UseLibraryMethod ? "library" : "console") +
                                 " method" + (stalled_ ? ", without unregistering: the world client stopped answering" : ""));
    closing_ = true;
    // Nor when the registration was never made.
    const bool unregister = !stalled_ && !registrationOwed_;
    registrationOwed_ = false;
    if (vars.UseLibraryMethod) {
        if (unregister)
            LibraryRequest("Zelmarink_Unregister", appTitle_.size() + 1, [&] { return port_.LibraryUnregister(appTitle_); });
        port_.LibraryKillDDE();
        closing_ = false;
        if (waitAfterKillDDE_)
            WaitSeconds(1);
    } else {
        if (unregister)
            RunConsoleRequest(ConsoleRequest::Unregister);
        closing_ = false;
        WaitSeconds(1);
        port_.CloseConsole();
        WaitSeconds(1);
    }
}

// A line the world client did not answer for, or that was skipped because it had stopped answering, is counted
// for the command's message; the send delay after it is not waited (nothing was taken to wait for).
void LinkCore::Communicate(int mode, const std::string& target, const std::string& text) {
    YieldTimes(kYieldsBeforeRequest);
    LinkOutcome outcome;
    if (vars.UseLibraryMethod) {
        const size_t bytes = appTitle_.size() + target.size() + text.size() + 10;
        outcome = LibraryRequest(mode == kModeEsp ? "Zelmarink_Communicate (ESP)" : "Zelmarink_Communicate (speak)", bytes,
                                 [&] { return port_.LibraryCommunicate(appTitle_, mode, target, text); });
        YieldTimes(kYieldsAfterRequest);
        if (vars.SendDelaySeconds > 0 && !Lost(outcome))
            WaitSeconds(vars.SendDelaySeconds);
    } else {
        // No yield between filling the fields and the request: an interleaved request cannot overwrite them.
        port_.SetConsoleText(ConsoleField::CommMode, std::to_string(mode));
        port_.SetConsoleText(ConsoleField::AvatarName, target);
        port_.SetConsoleText(ConsoleField::CommText, text);
        outcome = RunConsoleRequest(ConsoleRequest::Communicate);
    }
    if (outcome == LinkOutcome::Skipped)
        ++linesSkipped_;
    else if (outcome == LinkOutcome::NoAnswer)
        ++linesUnanswered_;
    RegisterIfOwed(outcome);
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

// The library's request, tried again while it did not reach the world client: the world client was there, but did
// not take the conversation in time (a "-1" came inside a call that got no answer). Such a request was not taken,
// so another try cannot repeat it; it is made after 12 yields, until the stall grace is spent (Skipped), except in
// CloseLink. A request that reached the world client and got no answer may have been taken and is never repeated.
LinkOutcome LinkCore::LibraryRequest(const char* what, size_t bytes, const LibraryCall& call) {
    for (;;) {
        bool reached = true;
        const LinkOutcome outcome = LibraryAttempt(what, bytes, call, &reached);
        if (reached || outcome != LinkOutcome::NoAnswer || closing_)
            return outcome;  // closing: the program is not held for the unregistration
        YieldTimes(kYieldsAfterLinkFailure);
    }
}

// One call of the library with its log line, the stall bookkeeping and the held "-1" acknowledgements.
LinkOutcome LinkCore::LibraryAttempt(const char* what, size_t bytes, const LibraryCall& call, bool* reached) {
    if (Cancelled()) {
        common::LogEvent("link", std::string("library ") + what + ": " + LinkOutcomeName(LinkOutcome::Cancelled));
        return LinkOutcome::Cancelled;
    }
    if (StallSpent()) {
        common::LogEvent("link", std::string("library ") + what + ": " + LinkOutcomeName(LinkOutcome::Skipped));
        return LinkOutcome::Skipped;
    }
    const std::uint64_t started = port_.Milliseconds();
    const int outerHeld = heldUnreachable_;
    heldUnreachable_ = 0;
    ++libraryDepth_;
    LinkOutcome outcome = LinkOutcome::Refused;
    try {
        outcome = call();
    } catch (...) {
        --libraryDepth_;
        heldUnreachable_ += outerHeld;
        throw;
    }
    --libraryDepth_;
    const int held = heldUnreachable_;
    heldUnreachable_ = outerHeld;
    *reached = held == 0;
    Note(outcome, started);
    common::LogEvent("link", std::string("library ") + what + " " + std::to_string(bytes) + " bytes: " +
                                 LinkOutcomeName(outcome) + ", " + std::to_string(port_.Milliseconds() - started) +
                                 " ms");
    // The world client was there but did not answer: the command's message says so once, instead of a box per
    // request. Otherwise (no world client at all) each "-1" is shown as it always was.
    if (outcome != LinkOutcome::NoAnswer)
        for (int i = 0; i < held; ++i)
            ShowAck("-1");
    return outcome;
}

void LinkCore::Note(LinkOutcome outcome, std::uint64_t startedMs) {
    switch (outcome) {
        case LinkOutcome::Answered:
        case LinkOutcome::Refused:
        case LinkOutcome::NoServer:
            stalled_ = false;
            break;
        case LinkOutcome::NoAnswer:
            if (!stalled_) {
                stalled_ = true;
                stalledSinceMs_ = startedMs;
            }
            break;
        case LinkOutcome::Cancelled:
        case LinkOutcome::Skipped:
            break;
    }
}

bool LinkCore::StallSpent() {
    return stalled_ && port_.Milliseconds() - stalledSinceMs_ >= static_cast<std::uint64_t>(kStallGraceMs);
}

// A console wait never runs past the grace that is left once the world client has stopped answering.
int LinkCore::ConsoleWaitMs() {
    if (!stalled_)
        return kConsoleTimeoutMs;
    const std::uint64_t spent = port_.Milliseconds() - stalledSinceMs_;
    const std::uint64_t left = spent >= static_cast<std::uint64_t>(kStallGraceMs) ? 0 : kStallGraceMs - spent;
    return static_cast<int>(std::clamp<std::uint64_t>(left, 1, kConsoleTimeoutMs));
}

void LinkCore::BeginCommand() {
    stalled_ = false;
    cancelled_ = false;
    linesSkipped_ = linesUnanswered_ = fetchesLost_ = othersLost_ = 0;
}

namespace {

std::string Lines(int n) {
    return std::to_string(n) + (n == 1 ? " line" : " lines");
}

}  // namespace

std::string LinkCore::EndCommand() {
    std::vector<std::string> parts;
    if (linesSkipped_ > 0)
        parts.push_back(Lines(linesSkipped_) + (linesSkipped_ == 1 ? " was" : " were") + " not spoken");
    if (linesUnanswered_ > 0)
        parts.push_back(Lines(linesUnanswered_) + " got no answer and may not have been spoken");
    if (fetchesLost_ > 0)
        parts.push_back(kChatTextNotFetched);
    if (othersLost_ > 0 && parts.empty())
        parts.push_back("the registration with it did not get through");
    if (parts.empty())
        return std::string();
    common::LogEvent("link", "the world client stopped answering: " + std::to_string(linesSkipped_) +
                                 " lines skipped, " + std::to_string(linesUnanswered_) + " unanswered, " +
                                 std::to_string(fetchesLost_) + " fetches and " + std::to_string(othersLost_) +
                                 " other requests lost");
    linesSkipped_ = linesUnanswered_ = fetchesLost_ = othersLost_ = 0;
    std::string message = std::string(kStalledMessageStart) + "; ";
    for (size_t i = 0; i < parts.size(); ++i)
        message += (i == 0 ? "" : i + 1 == parts.size() ? " and " : ", ") + parts[i];
    return message + ". Check that the world client is running and not busy (loading a region, a dialog open), "
                     "then try again.";
}

// One console request: up to five attempts. A failure of the link itself (no conversation, a refused or
// timed-out poke or request) is followed by 12 yields and another attempt; after the fifth, ErrorCheck is
// checked. Any other failure (focus control finds no window with the title) ends the request at once.
// A console closed while the request runs (CloseLink reached from a handler inside one of its calls or yields)
// ends the request unsent: its fields went with that console, and a new one would carry an empty record.
// Once the world client has stopped answering for longer than kStallGraceMs, the remaining attempts are skipped
// and ErrorCheck is checked as after the fifth.
LinkOutcome LinkCore::RunConsoleRequest(ConsoleRequest request) {
    static const char* const kNames[] = {"Zelmarink_Register", "Zelmarink_Unregister", "Zelmarink_Communicate",
                                         "Zelmarink_GetAllText"};
    const char* name = kNames[static_cast<int>(request)];
    port_.SetErrorCheck(false);
    const int console = port_.ConsoleInstance();
    for (int attempts = 1;; ++attempts) {
        if (Cancelled()) {
            common::LogEvent("link", std::string("console ") + name + ": " + LinkOutcomeName(LinkOutcome::Cancelled));
            return LinkOutcome::Cancelled;
        }
        if (StallSpent()) {
            common::LogEvent("link", std::string("console ") + name + ": " + LinkOutcomeName(LinkOutcome::Skipped));
            port_.SetErrorCheck(true);
            return LinkOutcome::Skipped;
        }
        const std::uint64_t started = port_.Milliseconds();
        const AttemptResult result = ConsoleAttempt(request);
        Note(result.outcome, started);
        common::LogEvent("link", std::string("console ") + name + " attempt " + std::to_string(attempts) + ": " +
                                     LinkOutcomeName(result.outcome) + ", " +
                                     std::to_string(port_.Milliseconds() - started) + " ms");
        if (result.attempt != Attempt::LinkFailure)
            return result.outcome;
        YieldTimes(kYieldsAfterLinkFailure);
        if (port_.ConsoleInstance() != console)
            return result.outcome;
        if (attempts >= kConsoleAttempts) {
            port_.SetErrorCheck(true);
            return result.outcome;
        }
    }
}

LinkCore::AttemptResult LinkCore::ConsoleAttempt(ConsoleRequest request) {
    // The fields are read afresh on every attempt: a click or an interleaved request may have changed them.
    ConsoleLinkSpec link;
    if (request == ConsoleRequest::Communicate) {
        const std::string mode = port_.ConsoleText(ConsoleField::CommMode);
        const std::string avatar = port_.ConsoleText(ConsoleField::AvatarName);
        // A separator inside a field before the text would shift the fields: the request is dropped unsent.
        if (HoldsFieldSeparator(appTitle_) || HoldsFieldSeparator(mode) || HoldsFieldSeparator(avatar))
            return {Attempt::OtherFailure, LinkOutcome::Refused};
        link = ConsoleLinkFor(request, appTitle_, mode, avatar, port_.ConsoleText(ConsoleField::CommText));
    } else {
        link = ConsoleLinkFor(request, appTitle_, {}, {}, {});
    }
    port_.CloseConversation();
    const ServiceTopic target = SplitLinkTopic(link.linkTopic);
    port_.SetConsoleText(ConsoleField::Text1, link.text);
    const LinkOutcome opened = port_.OpenConversation(target.service, target.topic, ConsoleWaitMs());
    if (opened != LinkOutcome::Answered)
        return {Attempt::LinkFailure, opened};
    if (vars.FocusControl && !port_.ActivateWindow(vars.ClientWindowTitle))
        return {Attempt::OtherFailure, LinkOutcome::Refused};
    if (link.poke) {
        // The record built above, not Text1 as it is now: a request started inside one of this one's calls may
        // have put its own record there.
        const LinkOutcome poked = port_.Poke(link.linkItem, link.text, ConsoleWaitMs());
        if (poked != LinkOutcome::Answered)
            return {Attempt::LinkFailure, poked};
    } else {
        std::string reply;
        const LinkOutcome requested = port_.Request(link.linkItem, ConsoleWaitMs(), &reply);
        if (requested != LinkOutcome::Answered)
            return {Attempt::LinkFailure, requested};
        port_.SetConsoleText(ConsoleField::Text1, reply);
    }
    if (vars.FocusControl && !port_.ActivateWindow(appTitle_))
        return {Attempt::OtherFailure, LinkOutcome::Refused};
    return {Attempt::Done, LinkOutcome::Answered};
}

}  // namespace linkmodule
