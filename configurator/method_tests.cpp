// method_tests.cpp: speaking test lines or an ESP through the link and reading them back.
#include "configurator/method_tests.h"

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

void SpeechTest(Link& link, const LinkSettings& settings, ConfiguratorFields& f, bool dde) {
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
}

}  // namespace

void DDE_TEST(Link& link, const LinkSettings& settings, ConfiguratorFields& f) {
    SpeechTest(link, settings, f, true);
}

void DLL_TEST(Link& link, const LinkSettings& settings, ConfiguratorFields& f) {
    SpeechTest(link, settings, f, false);
}

void DDE_ESP_TEST(Link& link, const LinkSettings& settings, ConfiguratorFields& f) {
    link.ApplySettings(settings);
    link.ShowStatus(kStatusEspTesting);
    const OpenSession session(link);
    link.EspText(f.OwnAvatarName, kEspTestText);
    f.EspReceived = false;
    const auto capture = link.FetchCapture();
    if (capture) {
        f.EspReceived = FindEspReply(*capture, f.OwnAvatarName);
    }
}

bool WRITE_SETTINGS(Link& link, const LinkSettings& settings) {
    return link.SaveSettingsFile(SettingsFileText(settings));
}

}  // namespace config
