// link_capture.cpp: what comes back from the world client to the link module: the chat text fetched into the
// capture file (by either method), and the library's acknowledgements and received data, each shown as its box.
// The requests themselves are made by link_core.cpp; this file only fetches, writes and reports.
#include "linkmodule/link_core.h"

#include "common/support_log.h"

namespace linkmodule {
namespace {

constexpr int kYieldsBeforeRequest = 12;
constexpr int kYieldsAfterRequest = 24;
constexpr int kFetchAttempts = 5;

}  // namespace

// Up to five attempts, each: 12 yields, the old capture deleted, one fetch; the first text that comes is
// written with one CR LF added. No text after five attempts: no file.
// A world client that has stopped answering ends the attempts early, and the command's message says so.
void LinkCore::FetchAllText() {
    bool lost = false;
    for (int attempts = 0; attempts < kFetchAttempts && !Cancelled(); ++attempts) {
        if (StallSpent()) {
            lost = true;
            break;
        }
        YieldTimes(kYieldsBeforeRequest);
        ClearCapture();
        std::string text;
        LinkOutcome outcome;
        if (vars.UseLibraryMethod) {
            vars.AllText.clear();
            outcome = LibraryRequest("Zelmarink_GetAllText", 0, [&] { return port_.LibraryGetAllText(appTitle_); });
            YieldTimes(kYieldsAfterRequest);
            text = vars.AllText;
        } else {
            outcome = RunConsoleRequest(ConsoleRequest::GetAllText);
            text = port_.ConsoleText(ConsoleField::Text1);
        }
        RegisterIfOwed(outcome);
        lost = lost || Lost(outcome);
        if (!text.empty()) {
            common::LogEvent("link", "chat text " + std::to_string(text.size()) + " bytes, attempt " +
                                         std::to_string(attempts + 1));
            WriteCapture(text);
            return;
        }
    }
    common::LogEvent("link", "no chat text after the attempts");
    if (lost)
        ++fetchesLost_;
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
    // A code is logged as it is; anything else a peer poked as an acknowledgement only by its size.
    const bool isCode = !code.empty() && code.size() <= 4 &&
                        code.find_first_not_of("-0123456789") == std::string::npos;
    common::LogEvent("ack", isCode ? code : "not a code, " + std::to_string(code.size()) + " bytes");
    if (code == "-1" && libraryDepth_ > 0) {
        ++heldUnreachable_;
        return;
    }
    ShowAck(code);
}

void LinkCore::ShowAck(const std::string& code) {
    if (const std::optional<std::string_view> message = AckMessage(code))
        port_.ShowMessage(std::string(*message), kAckCaption, MessageIcon::Information);
}

void LinkCore::OnLinkReceive(const std::string& sender, const std::string& data) {
    common::LogEvent("recv", "data from another program: " + std::to_string(data.size()) + " bytes");
    port_.ShowMessage(ReceivedDataMessage(sender, data), appTitle_, MessageIcon::None);
}

void LinkCore::OnLinkAllText(const std::string& text) {
    common::LogEvent("link", "chat text arrived: " + std::to_string(text.size()) + " bytes");
    vars.AllText = text;
}

}  // namespace linkmodule
