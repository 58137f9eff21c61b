// options.h: the command lines of worldsim.exe and worldctl.exe.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace worldsim {

// How the world speaks DDE. Ours: a DDEML server, acknowledgements poked in plain DDE messages (our own client).
// Ddeml: the platform's DDE library alone, a DDEML server and a DDEML client for every poke back, as a world client
// built on that library would. Plain32: plain DDE messages both ways, every lParam it sends widened from 32 bits
// with its sign, as a 32-bit program's messages reach a 64-bit one. Borrowing: Plain32 that answers an initiate with
// the initiator's own atoms and adds no reference of its own, knowing its service name by the atom it added at
// start (plain_server_win.h).
enum class DdeKind { Ours, Ddeml, Plain32, Borrowing };

struct WorldOptions {
    std::string me;
    std::string scenario;  // empty: none
    std::string transcript;
    DdeKind dde = DdeKind::Ours;
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
