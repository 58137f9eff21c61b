// options.cpp: command-line parsing (arguments after the program name).
#include "worldsim/options.h"

#include "worldsim/command.h"
#include "worldsim/protocol.h"

namespace worldsim {

// worldsim.exe [--me NAME] [--scenario FILE] [--transcript FILE] [--dde ours|ddeml|plain32|borrowing], each option
// at most once.
OptionsParse<WorldOptions> ParseWorldOptions(const std::vector<std::string>& args) {
    OptionsParse<WorldOptions> out;
    WorldOptions o{std::string(kDefaultOwnAvatar), "", std::string(kDefaultTranscript)};
    bool seen[4] = {};
    std::string dde = "ours";
    for (size_t i = 0; i < args.size(); i += 2) {
        const std::string& option = args[i];
        const int which = option == "--me"           ? 0
                          : option == "--scenario"   ? 1
                          : option == "--transcript" ? 2
                          : option == "--dde"        ? 3
                                                     : -1;
        if (which < 0) {
            out.error = "unknown option " + option;
            return out;
        }
        if (i + 1 >= args.size() || args[i + 1].empty()) {
            out.error = option + " needs a value";
            return out;
        }
        if (seen[which]) {
            out.error = option + " given twice";
            return out;
        }
        seen[which] = true;
        (which == 0 ? o.me : which == 1 ? o.scenario : which == 2 ? o.transcript : dde) = args[i + 1];
    }
    if (dde == "ddeml") {
        o.dde = DdeKind::Ddeml;
    } else if (dde == "plain32") {
        o.dde = DdeKind::Plain32;
    } else if (dde == "borrowing") {
        o.dde = DdeKind::Borrowing;
    } else if (dde != "ours") {
        out.error = "--dde: ours, ddeml, plain32 or borrowing, not " + dde;
        return out;
    }
    if (o.me.find_first_of(std::string("\x0c\r\n", 3)) != std::string::npos) {
        out.error = "--me: the name holds a form feed or a line break";
        return out;
    }
    out.options = std::move(o);
    return out;
}

// worldctl.exe [--wait SECONDS] COMMAND...
OptionsParse<CtlOptions> ParseCtlOptions(const std::vector<std::string>& args) {
    OptionsParse<CtlOptions> out;
    CtlOptions o;
    size_t i = 0;
    if (!args.empty() && args[0] == "--wait") {
        o.waitMs = args.size() > 1 ? ParseSeconds(args[1]) : std::nullopt;
        if (!o.waitMs) {
            out.error = "--wait needs a number of seconds";
            return out;
        }
        i = 2;
    }
    o.commands.assign(args.begin() + static_cast<std::ptrdiff_t>(i), args.end());
    out.options = std::move(o);
    return out;
}

}  // namespace worldsim
