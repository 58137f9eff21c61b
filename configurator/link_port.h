// link_port.h: what the configurator's rules need from the outside world, as one small interface.
//
// The window implements it on top of the link module (settings variables, OpenLink, SayText, EspText,
// FetchAllText), the status line, the local clock and the settings file; the tests fake it with a
// simulated world client.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace config {

// The link module's four settings as the configurator sets and writes them.
struct LinkSettings {
    std::string ClientWindowTitle = "Pelmor 3.0";
    bool FocusControl = false;
    bool UseLibraryMethod = false;
    int16_t SendDelaySeconds = 0;

    bool operator==(const LinkSettings&) const = default;
};

// Local time of day, 24-hour.
struct TimeOfDay {
    int hour = 0;
    int minute = 0;
    int second = 0;
};

// Thrown by a Link's call when the program is ending (its window was closed, or a quit request came in the
// middle of a test). The rules let it pass: nothing after that call runs, so nothing more is said or saved, and
// a test that opened the link closes it on the way out.
struct TestAbandoned {};

class Link {
  public:
    virtual ~Link() = default;

    // Puts the settings into the link module; every later request uses them.
    virtual void ApplySettings(const LinkSettings& settings) = 0;
    // Shows the text in the status line, then lets the UI event loop run once.
    virtual void ShowStatus(const std::string& text) = 0;
    // May throw TestAbandoned before it opens anything, never after.
    virtual void OpenLink() = 0;
    // Never throws TestAbandoned: it is what a stopping test still does.
    virtual void CloseLink() = 0;
    virtual void SayText(const std::string& text) = 0;
    // Sets EspTarget to target, then EspText(text).
    virtual void EspText(const std::string& target, const std::string& text) = 0;
    // FetchAllText, then the bytes of the capture file; nullopt when the file cannot be opened.
    virtual std::optional<std::string> FetchCapture() = 0;
    virtual TimeOfDay Now() = 0;
    // Creates or replaces SCONTROL.TXT with exactly these bytes; false unless all of them were written.
    virtual bool SaveSettingsFile(const std::string& content) = 0;
};

}  // namespace config
