// method_tests.h: the three tests that use a link method for real, and the saving of settings.
#pragma once

#include "configurator/capture.h"
#include "configurator/link_port.h"

namespace config {

// Speech tests: put the settings into the link, speak the marker and test lines 1 to 9, fetch the chat
// text and record what came back in f. DDE_TEST and DLL_TEST differ only in status texts and marker.
void DDE_TEST(Link& link, const LinkSettings& settings, ConfiguratorFields& f);
void DLL_TEST(Link& link, const LinkSettings& settings, ConfiguratorFields& f);
// ESP to OwnAvatarName, then EspReceived tells whether it came back.
void DDE_ESP_TEST(Link& link, const LinkSettings& settings, ConfiguratorFields& f);

// Saves the settings to SCONTROL.TXT. False when the file could not be written.
bool WRITE_SETTINGS(Link& link, const LinkSettings& settings);

}  // namespace config
