// link_rights_win.h: reading whether the world client runs with other rights than this program.
#pragma once

#include <optional>
#include <string>

namespace linkmodule {

// After a request that did not reach the world client: the operator's notice when a window titled
// `worldWindowTitle` (of another program) is open and runs at another integrity level than this program, written
// to the support log as well; empty otherwise.
std::string DifferentRightsMessage(const std::string& worldWindowTitle);

#ifdef TUMBLEROO_TEST_HOOKS
// Test builds only: the world client's integrity level as if read from its process; nullopt reads it again.
void SetWorldIntegrityForTests(std::optional<unsigned long> level);
#endif

}  // namespace linkmodule
