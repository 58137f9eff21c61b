// method_tests.cpp: speaking test lines or an ESP through the link and reading them back.
#include "configurator/method_tests.h"

#include "configurator/texts.h"

namespace config {

namespace {

void SpeechTest(Link& link, const LinkSettings& settings, ConfiguratorFields& f, bool dde) {
    link.ApplySettings(settings);
    link.ShowStatus(dde ? kStatusDdeStarting : kStatusDllTesting);
    link.OpenLink();
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
    link.CloseLink();
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
    link.OpenLink();
    link.EspText(f.OwnAvatarName, kEspTestText);
    f.EspReceived = false;
    const auto capture = link.FetchCapture();
    if (capture) {
        f.EspReceived = FindEspReply(*capture, f.OwnAvatarName);
    }
    link.CloseLink();
}

bool WRITE_SETTINGS(Link& link, const LinkSettings& settings) {
    return link.SaveSettingsFile(SettingsFileText(settings));
}

}  // namespace config
