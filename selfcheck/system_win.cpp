// system_win.cpp: the facts at the head of SELFCHECK.TXT and the check of the program files (see system_win.h).
// Reads the registry's Windows version, the screen's DPI and the files' headers and version resources; writes
// nothing.
#include "selfcheck/system_win.h"

#include <fstream>

#include "tumbleroo_version.h"

namespace selfcheck {
namespace {

// A function of a system library that older Windows versions lack; nullptr then.
template <typename F>
F SystemFunction(const char* library, const char* name) {
    return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA(library), name)));
}

struct ProgramFile {
    const char* label;  // as the report names it
    bool inRehearsal;   // beside selfcheck.exe, not in the programs' folder
    bool ofOneBitness;  // must match Gorvath.exe's bitness (the programs and the library they load)
};
constexpr ProgramFile kFiles[] = {
    {"Gorvath.exe", false, true},  {"Vantrel.exe", false, true},   {"zmvorq.dll", false, true},
    {"worldsim.exe", true, false}, {"selfcheck.exe", true, false},
};

std::string PathOf(const Layout& layout, const ProgramFile& f) {
    return (f.inRehearsal ? layout.rehearsal : layout.programs) + f.label;
}

// The machine a Windows binary is built for, from its PE header: "64-bit", "32-bit", "ARM64"; empty when the file
// is missing or no Windows binary.
std::string Bitness(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    char header[1024] = {};
    in.read(header, sizeof header);
    if (in.gcount() < 0x40 || header[0] != 'M' || header[1] != 'Z')
        return {};
    DWORD pe = 0;
    memcpy(&pe, header + 0x3c, sizeof pe);
    if (pe > sizeof header - 6 || memcmp(header + pe, "PE\0\0", 4) != 0)
        return {};
    WORD machine = 0;
    memcpy(&machine, header + pe + 4, sizeof machine);
    switch (machine) {
        case IMAGE_FILE_MACHINE_AMD64:
            return "64-bit";
        case IMAGE_FILE_MACHINE_I386:
            return "32-bit";
        case 0xAA64:
            return "ARM64";
    }
    return "machine " + std::to_string(machine);
}

// The FileVersion text of a binary's version resource; empty when it has none.
std::string FileVersion(const std::string& path) {
    const DWORD size = GetFileVersionInfoSizeA(path.c_str(), nullptr);
    if (size == 0)
        return {};
    std::string info(size, '\0');
    char* value = nullptr;
    UINT length = 0;
    if (!GetFileVersionInfoA(path.c_str(), 0, size, info.data()) ||
        !VerQueryValueA(info.data(), "\\StringFileInfo\\040904b0\\FileVersion", reinterpret_cast<void**>(&value),
                        &length) ||
        !value)
        return {};
    return value;
}

std::string RegistryText(const char* name) {
    char value[256] = {};
    DWORD size = sizeof value;
    if (RegGetValueA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", name, RRF_RT_REG_SZ,
                     nullptr, value, &size) != ERROR_SUCCESS)
        return {};
    return value;
}

// "Windows 10 Pro 22H2, 10.0.19045, 64-bit", from the kernel's own numbers (which no compatibility setting changes)
// and the registry's product name; under Wine, its version too.
std::string WindowsText() {
    OSVERSIONINFOW v = {};
    v.dwOSVersionInfoSize = sizeof v;
    using RtlGetVersionFn = LONG(WINAPI*)(OSVERSIONINFOW*);
    if (auto get = SystemFunction<RtlGetVersionFn>("ntdll.dll", "RtlGetVersion"))
        get(&v);
    std::string text = RegistryText("ProductName");
    const std::string release = RegistryText("DisplayVersion");
    if (!release.empty())
        text += " " + release;
    text += (text.empty() ? "" : ", ") + std::to_string(v.dwMajorVersion) + "." + std::to_string(v.dwMinorVersion) +
            "." + std::to_string(v.dwBuildNumber);
    SYSTEM_INFO system = {};
    GetNativeSystemInfo(&system);
    const WORD arch = system.wProcessorArchitecture;
    text += arch == PROCESSOR_ARCHITECTURE_AMD64 || arch == 12 /* ARM64 */ ? ", 64-bit" : ", 32-bit";
    using WineVersionFn = const char*(CDECL*)();
    if (auto wine = SystemFunction<WineVersionFn>("ntdll.dll", "wine_get_version"))
        text += "; under Wine " + std::string(wine());
    return text;
}

// The system's DPI, as a DPI-aware program sees it (this one is, by its manifest).
std::string ScreenText() {
    UINT dpi = 0;
    using GetDpiForSystemFn = UINT(WINAPI*)();
    if (auto get = SystemFunction<GetDpiForSystemFn>("user32.dll", "GetDpiForSystem"))
        dpi = get();
    if (dpi == 0) {
        const HDC screen = GetDC(nullptr);
        dpi = static_cast<UINT>(GetDeviceCaps(screen, LOGPIXELSX));
        ReleaseDC(nullptr, screen);
    }
    return std::to_string(dpi) + " DPI (" + std::to_string(dpi * 100 / 96) + " %), " +
           std::to_string(GetSystemMetrics(SM_CXSCREEN)) + " x " + std::to_string(GetSystemMetrics(SM_CYSCREEN)) +
           " pixels";
}

}  // namespace

std::string ErrorText(DWORD error) {
    char* text = nullptr;
    FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                   error, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string out = text ? text : "";
    LocalFree(text);
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r' || out.back() == ' ' || out.back() == '.'))
        out.pop_back();
    return out + " (error " + std::to_string(error) + ")";
}

std::vector<std::string> SystemFacts(const Layout& layout) {
    SYSTEMTIME now;
    GetLocalTime(&now);
    char when[64];
    snprintf(when, sizeof when, "%04u-%02u-%02u %02u:%02u:%02u", now.wYear, now.wMonth, now.wDay, now.wHour,
             now.wMinute, now.wSecond);
    std::vector<std::string> facts = {
        std::string("TUMBLEROO SELF-CHECK ") + TUMBLEROO_VERSION_TEXT,
        std::string("Run at:    ") + when + " (this PC's time)",
        "Windows:   " + WindowsText(),
        "Screen:    " + ScreenText(),
        "Programs:  " + layout.programs,
        "Scratch:   " + layout.scratch + " (the self-check's own files; your saved game and settings are not used)",
    };
    for (const auto& f : kFiles) {
        const std::string path = PathOf(layout, f);
        const std::string bits = Bitness(path);
        const std::string version = FileVersion(path);
        std::string line = std::string("  ") + (f.inRehearsal ? "Rehearsal\\" : "") + f.label + ": ";
        line +=
            bits.empty() ? "missing or not a Windows program" : bits + ", version " + (version.empty() ? "?" : version);
        if (std::string(f.label) == "worldsim.exe")
            line += " (the stand-in world)";
        facts.push_back(line);
    }
    return facts;
}

StepResult CheckProgramFiles(const Layout& layout) {
    StepResult r;
    const std::string hostBits = Bitness(layout.programs + "Gorvath.exe");
    std::vector<std::string> problems;
    for (const auto& f : kFiles) {
        const std::string path = PathOf(layout, f);
        const std::string bits = Bitness(path);
        const std::string version = FileVersion(path);
        if (bits.empty())
            problems.push_back(std::string(f.label) + " is missing or not a Windows program");
        else if (f.ofOneBitness && bits != hostBits)
            problems.push_back(std::string(f.label) + " is " + bits + ", Gorvath.exe " + hostBits);
        else if (version != TUMBLEROO_VERSION_TEXT)
            problems.push_back(std::string(f.label) + " is version " + (version.empty() ? "?" : version) +
                               ", this self-check " + TUMBLEROO_VERSION_TEXT);
    }
    if (GetFileAttributesA((layout.rehearsal + "ROOM.TXT").c_str()) == INVALID_FILE_ATTRIBUTES)
        problems.push_back("Rehearsal\\ROOM.TXT is missing");
    for (const auto& p : problems)
        r.why += (r.why.empty() ? "" : "; ") + p;
    r.ok = problems.empty();
    if (r.ok)
        r.why = "all there, the programs " + hostBits + ", version " + TUMBLEROO_VERSION_TEXT;
    return r;
}

}  // namespace selfcheck
