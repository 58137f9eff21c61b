// host_io_win.cpp: what host::Host does through the program. HostFiles: the game's files on disk, the chat capture
// wherever the link module wrote it, each write in the support log. HostWindow's HostIo: saying, whispering, waiting,
// fetching the chat and yielding through the link module, each call ending the command once the program is ending
// (StopIfClosing, see host_commands_win.cpp), and the round written to its controls. AddLinkReport: the link
// module's end-of-command report put before the command's own problems.
//
// Owns: no state of its own (HostFiles its DiskFiles). Touches: the round's controls (PlayerName,
// SelectedCategory, the three round buttons), the link module's EspTarget. Calls: the link module, Closing() and
// StopIfClosing().
#include "host/host_window_win.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "common/controls_win.h"
#include "common/support_log.h"
#include "host/host_ids.h"
#include "host/intake.h"
#include "linkmodule/link_core.h"
#include "linkmodule/link_module_win.h"

namespace host {

ReadResult HostFiles::Read(const std::string& path, size_t maxBytes) {
    return disk_.Read(path == kCaptureFile ? linkmodule::CapturePath() : path, maxBytes);
}

WriteResult HostFiles::Replace(const std::string& path, const std::string& content) {
    const WriteResult result = disk_.Replace(path, content);
    common::LogFileWrite(path, content.size(), result);
    return result;
}

std::optional<std::uintmax_t> HostFiles::Size(const std::string& path) {
    return disk_.Size(path);
}

WriteResult HostFiles::Copy(const std::string& from, const std::string& to) {
    const WriteResult result = disk_.Copy(from, to);
    common::LogFileWrite(to, disk_.Size(result.ok ? to : from).value_or(0), result);
    return result;
}

// What did not get through because the world client stopped answering comes first; it says already that the
// chat text could not be fetched, when that is so.
void HostWindow::AddLinkReport(std::vector<std::string>& problems) {
    const std::string report = linkmodule::EndCommand();
    if (report.empty())
        return;
    if (report.find(linkmodule::kChatTextNotFetched) != std::string::npos)
        problems.erase(std::remove(problems.begin(), problems.end(), std::string(kNoChatText)), problems.end());
    problems.insert(problems.begin(), report);
}

void HostWindow::Say(const std::string& text) {
    StopIfClosing();
    linkmodule::SayText(text);
    StopIfClosing();
}

void HostWindow::Esp(const std::string& target, const std::string& text) {
    StopIfClosing();
    linkmodule::EspTarget = target;
    linkmodule::EspText(text);
    StopIfClosing();
}

void HostWindow::Wait(int seconds) {
    StopIfClosing();
    const auto count = static_cast<std::int16_t>(std::clamp(seconds, 0, 32767));
    linkmodule::WaitSeconds(count);
    StopIfClosing();
}

void HostWindow::FetchChat() {
    StopIfClosing();
    linkmodule::FetchAllText();
    StopIfClosing();
}

void HostWindow::Yield() {
    linkmodule::YieldEvents();
    StopIfClosing();
}

std::uint64_t HostWindow::Milliseconds() {
    return GetTickCount64();
}

void HostWindow::ShowRound(const Round& round) {
    if (Closing())
        return;
    win::SetControlText(hwnd_, IDC_HOST_PLAYERNAME, round.PlayerName);
    if (win::ControlText(hwnd_, IDC_HOST_SELECTEDCATEGORY) != round.SelectedCategory)
        win::SetControlText(hwnd_, IDC_HOST_SELECTEDCATEGORY, round.SelectedCategory);
    win::ShowControl(hwnd_, IDC_HOST_COMMAND7, round.Command7);
    win::ShowControl(hwnd_, IDC_HOST_COMMAND6, round.Command6);
    win::ShowControl(hwnd_, IDC_HOST_COMMAND8, round.Command8);
}

}  // namespace host
