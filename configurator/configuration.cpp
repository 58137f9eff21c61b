// configuration.cpp: the order in which the buttons try the link methods, and what they save.
#include "configurator/configuration.h"

#include "configurator/judging.h"
#include "configurator/manual_seconds.h"
#include "configurator/method_tests.h"
#include "configurator/texts.h"

namespace config {

namespace {

constexpr int16_t kDelayLimit = 5;  // the auto configuration tries delays 0 to 4

LinkSettings DdeSettings(bool focusControl) {
    LinkSettings s;
    s.ClientWindowTitle = kClientTitle;
    s.FocusControl = focusControl;
    return s;
}

LinkSettings DllSettings(int16_t delay) {
    LinkSettings s;
    s.ClientWindowTitle = kClientTitle;
    s.UseLibraryMethod = true;
    s.SendDelaySeconds = delay;
    return s;
}

// The method passed. The file is written before the status is shown, so that the success text, the
// user's cue to close the program, never appears for settings that were not saved.
RunOutcome Succeed(Link& link, const LinkSettings& s) {
    const bool saved = WRITE_SETTINGS(link, s);
    if (s.UseLibraryMethod) {
        link.ShowStatus(saved ? kStatusDllSuccessful : kStatusDllNotSaved);
    } else {
        link.ShowStatus(saved ? kStatusDdeSuccessful : kStatusDdeNotSaved);
    }
    link.ApplySettings(s);
    return saved ? RunOutcome::Saved : RunOutcome::NotSaved;
}

RunOutcome Fail(Link& link, const LinkSettings& s, const char* status) {
    link.ShowStatus(status);
    link.ApplySettings(s);
    return RunOutcome::Failed;
}

}  // namespace

// DDE method without focus control; with focus control only when the first attempt showed lag; then
// the DLL method with send delays 0 to 4. The first method that passes is saved.
RunOutcome RunAutoConfiguration(Link& link, ConfiguratorFields& f) {
    link.ShowStatus(kStatusStarting);
    LinkSettings s = DdeSettings(false);
    const char* ddeStatus = nullptr;
    while (ddeStatus == nullptr) {
        DDE_TEST(link, s, f);
        switch (JudgeDdeRecord(f)) {
            case DdeVerdict::SpeakingFailed:
                ddeStatus = kStatusDdeSpeakingFailed;
                break;
            case DdeVerdict::MethodFailed:
                ddeStatus = kStatusDdeFailed;
                break;
            case DdeVerdict::Lag:
                if (s.FocusControl) {
                    ddeStatus = kStatusDdeFailed;
                }
                s.FocusControl = true;  // retried silently; the new marker says so
                break;
            case DdeVerdict::Passed:
                DDE_ESP_TEST(link, s, f);
                if (f.EspReceived) {
                    return Succeed(link, s);
                }
                ddeStatus = kStatusDdeEspFailed;
                break;
        }
    }
    link.ShowStatus(ddeStatus);

    s = DllSettings(0);
    link.ShowStatus(kStatusDllStarting);
    for (;;) {
        DLL_TEST(link, s, f);
        if (JudgeDllRecord(f)) {
            return Succeed(link, s);
        }
        ++s.SendDelaySeconds;
        if (s.SendDelaySeconds >= kDelayLimit) {
            return Fail(link, s, kStatusDllFailed);
        }
        link.ShowStatus(DllDelayRaisedStatus(s.SendDelaySeconds));
    }
}

// One attempt with the chosen focus setting; lag is a plain failure here, with no second attempt.
RunOutcome RunManualDdeTest(Link& link, ConfiguratorFields& f, bool focusControl) {
    link.ShowStatus(kStatusStarting);
    const LinkSettings s = DdeSettings(focusControl);
    DDE_TEST(link, s, f);
    switch (JudgeDdeRecord(f)) {
        case DdeVerdict::SpeakingFailed:
            return Fail(link, s, kStatusDdeSpeakingFailed);
        case DdeVerdict::MethodFailed:
        case DdeVerdict::Lag:
            return Fail(link, s, kStatusDdeFailed);
        case DdeVerdict::Passed:
            break;
    }
    DDE_ESP_TEST(link, s, f);
    if (!f.EspReceived) {
        return Fail(link, s, kStatusDdeEspFailed);
    }
    return Succeed(link, s);
}

// One attempt of the DLL method with the typed delay; no escalation.
RunOutcome RunManualDllTest(Link& link, ConfiguratorFields& f, std::string_view manualSecondsText) {
    const ManualSecondsReading delay = ReadManualSeconds(manualSecondsText);
    switch (delay.status) {
        case ManualSecondsReading::Status::Negative:
            link.ShowStatus(kStatusDelayNegative);
            return RunOutcome::Refused;
        case ManualSecondsReading::Status::TooLarge:
            link.ShowStatus(kStatusDelayTooLarge);
            return RunOutcome::Refused;
        case ManualSecondsReading::Status::Ok:
            break;
    }
    link.ShowStatus(kStatusStarting);
    const LinkSettings s = DllSettings(delay.seconds);
    link.ShowStatus(kStatusDllStarting);
    DLL_TEST(link, s, f);
    if (!JudgeDllRecord(f)) {
        return Fail(link, s, kStatusDllFailed);
    }
    return Succeed(link, s);
}

}  // namespace config
