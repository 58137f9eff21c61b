// zmvorq.dll as a program built elsewhere calls it: every export found by its plain name and called through the
// raw stack, and the three callbacks called back with their arguments intact. On 32-bit x86, where a function
// either removes its own arguments (WINAPI) or leaves them to the caller, each call also measures how many bytes
// of its arguments were still on the stack when it returned: none, for every export.
#include <windows.h>

#include <ddeml.h>
#include <gtest/gtest.h>
#include <oleauto.h>

#include <cstdint>
#include <string>
#include <type_traits>
#include <vector>

#include "linklib/zmvorq.h"
#include "testing/world_harness_win.h"

namespace {

#if defined(__i386__)
// The callbacks remove their own arguments too; the library is compiled against these same types.
static_assert(std::is_same_v<ProcessAckDataProc, LONG(__stdcall*)(BSTR)>);
static_assert(std::is_same_v<ProcessReceiveDataProc, LONG(__stdcall*)(BSTR, LONG, BSTR)>);
static_assert(std::is_same_v<ProcessGetAllTextDataProc, LONG(__stdcall*)(BSTR)>);

struct RawResult {
    uint32_t value;
    uint32_t bytesLeft;  // argument bytes still on the stack after the call returned
};

// Pushes args right to left, calls fn, and measures the stack on return before putting it back as it was.
RawResult CallRaw(FARPROC fn, const std::vector<uint32_t>& args) {
    uint32_t value;
    uint32_t count = static_cast<uint32_t>(args.size());
    const uint32_t* words = args.data();
    asm volatile(
        "movl %%esp, %%edi\n\t"
        "1:\n\t"
        "testl %%ecx, %%ecx\n\t"
        "jz 2f\n\t"
        "pushl -4(%%edx,%%ecx,4)\n\t"
        "decl %%ecx\n\t"
        "jmp 1b\n"
        "2:\n\t"
        "call *%%esi\n\t"
        "movl %%edi, %%ecx\n\t"
        "subl %%esp, %%ecx\n\t"
        "movl %%edi, %%esp\n\t"
        : "=a"(value), "+c"(count), "+d"(words)
        : "S"(fn)
        : "edi", "memory", "cc");
    return {value, count};
}

template <typename T>
uint32_t Word(T v) {
    if constexpr (std::is_pointer_v<T>)
        return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(v));
    else
        return static_cast<uint32_t>(v);
}
#endif

// Calls the export `name` of dll as a function of type F (the header's declaration) with args.
template <typename F, typename... A>
LONG Call(HMODULE dll, const char* name, A... args) {
    const FARPROC p = GetProcAddress(dll, name);
    if (!p) {
        ADD_FAILURE() << name << " is not exported";
        return -12345;
    }
#if defined(__i386__)
    const RawResult r = CallRaw(p, {Word(args)...});
    EXPECT_EQ(r.bytesLeft, 0u) << name << " left its arguments on the stack: it does not clean up as WINAPI does";
    return static_cast<LONG>(r.value);
#else
    const auto fn = reinterpret_cast<F>(reinterpret_cast<void*>(p));
    if constexpr (std::is_void_v<std::invoke_result_t<F, A...> >) {
        fn(args...);
        return 0;
    } else {
        return fn(args...);
    }
#endif
}

std::string Take(BSTR s) {
    std::string text(reinterpret_cast<const char*>(s), SysStringByteLen(s));
    SysFreeString(s);
    return text;
}

std::vector<std::string> acks;
std::vector<std::string> receives;
std::vector<std::string> allTexts;

LONG WINAPI OnAck(BSTR code) {
    acks.push_back(Take(code));
    return 0;
}
LONG WINAPI OnReceive(BSTR sender, LONG length, BSTR data) {
    receives.push_back(Take(sender) + "|" + std::to_string(length) + "|" + Take(data));
    return 0;
}
LONG WINAPI OnAllText(BSTR text) {
    allTexts.push_back(Take(text));
    return 0;
}

bool WaitFor(const std::vector<std::string>& v, size_t n) {
    return testwin::PumpUntil([&] { return v.size() >= n; }, 10000);
}

#if defined(__i386__)
// The probe itself: it tells a callee-cleans system function from a caller-cleans C library one.
TEST(ZmvorqAbi, TheStackProbeTellsTheTwoConventionsApart) {
    HMODULE user32 = GetModuleHandleA("user32.dll");
    HMODULE msvcrt = LoadLibraryA("msvcrt.dll");
    ASSERT_NE(user32, nullptr);
    ASSERT_NE(msvcrt, nullptr);
    const RawResult isWindow = CallRaw(GetProcAddress(user32, "IsWindow"), {0});  // BOOL WINAPI IsWindow(HWND)
    EXPECT_EQ(isWindow.value, 0u);
    EXPECT_EQ(isWindow.bytesLeft, 0u);
    const RawResult labs = CallRaw(GetProcAddress(msvcrt, "labs"), {static_cast<uint32_t>(-7)});  // long labs(long)
    EXPECT_EQ(labs.value, 7u);
    EXPECT_EQ(labs.bytesLeft, 4u);
}
#endif

TEST(ZmvorqAbi, EveryExportByPlainNameAndTheCallbacksComeBackWhole) {
    HMODULE dll = LoadLibraryA("zmvorq.dll");
    ASSERT_NE(dll, nullptr);
    // Only the plain names: neither the argument-size spelling nor the underscore spelling is exported.
    const struct {
        const char* name;
        int argumentBytes;
    } exports[] = {{"InitDDE", 16},       {"KillDDE", 0},          {"DDECommand", 24}, {"VorqRegister", 4},
                   {"VorqUnregister", 4}, {"VorqCommunicate", 16}, {"VorqSend", 16},   {"VorqGetAllText", 4}};
    for (const auto& e : exports) {
        const std::string decorated = std::string(e.name) + "@" + std::to_string(e.argumentBytes);
        EXPECT_NE(GetProcAddress(dll, e.name), nullptr) << e.name;
        EXPECT_EQ(GetProcAddress(dll, decorated.c_str()), nullptr) << decorated;
        EXPECT_EQ(GetProcAddress(dll, ("_" + decorated).c_str()), nullptr) << "_" << decorated;
    }

    testwin::WorldProcess world({"--me", "Marla"});
    ASSERT_TRUE(world.ok());
    ASSERT_TRUE(world.Control("avatar|Ann"));
    ASSERT_EQ((Call<decltype(&InitDDE)>(dll, "InitDDE", "Tumbleroo", &OnAck, &OnReceive, &OnAllText)), 0);
    Call<decltype(&VorqRegister)>(dll, "VorqRegister", "Tumbleroo");
    ASSERT_TRUE(WaitFor(acks, 1));
    Call<decltype(&VorqCommunicate)>(dll, "VorqCommunicate", "Tumbleroo", 0L, "", "hello");
    ASSERT_TRUE(WaitFor(acks, 2));

    const char data[] = "ab\fcd";
    Call<decltype(&VorqSend)>(dll, "VorqSend", "Tumbleroo", "Ann", 5L, reinterpret_cast<const BYTE*>(data));
    ASSERT_TRUE(WaitFor(acks, 3));
    // Data that a second program sends to our avatar comes back through the receive callback, whole.
    EXPECT_EQ(testwin::RunAndWait(testwin::BinaryDirectory() + "linkdemo.exe",
                                  {"--name", "Second", "register", "send:Marla:ab\\x0ccd", "unregister"}, 30000),
              0);
    ASSERT_TRUE(WaitFor(receives, 1));
    EXPECT_EQ(receives[0], "Marla|5|ab\fcd");

    Call<decltype(&VorqGetAllText)>(dll, "VorqGetAllText", "Tumbleroo");
    ASSERT_EQ(allTexts.size(), 1u);
    EXPECT_NE(allTexts[0].find("Marla: hello\r\n"), std::string::npos) << allTexts[0];
    EXPECT_EQ((Call<decltype(&DDECommand)>(dll, "DDECommand", static_cast<UINT>(XTYP_REQUEST), "Zelmarink",
                                           "Zelmarink_GetAllText", "Tumbleroo", 0L, static_cast<const BYTE*>(nullptr))),
              0);
    ASSERT_EQ(allTexts.size(), 2u);
    EXPECT_EQ(allTexts[1], allTexts[0]);

    Call<decltype(&VorqUnregister)>(dll, "VorqUnregister", "Tumbleroo");
    ASSERT_TRUE(WaitFor(acks, 4));
    EXPECT_EQ(acks, (std::vector<std::string>{"0", "0", "0", "0"}));
    EXPECT_NE(Call<decltype(&KillDDE)>(dll, "KillDDE"), 0);
    FreeLibrary(dll);
}

}  // namespace
