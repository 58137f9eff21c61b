// judging.h: the verdicts on a recorded test.
#pragma once

#include <string_view>

#include "configurator/capture.h"

namespace config {

enum class DdeVerdict { SpeakingFailed, MethodFailed, Lag, Passed };

// The three checks of a DDE speech test, in their order.
bool SpeakingHeard(const ConfiguratorFields& f);
bool CompleteWithoutDuplicates(const ConfiguratorFields& f);
bool WithinLagLimit(const ConfiguratorFields& f);

// Runs the checks in order, stopping at the first that fails; TestFailed tells whether one did.
DdeVerdict JudgeDdeRecord(ConfiguratorFields& f);
// The DLL method's order check; TestFailed is set when it fails. True when it passes.
bool JudgeDllRecord(ConfiguratorFields& f);

// Seconds since midnight of a clock stamp hh:mm:ss.
int StampSeconds(std::string_view stamp);

}  // namespace config
