// manual_seconds.h: the delay typed into ManualSeconds.
#pragma once

#include <cstdint>
#include <string_view>

namespace config {

struct ManualSecondsReading {
    enum class Status { Ok, Negative, TooLarge };
    Status status = Status::Ok;
    int16_t seconds = 0;  // the delay to test with; 0 unless status is Ok
};

ManualSecondsReading ReadManualSeconds(std::string_view text);

}  // namespace config
