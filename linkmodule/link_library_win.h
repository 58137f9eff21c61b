// link_library_win.h: the link library zmvorq, loaded by name on the first library call of a run.
#pragma once

#include <string>

#include "linklib/zmvorq.h"

namespace linkmodule {

struct LinkLibraryFunctions {
    decltype(&InitDDE) initDDE = nullptr;
    decltype(&KillDDE) killDDE = nullptr;
    decltype(&VorqRegister) registerName = nullptr;
    decltype(&VorqUnregister) unregisterName = nullptr;
    decltype(&VorqCommunicate) communicate = nullptr;
    decltype(&VorqGetAllText) getAllText = nullptr;
};

// The library's functions, binding them on the first call; nullptr when the library or one of the functions
// is missing, in which case the first call has shown one message saying so (owned by `messageCaption`).
const LinkLibraryFunctions* BoundLinkLibrary(const std::string& libraryName, const std::string& messageCaption);

// Whether the library was loaded in this run (tests: a program on the console method never loads it).
bool LinkLibraryLoaded();

}  // namespace linkmodule
