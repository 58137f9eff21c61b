// zmvorq_partial.dll: a link library that lacks three of the functions the module calls, for the binding test.
#include <windows.h>

extern "C" {
__declspec(dllexport) LONG WINAPI InitDDE(LPCSTR, void*, void*, void*) {
    return 0;
}
__declspec(dllexport) LONG WINAPI KillDDE(void) {
    return 1;
}
__declspec(dllexport) void WINAPI VorqRegister(LPCSTR) {}
}
