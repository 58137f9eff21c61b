// link_library_win.cpp: binding zmvorq by name, once per run.
//
// The library is looked for on the first library call only, so a program set to the console method never
// loads it. If the file or one of the functions the module calls is missing, one message says what is missing
// and every library call of the run does nothing: to the program it looks as if the world client never
// answered (no acknowledgement, no chat text), and nothing crashes.
#include "linkmodule/link_library_win.h"

#include <vector>

#include "linkmodule/link_texts.h"

namespace linkmodule {
namespace {

enum class Binding { NotTried, Bound, Unavailable };
Binding gBinding = Binding::NotTried;
HMODULE gModule = nullptr;
LinkLibraryFunctions gFunctions;

template <typename F>
void Lookup(const char* name, F& out, std::vector<std::string>& missing) {
    out = reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(gModule, name)));
    if (!out)
        missing.push_back(name);
}

void ShowUnavailable(const std::string& text, const std::string& caption) {
    HWND owner = GetActiveWindow();
    MessageBoxA(owner, text.c_str(), caption.c_str(),
                MB_OK | MB_ICONEXCLAMATION | (owner ? 0 : MB_TASKMODAL | MB_TOPMOST));
}

}  // namespace

const LinkLibraryFunctions* BoundLinkLibrary(const std::string& libraryName, const std::string& messageCaption) {
    if (gBinding == Binding::Bound)
        return &gFunctions;
    if (gBinding == Binding::Unavailable)
        return nullptr;
    // Decided before the message box: its modal loop may run another library call re-entrantly.
    gBinding = Binding::Unavailable;
    gModule = LoadLibraryA(libraryName.c_str());
    std::vector<std::string> missing;
    if (gModule) {
        Lookup("InitDDE", gFunctions.initDDE, missing);
        Lookup("KillDDE", gFunctions.killDDE, missing);
        Lookup("VorqRegister", gFunctions.registerName, missing);
        Lookup("VorqUnregister", gFunctions.unregisterName, missing);
        Lookup("VorqCommunicate", gFunctions.communicate, missing);
        Lookup("VorqGetAllText", gFunctions.getAllText, missing);
        if (missing.empty()) {
            gBinding = Binding::Bound;
            return &gFunctions;
        }
        // Kept loaded: a library that is there but incomplete stays out of use for the run either way.
        gFunctions = {};
    }
    ShowUnavailable(MissingLibraryMessage(libraryName, missing), messageCaption);
    return nullptr;
}

bool LinkLibraryLoaded() {
    return gModule != nullptr;
}

}  // namespace linkmodule
