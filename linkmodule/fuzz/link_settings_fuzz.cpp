// Fuzz target: reading SCONTROL.TXT from any bytes.
// Invariants: reading is deterministic; the title has no blank at either end and no line end inside; the delay
// is what line 4's number rounds to, or 0 when that is out of range; and settings written back in the
// configurator's form read as the same settings.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "linkmodule/link_settings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view content(reinterpret_cast<const char*>(data), size);
    const linkmodule::LinkSettings first = linkmodule::ParseLinkSettingsText(content);
    if (!(linkmodule::ParseLinkSettingsText(content) == first))
        std::abort();

    const std::string& title = first.clientWindowTitle;
    if (title.find_first_of("\r\n") != std::string::npos || title.size() > size + 16)
        std::abort();
    if (!title.empty() &&
        (title.front() == ' ' || title.front() == '\t' || title.back() == ' ' || title.back() == '\t'))
        std::abort();

    // Line 4 alone decides the delay.
    std::string lines[4];
    size_t n = 0, pos = 0;
    while (n < 4 && pos < size) {
        size_t end = pos;
        while (end < size && content[end] != '\r' && content[end] != '\n')
            ++end;
        lines[n++] = std::string(content.substr(pos, end - pos));
        if (end < size && content[end] == '\r' && end + 1 < size && content[end + 1] == '\n')
            ++end;
        pos = end + 1;
    }
    if (n == 4) {
        const auto rounded = linkmodule::RoundToInt16HalfEven(linkmodule::LineNumericValue(lines[3]));
        if (first.sendDelaySeconds != (rounded ? *rounded : 0))
            std::abort();
    } else if (first.sendDelaySeconds != 0) {
        std::abort();
    }

    const std::string written = title + "\r\n" + (first.focusControl ? "1" : "0") + "\r\n" +
                                (first.useLibraryMethod ? "1" : "0") + "\r\n" + std::to_string(first.sendDelaySeconds) +
                                "\r\n";
    if (!(linkmodule::ParseLinkSettingsText(written) == first))
        std::abort();
    return 0;
}
