// method_tests.cpp: speaking test lines or an ESP through the link and reading them back.
#include "configurator/method_tests.h"

#include <chrono>
#include <string>

#include "common/support_log.h"
#include "configurator/texts.h"

namespace config {

namespace {

// The link is open from OpenLink until the test's end, also when a call in between throws (the program is
// ending, or memory ran out): the world client must not keep a registration of a program that is gone.
class OpenSession {
  public:
    explicit OpenSession(Link& link) : link_(link) { link_.OpenLink(); }
    ~OpenSession() { link_.CloseLink(); }
    OpenSession(const OpenSession&) = delete;
    OpenSession& operator=(const OpenSession&) = delete;

  private:
    Link& link_;
};

// One support log line per test, also for a test that stops early: its name and settings, what came back in sizes
// and counts (never the chat), and how long it took.
class TestLogLine {
  public:
    explicit TestLogLine(std::string name) : name_(std::move(name)), start_(std::chrono::steady_clock::now()) {}
    ~TestLogLine() {
        try {
            const auto ms =
                std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start_);
            common::LogEvent("test", name_ + ": " + (result_.empty() ? "stopped early" : result_) + "; " +
                                         std::to_string(ms.count()) + " ms");
        } catch (...) {
        }
    }
    TestLogLine(const TestLogLine&) = delete;
    TestLogLine& operator=(const TestLogLine&) = delete;
    void Result(std::string text) { result_ = std::move(text); }

  private:
    std::string name_;
    std::string result_;
    std::chrono::steady_clock::time_point start_;
};

std::string ChatSize(const std::optional<std::string>& capture) {
    return capture ? std::to_string(capture->size()) + " bytes of chat" : std::string("no chat text");
}

void SpeechTest(Link& link, const LinkSettings& settings, ConfiguratorFields& f, bool dde) {
    TestLogLine log(dde ? "DDE_TEST, focus control " + std::to_string(settings.FocusControl ? 1 : 0)
                        : "DLL_TEST, delay " + std::to_string(settings.SendDelaySeconds) + " s");
    link.ApplySettings(settings);
    link.ShowStatus(dde ? kStatusDdeStarting : kStatusDllTesting);
    const OpenSession session(link);
    if (dde) {
        link.ShowStatus(kStatusDdeTesting);
    }
    const std::string marker = dde ? DdeMarker(settings.FocusControl) : DllMarker(settings.SendDelaySeconds);
    link.SayText(marker);
    // The clock is read for every line: a slow link shows as growing gaps between the times spoken.
    for (int n = 1; n <= 9; ++n) {
        link.SayText(TestLine(n, link.Now()));
    }
    const auto capture = link.FetchCapture();
    ClearRecord(f);
    if (capture) {
        RecordTestLines(*capture, marker, f);
    }
    log.Result(ChatSize(capture) + ", " + std::to_string(f.NextSlot - kFirstSlot) + " test lines recorded");
}

}  // namespace

void DDE_TEST(Link& link, const LinkSettings& settings, ConfiguratorFields& f) {
    SpeechTest(link, settings, f, true);
}

void DLL_TEST(Link& link, const LinkSettings& settings, ConfiguratorFields& f) {
    SpeechTest(link, settings, f, false);
}

void DDE_ESP_TEST(Link& link, const LinkSettings& settings, ConfiguratorFields& f) {
    TestLogLine log("DDE_ESP_TEST");
    link.ApplySettings(settings);
    link.ShowStatus(kStatusEspTesting);
    const OpenSession session(link);
    link.EspText(f.OwnAvatarName, kEspTestText);
    f.EspReceived = false;
    const auto capture = link.FetchCapture();
    if (capture) {
        f.EspReceived = FindEspReply(*capture, f.OwnAvatarName);
    }
    log.Result(ChatSize(capture) + (f.EspReceived ? ", the ESP came back" : ", no ESP came back"));
}

bool WRITE_SETTINGS(Link& link, const LinkSettings& settings) {
    return link.SaveSettingsFile(SettingsFileText(settings));
}

}  // namespace config
