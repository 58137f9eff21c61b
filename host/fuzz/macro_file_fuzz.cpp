// Fuzz target: a macro file (MACRO2.TXT to MACRO10.TXT) turned into the lines the macro says.
// Invariants: every step says one non-empty line without CR, untrimmed, and the lines come in file order as whole
// lines of the file: joined with CR LF they read back as the same script, and together they are never longer than
// the file.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "host/game_files.h"
#include "host/text_lines.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view file(reinterpret_cast<const char*>(data), size);
    const host::Script script = host::MacroScript(file);
    std::vector<std::string> said;
    size_t bytes = 0;
    for (const auto& step : script) {
        if (step.kind != host::Step::Kind::kSay || step.text.empty() || step.text.find('\r') != std::string::npos)
            std::abort();
        said.push_back(step.text);
        bytes += step.text.size();
    }
    if (bytes > size)
        std::abort();
    std::vector<std::string> again;
    for (const auto& step : host::MacroScript(host::JoinCrLf(said)))
        again.push_back(step.text);
    if (again != said)
        std::abort();
    return 0;
}
