// configurator_link_win.cpp: config::Link over the link module.
#include "configurator/configurator_link_win.h"

#include "common/controls_win.h"
#include "configurator/files.h"
#include "configurator/texts.h"
#include "linkmodule/link_module_win.h"

namespace config {

ModuleLink::ModuleLink(HWND window, int statusControlId, std::function<bool()> stopping)
    : window_(window), statusControlId_(statusControlId), stopping_(std::move(stopping)) {}

// Checked before each step and after each one that yields (a close or a quit request arrives inside a yield),
// so a test stops at the first step after the program began to end.
void ModuleLink::StopIfStopping() const {
    if (stopping_ && stopping_())
        throw TestAbandoned{};
}

void ModuleLink::ApplySettings(const LinkSettings& settings) {
    linkmodule::ClientWindowTitle = settings.ClientWindowTitle;
    linkmodule::FocusControl = settings.FocusControl;
    linkmodule::UseLibraryMethod = settings.UseLibraryMethod;
    linkmodule::SendDelaySeconds = settings.SendDelaySeconds;
}

// The yield lets the new text paint at once, as each step of a test can take seconds.
void ModuleLink::ShowStatus(const std::string& text) {
    StopIfStopping();
    win::SetControlText(window_, statusControlId_, text);
#ifdef TUMBLEROO_TEST_HOOKS
    AppendToStatusLog(text);
#endif
    linkmodule::YieldEvents();
    StopIfStopping();
}

// Not checked afterwards: the test's next call does that, and the test closes the link it opened.
void ModuleLink::OpenLink() {
    StopIfStopping();
    linkmodule::OpenLink();
}

void ModuleLink::CloseLink() {
    linkmodule::CloseLink();
}

void ModuleLink::SayText(const std::string& text) {
    StopIfStopping();
    linkmodule::SayText(text);
    StopIfStopping();
}

void ModuleLink::EspText(const std::string& target, const std::string& text) {
    StopIfStopping();
    linkmodule::EspTarget = target;
    linkmodule::EspText(text);
    StopIfStopping();
}

std::optional<std::string> ModuleLink::FetchCapture() {
    StopIfStopping();
    linkmodule::FetchAllText();
    StopIfStopping();
    return ReadCapture(linkmodule::CapturePath());
}

TimeOfDay ModuleLink::Now() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    return {now.wHour, now.wMinute, now.wSecond};
}

bool ModuleLink::SaveSettingsFile(const std::string& content) {
    StopIfStopping();
    return WriteWholeFile(kSettingsFileName, content);
}

// Opened for each line and closed again, so that a reader sees every text as soon as it is shown.
void ModuleLink::AppendToStatusLog(const std::string& text) const {
    if (statusLogPath_.empty())
        return;
    HANDLE file = CreateFileA(statusLogPath_.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    const std::string line = text + "\r\n";
    DWORD written = 0;
    WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    CloseHandle(file);
}

LinkSettings ModuleSettings() {
    LinkSettings s;
    s.ClientWindowTitle = linkmodule::ClientWindowTitle;
    s.FocusControl = linkmodule::FocusControl;
    s.UseLibraryMethod = linkmodule::UseLibraryMethod;
    s.SendDelaySeconds = linkmodule::SendDelaySeconds;
    return s;
}

}  // namespace config
