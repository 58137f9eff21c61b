// files.h: whole-file reading and writing for the capture and the settings file.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace config {

// The file's bytes, unchanged. nullopt when it cannot be opened; a read that fails midway keeps what was
// read before the failure.
std::optional<std::string> ReadWholeFile(const std::string& path);

// Creates or replaces the file with exactly these bytes. False unless every byte was written and the
// file closed cleanly.
bool WriteWholeFile(const std::string& path, std::string_view content);

}  // namespace config
