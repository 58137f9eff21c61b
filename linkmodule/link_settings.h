// link_settings.h: the four link settings of SCONTROL.TXT and how a line of it is read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <istream>
#include <optional>
#include <string>
#include <string_view>

namespace linkmodule {

inline constexpr std::string_view kDefaultClientWindowTitle = "Pelmor 3.0";
inline constexpr char kSettingsFileName[] = "SCONTROL.TXT";

struct LinkSettings {
    std::string clientWindowTitle{kDefaultClientWindowTitle};
    bool focusControl = false;
    bool useLibraryMethod = false;
    std::int16_t sendDelaySeconds = 0;

    bool operator==(const LinkSettings&) const = default;
};

// The next line of a text stream without its end (CR LF, a lone CR or a lone LF); nullopt at the end.
std::optional<std::string> ReadTextLine(std::istream& in);

// The number a line begins with once every blank is removed: an optional sign, digits with at most one decimal
// point.
// A line that does not begin that way counts as 0; a number too large for a double gives +-infinity.
double LineNumericValue(std::string_view line);

// The nearest whole number, halves to the even neighbour; nullopt outside -32768..32767.
std::optional<std::int16_t> RoundToInt16HalfEven(double value);

// A line with blanks removed at both ends.
std::string_view TrimBlanks(std::string_view line);

// The settings read from the file's content; nullopt content means there is no file.
LinkSettings ParseLinkSettings(std::istream* content);
LinkSettings ParseLinkSettingsText(std::string_view content);

// SCONTROL.TXT at path; a file larger than kSettingsFileByteLimit counts as missing.
inline constexpr std::size_t kSettingsFileByteLimit = 1024 * 1024;
LinkSettings ReadLinkSettingsFile(const std::filesystem::path& path);

}  // namespace linkmodule
