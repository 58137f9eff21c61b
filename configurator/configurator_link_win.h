// configurator_link_win.h: the configurator's rules (config::Link) carried out by the link module, the
// window's status line, the local clock and SCONTROL.TXT in the current directory.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "configurator/link_port.h"

namespace config {

class ModuleLink final : public Link {
  public:
    // stopping: true once the program is ending; from then on every call but CloseLink throws TestAbandoned.
    ModuleLink(HWND window, int statusControlId, std::function<bool()> stopping);

    // From now on every status text is also appended to this file (the window's test hook, test_hook.h).
    void LogStatusTo(std::string path) { statusLogPath_ = std::move(path); }

    void ApplySettings(const LinkSettings& settings) override;
    void ShowStatus(const std::string& text) override;
    void OpenLink() override;
    void CloseLink() override;
    void SayText(const std::string& text) override;
    void EspText(const std::string& target, const std::string& text) override;
    std::optional<std::string> FetchCapture() override;
    TimeOfDay Now() override;
    bool SaveSettingsFile(const std::string& content) override;

  private:
    void StopIfStopping() const;
    void AppendToStatusLog(const std::string& text) const;

    HWND window_;
    int statusControlId_;
    std::function<bool()> stopping_;
    std::string statusLogPath_;
};

// The settings the link module holds now.
LinkSettings ModuleSettings();

}  // namespace config
