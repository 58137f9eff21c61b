// options.h: the command lines of worldsim.exe and worldctl.exe.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace worldsim {

struct WorldOptions {
    std::string me;
    std::string scenario;  // empty: none
    std::string transcript;
};

struct CtlOptions {
    std::optional<int> waitMs;
    std::vector<std::string> commands;
};

template <class T>
struct OptionsParse {
    std::optional<T> options;
    std::string error;
};

OptionsParse<WorldOptions> ParseWorldOptions(const std::vector<std::string>& args);
OptionsParse<CtlOptions> ParseCtlOptions(const std::vector<std::string>& args);

}  // namespace worldsim
