// link_settings.cpp: reading SCONTROL.TXT, the file the configurator writes and both programs read.
#include "linkmodule/link_settings.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <sstream>

#include "common/file_io.h"

namespace linkmodule {
namespace {

// A hand-written file may be indented with tabs as well as spaces; both count as blanks.
bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

}  // namespace

// Line ends: CR LF, a lone CR or a lone LF, so that a file saved by any editor reads the same. The last line
// needs no end. Every other byte, NUL and Ctrl-Z included, belongs to its line.
std::optional<std::string> ReadTextLine(std::istream& in) {
    std::string line;
    std::streambuf* buf = in.rdbuf();
    using Traits = std::char_traits<char>;
    bool any = false;
    for (;;) {
        const Traits::int_type c = buf->sbumpc();
        if (Traits::eq_int_type(c, Traits::eof())) {
            in.setstate(std::ios::eofbit);
            if (!any)
                return std::nullopt;
            return line;
        }
        any = true;
        const char ch = Traits::to_char_type(c);
        if (ch == '\n')
            return line;
        if (ch == '\r') {
            if (Traits::eq_int_type(buf->sgetc(), Traits::to_int_type('\n')))
                buf->sbumpc();
            return line;
        }
        line.push_back(ch);
    }
}

// Every blank is removed before the number is read, inside it too:
// "  -2.5xyz" -> -2.5;  "+1" -> 1;  ".5" -> 0.5;  "7." -> 7;  "1e3" -> 1 (no exponents);  "1 2" -> 12;
// "- 1" -> -1;  "abc", "" -> 0.
double LineNumericValue(std::string_view text) {
    std::string compact;
    compact.reserve(text.size());
    for (char c : text)
        if (!IsBlank(c))
            compact.push_back(c);
    const std::string_view line = compact;
    size_t i = 0;
    bool negative = false;
    if (i < line.size() && (line[i] == '+' || line[i] == '-')) {
        negative = line[i] == '-';
        ++i;
    }
    const size_t start = i;
    bool digits = false, point = false;
    for (; i < line.size(); ++i) {
        if (IsDigit(line[i]))
            digits = true;
        else if (line[i] == '.' && !point)
            point = true;
        else
            break;
    }
    if (!digits)
        return 0;
    double value = 0;
    const auto [end, ec] = std::from_chars(line.data() + start, line.data() + i, value, std::chars_format::fixed);
    if (ec == std::errc::result_out_of_range) {
        // Too many digits for a double: only huge values overflow; tiny ones (0.000...1) underflow to 0.
        const std::string_view number = line.substr(start, i - start);
        const size_t firstNonZero = number.find_first_not_of("0.");
        const size_t pointAt = number.find('.');
        const bool huge =
            firstNonZero != std::string_view::npos && (pointAt == std::string_view::npos || firstNonZero < pointAt);
        value = huge ? std::numeric_limits<double>::infinity() : 0.0;
    } else if (ec != std::errc() || end != line.data() + i) {
        return 0;
    }
    return negative ? -value : value;
}

std::optional<std::int16_t> RoundToInt16HalfEven(double value) {
    if (!std::isfinite(value) || value < -40000.0 || value > 40000.0)
        return std::nullopt;
    double whole = std::floor(value);
    const double fraction = value - whole;  // exact for doubles of this size
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(whole, 2.0) != 0.0))
        whole += 1.0;
    if (whole < -32768.0 || whole > 32767.0)
        return std::nullopt;
    return static_cast<std::int16_t>(whole);
}

std::string_view TrimBlanks(std::string_view line) {
    size_t begin = 0, end = line.size();
    while (begin < end && IsBlank(line[begin]))
        ++begin;
    while (end > begin && IsBlank(line[end - 1]))
        --end;
    return line.substr(begin, end - begin);
}

// SCONTROL.TXT, as the configurator writes it:
//   Pelmor 3.0      window title of the world client (blanks at both ends dropped)
//   1               focus control: on when the line's value is 1
//   0               library method: on when the line's value is 1
//   2               extra seconds after each library speak/ESP: the value rounded, halves to even
// Reading stops at the first failure (no file, a missing line, a delay outside the 16-bit range): what was
// read so far stays, everything after it keeps its default.
LinkSettings ParseLinkSettings(std::istream* content) {
    LinkSettings settings;
    if (!content)
        return settings;
    const std::optional<std::string> title = ReadTextLine(*content);
    if (!title)
        return settings;
    settings.clientWindowTitle = std::string(TrimBlanks(*title));
    const std::optional<std::string> focus = ReadTextLine(*content);
    if (!focus)
        return settings;
    settings.focusControl = LineNumericValue(*focus) == 1.0;
    const std::optional<std::string> library = ReadTextLine(*content);
    if (!library)
        return settings;
    settings.useLibraryMethod = LineNumericValue(*library) == 1.0;
    const std::optional<std::string> delay = ReadTextLine(*content);
    if (!delay)
        return settings;
    if (const std::optional<std::int16_t> seconds = RoundToInt16HalfEven(LineNumericValue(*delay)))
        settings.sendDelaySeconds = *seconds;
    return settings;
}

LinkSettings ParseLinkSettingsText(std::string_view content) {
    std::istringstream in{std::string(content)};
    return ParseLinkSettings(&in);
}

// A settings file is a few dozen bytes. One far larger is not ours and is not read at all: the defaults stay, as
// for a missing file, instead of a huge first line being taken into memory whole.
LinkSettings ReadLinkSettingsFile(const std::filesystem::path& path) {
    const common::ReadResult read = common::ReadFileCapped(path.string(), kSettingsFileByteLimit);
    if (read.status == common::ReadStatus::kMissing || read.status == common::ReadStatus::kTooLarge)
        return ParseLinkSettings(nullptr);
    return ParseLinkSettingsText(read.content);  // a read that failed midway keeps what came before the failure
}

}  // namespace linkmodule
