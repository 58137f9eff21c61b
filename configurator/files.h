// files.h: reading the chat capture and writing the settings file.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace config {

// Far above any chat text the world client hands over (its replies stop well below this), low enough that a
// stray huge file at the capture's path cannot exhaust memory.
inline constexpr size_t kCaptureByteLimit = 64 * 1024 * 1024;

// The capture's bytes, unchanged. nullopt when it cannot be opened or is larger than limit (then it is not read
// at all); a read that fails midway keeps what was read before the failure.
std::optional<std::string> ReadCapture(const std::string& path, size_t limit = kCaptureByteLimit);

// Creates or replaces the file with exactly these bytes, in one step: readers find the old content or the new,
// never a part. False (the old file left as it was) unless every byte was written.
bool WriteWholeFile(const std::string& path, std::string_view content);

}  // namespace config
