// configuration.h: the four buttons of the configurator: auto configuration and the three manual tests.
#pragma once

#include <string_view>

#include "configurator/capture.h"
#include "configurator/link_port.h"

namespace config {

enum class RunOutcome {
    Saved,     // a method works and SCONTROL.TXT holds it
    NotSaved,  // a method works but SCONTROL.TXT could not be written
    Failed,    // no tested method works; SCONTROL.TXT untouched
    Refused,   // the typed delay was refused; nothing tested, the link settings untouched
};

// Each shows its status texts through the link and leaves the tested settings in the link module.
RunOutcome RunAutoConfiguration(Link& link, ConfiguratorFields& f);
RunOutcome RunManualDdeTest(Link& link, ConfiguratorFields& f, bool focusControl);
RunOutcome RunManualDllTest(Link& link, ConfiguratorFields& f, std::string_view manualSecondsText);

}  // namespace config
