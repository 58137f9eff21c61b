// The setup program as an operator gets it, under Wine: a silent per-user install puts exactly the shipped files
// into %LOCALAPPDATA%\Programs\Tumbleroo with Start-menu shortcuts that start in that folder, the binaries carry
// the release's version, manifest and icon; the installed game host speaks a command into the installed rehearsal
// world; the uninstaller keeps the saved game and the operator's files unless asked to remove them. And the shipped
// programs as the 64-bit zip holds them (SHIPPED-FOLDER, scripts/package.sh's staging folder of that zip): another
// program's private messages can make them neither crash, fail, press keys nor write a file.
//
//   installer_wine_test SETUP.EXE VERSION SHIPPED-FOLDER MACRO-FILE...
#include <windows.h>

#include <gtest/gtest.h>
#include <objidl.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "configurator/configurator_ids.h"
#include "configurator/configurator_layout.h"
#include "configurator/test_hook.h"
#include "host/host_ids.h"
#include "host/test_hook.h"
#include "host/tools/gorvath_remote_win.h"
#include "testing/program_harness_win.h"
#include "testing/world_harness_win.h"

namespace fs = std::filesystem;

namespace {

std::string g_setup;
std::string g_version;
std::string g_shipped;
std::vector<std::string> g_macros;

std::string Folder(int csidl) {
    char path[MAX_PATH] = {};
    SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path);
    return path;
}
fs::path InstallDir() {
    return fs::path(Folder(CSIDL_LOCAL_APPDATA)) / "Programs" / "Tumbleroo";
}
fs::path MenuDir() {
    return fs::path(Folder(CSIDL_PROGRAMS)) / "Tumbleroo";
}

std::set<std::string> FilesUnder(const fs::path& dir) {
    std::set<std::string> files;
    std::error_code error;
    for (auto it = fs::recursive_directory_iterator(dir, error); !error && it != fs::recursive_directory_iterator();
         it.increment(error))
        if (it->is_regular_file())
            files.insert(fs::relative(it->path(), dir).string());
    return files;
}

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// Runs "exe" with options written as they are: the setup program and its uninstaller take /S and /REMOVEDATA
// only unquoted. Returns the exit code, or -1 when it cannot start or does not end in time.
int RunUnquoted(const std::string& exe, const std::string& options, DWORD timeoutMs) {
    std::string commandLine = "\"" + exe + "\" " + options;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return -1;
    DWORD code = static_cast<DWORD>(-1);
    if (testwin::PumpUntil([&] { return WaitForSingleObject(process.hProcess, 0) == WAIT_OBJECT_0; }, timeoutMs))
        GetExitCodeProcess(process.hProcess, &code);
    else
        TerminateProcess(process.hProcess, 1);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return static_cast<int>(code);
}

bool UninstallKeyExists() {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tumbleroo", 0,
                      KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

// The uninstaller copies itself to the temporary folder and returns at once, while the copy goes on removing:
// this waits until the Start-menu folder, the uninstaller in the install folder and the registry entry are gone.
void Uninstall(const std::string& options) {
    const std::string uninstaller = (InstallDir() / "Uninstall.exe").string();
    ASSERT_EQ(RunUnquoted(uninstaller, "/S " + options, 60000), 0);
    EXPECT_TRUE(testwin::PumpUntil([] { return !fs::exists(InstallDir() / "Uninstall.exe") && !fs::exists(MenuDir()); },
                                   60000));
    EXPECT_TRUE(testwin::PumpUntil([] { return !UninstallKeyExists(); }, 10000));
}

struct Shortcut {
    std::string target;
    std::string arguments;
    std::string workingDirectory;
};

Shortcut ReadShortcut(const fs::path& lnk) {
    Shortcut s;
    IShellLinkW* link = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                reinterpret_cast<void**>(&link))))
        return s;
    IPersistFile* file = nullptr;
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
        if (SUCCEEDED(file->Load(lnk.wstring().c_str(), STGM_READ))) {
            wchar_t buffer[MAX_PATH * 2] = {};
            link->GetPath(buffer, MAX_PATH * 2, nullptr, 0);
            s.target = fs::path(buffer).string();
            link->GetArguments(buffer, MAX_PATH * 2);
            s.arguments = fs::path(buffer).string();
            link->GetWorkingDirectory(buffer, MAX_PATH * 2);
            s.workingDirectory = fs::path(buffer).string();
        }
        file->Release();
    }
    link->Release();
    return s;
}

std::string VersionString(const std::vector<char>& info, const char* name) {
    char* value = nullptr;
    UINT length = 0;
    const std::string key = std::string("\\StringFileInfo\\040904b0\\") + name;
    if (!VerQueryValueA(info.data(), key.c_str(), reinterpret_cast<void**>(&value), &length) || !value)
        return "";
    return std::string(value);
}

std::string ManifestOf(const fs::path& exe) {
    HMODULE module = LoadLibraryExA(exe.string().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!module)
        return "";
    std::string text;
    if (HRSRC res = FindResourceA(module, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24) /* RT_MANIFEST */))
        if (HGLOBAL data = LoadResource(module, res))
            text.assign(static_cast<const char*>(LockResource(data)), SizeofResource(module, res));
    FreeLibrary(module);
    return text;
}

bool HasIcon(const fs::path& exe) {
    HMODULE module = LoadLibraryExA(exe.string().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!module)
        return false;
    const bool found = FindResourceA(module, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(14) /* RT_GROUP_ICON */);
    FreeLibrary(module);
    return found;
}

WORD Machine(const fs::path& file) {
    const std::string bytes = ReadFile(file);
    if (bytes.size() < 0x40)
        return 0;
    const DWORD peOffset = *reinterpret_cast<const DWORD*>(bytes.data() + 0x3c);
    if (bytes.size() < peOffset + 6)
        return 0;
    return *reinterpret_cast<const WORD*>(bytes.data() + peOffset + 4);
}

class Installer : public ::testing::Test {
  protected:
    void SetUp() override {
        CoInitialize(nullptr);
        // A clean start: nothing of an earlier run in this prefix.
        std::error_code error;
        fs::remove_all(InstallDir(), error);
        fs::remove_all(MenuDir(), error);
    }
    void TearDown() override { CoUninitialize(); }
};

TEST_F(Installer, SilentInstallRunUninstallKeepsTheOperatorsFiles) {
    ASSERT_EQ(RunUnquoted(g_setup, "/S", 120000), 0);

    std::set<std::string> expected = {"Gorvath.exe",
                                      "Vantrel.exe",
                                      "zmvorq.dll",
                                      "Uninstall.exe",
                                      "GORVATH.TXT",
                                      "MACTITS.TXT",
                                      "OPERATOR-GUIDE.TXT",
                                      "CHANGES.txt",
                                      "Rehearsal\\ROOM.TXT",
                                      "Rehearsal\\worldsim.exe",
                                      "Rehearsal\\selfcheck.exe",
                                      "Rehearsal\\SELFCHECK.CMD"};
    for (const auto& m : g_macros)
        expected.insert(m);
    EXPECT_EQ(FilesUnder(InstallDir()), expected);
    EXPECT_TRUE(UninstallKeyExists());

    // The Start menu: each entry starts where its program keeps its files.
    const std::string dir = InstallDir().string();
    const struct {
        const char* name;
        std::string target, arguments, workingDirectory;
    } shortcuts[] = {
        {"Tumbleroo game host.lnk", dir + "\\Gorvath.exe", "", dir},
        {"Link configurator.lnk", dir + "\\Vantrel.exe", "", dir},
        {"Operator's guide.lnk", dir + "\\OPERATOR-GUIDE.TXT", "", dir},
        {"Uninstall Tumbleroo.lnk", dir + "\\Uninstall.exe", "", dir},
        {"Rehearsal world (stand-in world client).lnk", dir + "\\Rehearsal\\worldsim.exe", "--scenario ROOM.TXT",
         dir + "\\Rehearsal"},
        {"Self-check.lnk", dir + "\\Rehearsal\\SELFCHECK.CMD", "", dir + "\\Rehearsal"},
    };
    std::set<std::string> names;
    for (const auto& s : shortcuts) {
        names.insert(s.name);
        const Shortcut read = ReadShortcut(MenuDir() / s.name);
        EXPECT_EQ(read.target, s.target) << s.name;
        EXPECT_EQ(read.arguments, s.arguments) << s.name;
        EXPECT_EQ(read.workingDirectory, s.workingDirectory) << s.name;
    }
    EXPECT_EQ(FilesUnder(MenuDir()), names);

    // A 64-bit Windows gets the 64-bit programs; every binary carries the release's version information, and
    // the programs their manifest and icon.
    const struct {
        const char* file;
        bool program;
    } binaries[] = {{"Gorvath.exe", true},
                    {"Vantrel.exe", true},
                    {"zmvorq.dll", false},
                    {"Rehearsal\\worldsim.exe", true},
                    {"Rehearsal\\selfcheck.exe", true}};
    for (const auto& b : binaries) {
        const fs::path path = InstallDir() / b.file;
        EXPECT_EQ(Machine(path), IMAGE_FILE_MACHINE_AMD64) << b.file;
        const DWORD size = GetFileVersionInfoSizeA(path.string().c_str(), nullptr);
        ASSERT_GT(size, 0u) << b.file << " has no version information";
        std::vector<char> info(size);
        ASSERT_TRUE(GetFileVersionInfoA(path.string().c_str(), 0, size, info.data()));
        EXPECT_EQ(VersionString(info, "ProductName"), "Tumbleroo") << b.file;
        EXPECT_EQ(VersionString(info, "ProductVersion"), g_version) << b.file;
        EXPECT_EQ(VersionString(info, "FileVersion"), g_version) << b.file;
        EXPECT_EQ(VersionString(info, "OriginalFilename"), fs::path(b.file).filename().string()) << b.file;
        EXPECT_FALSE(VersionString(info, "FileDescription").empty()) << b.file;
        EXPECT_EQ(VersionString(info, "LegalCopyright").rfind("Copyright (C) ", 0), 0u) << b.file;
        if (b.program) {
            const std::string manifest = ManifestOf(path);
            EXPECT_NE(manifest.find("level=\"asInvoker\""), std::string::npos) << b.file;
            EXPECT_NE(manifest.find(">system</dpiAwareness>"), std::string::npos) << b.file;
            EXPECT_NE(manifest.find("<supportedOS Id=\"{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}\"/>"), std::string::npos)
                << b.file;
            EXPECT_NE(manifest.find("version=\"" + g_version + ".0\""), std::string::npos) << b.file;
        }
    }
    EXPECT_TRUE(HasIcon(InstallDir() / "Gorvath.exe"));
    EXPECT_TRUE(HasIcon(InstallDir() / "Vantrel.exe"));

    // The installed rehearsal world with its sample room, and the installed game host started in its folder:
    // "Ask_For_$" reaches the chat, and the room answers.
    {
        const fs::path rehearsal = InstallDir() / "Rehearsal";
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION world = {};
        std::string commandLine = "\"" + (rehearsal / "worldsim.exe").string() + "\" --scenario ROOM.TXT";
        ASSERT_TRUE(CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                   rehearsal.string().c_str(), &startup, &world));
        HWND worldWindow = nullptr;
        EXPECT_TRUE(
            testwin::PumpUntil([&] { return (worldWindow = FindWindowA(nullptr, "Pelmor 3.0")) != nullptr; }, 20000));
        {
            hostremote::Gorvath host((InstallDir() / "Gorvath.exe").string(), InstallDir().string());
            ASSERT_TRUE(host.ok()) << host.Error();
            EXPECT_TRUE(host.Run(IDM_ASKFORIT));
            EXPECT_TRUE(host.Run(IDM_GETIT));
            EXPECT_TRUE(host.Close());
        }
        const std::string log = ReadFile(rehearsal / "worldsim.log");
        EXPECT_NE(log.find("Please ESP a single $ to me to be put on the List."), std::string::npos) << log;
        EXPECT_NE(log.find("You are on the List."), std::string::npos) << log;
        if (worldWindow)
            PostMessageA(worldWindow, WM_CLOSE, 0, 0);
        if (WaitForSingleObject(world.hProcess, 20000) != WAIT_OBJECT_0)
            TerminateProcess(world.hProcess, 1);
        CloseHandle(world.hThread);
        CloseHandle(world.hProcess);
    }
    const std::string savedGame = ReadFile(InstallDir() / "GORVATH.SAV");
    ASSERT_FALSE(savedGame.empty()) << "the host saved no game";
    std::ofstream(InstallDir() / "SCONTROL.TXT", std::ios::binary) << "Pelmor 3.0\r\n0\r\n0\r\n0\r\n";

    // Uninstalling keeps the saved game, the settings, the texts and the host's support log; a new install finds
    // them unchanged.
    Uninstall("");
    std::set<std::string> kept = {"GORVATH.SAV", "SCONTROL.TXT", "GORVATH.TXT", "MACTITS.TXT", "GORVATH.LOG"};
    for (const auto& m : g_macros)
        kept.insert(m);
    testwin::PumpUntil([&] { return FilesUnder(InstallDir()) == kept; }, 30000);
    EXPECT_EQ(FilesUnder(InstallDir()), kept);
    ASSERT_EQ(RunUnquoted(g_setup, "/S", 120000), 0);
    EXPECT_EQ(ReadFile(InstallDir() / "GORVATH.SAV"), savedGame);

    // Asked to, it removes them too, and the folder with them.
    Uninstall("/REMOVEDATA");
    EXPECT_TRUE(testwin::PumpUntil([] { return !fs::exists(InstallDir()); }, 30000))
        << "left behind: " << ::testing::PrintToString(FilesUnder(InstallDir()));
}

// Each program's private message with the values up to 20, as any program on the desktop can send it: the host
// answers every value past its read-only queries (1 to 4) with 0 and still runs a command to its end afterwards; the
// configurator answers nothing, and a test it runs afterwards writes its status texts into no file the sender named.
// Neither crashes.
TEST(ShippedPrograms, AnswerNoTestMessageThatActs) {
    testwin::WorldProcess world({"--me", testwin::kMe});
    ASSERT_TRUE(world.ok());
    const testwin::Folder folder("shipped", {{"GORVATH.TXT", ReadFile(fs::path(g_shipped) / "GORVATH.TXT")},
                                             {"MACTITS.TXT", ReadFile(fs::path(g_shipped) / "MACTITS.TXT")}});
    const auto send = [](HWND window, UINT message, unsigned value, LPARAM argument) {
        DWORD_PTR answer = 99;
        EXPECT_TRUE(SendMessageTimeoutW(window, message, value, argument, SMTO_NORMAL, 5000, &answer)) << value;
        return answer;
    };
    {
        hostremote::Gorvath host(g_shipped + "\\Gorvath.exe", folder.path());
        ASSERT_TRUE(host.ok()) << host.Error();
        for (unsigned value = host::kHookFailNextMaintenanceCommand; value <= 20; ++value)
            EXPECT_EQ(send(host.Window(), RegisterWindowMessageA(host::kTestHookMessage), value, 0), 0u) << value;
        EXPECT_FALSE(host.Busy());
        EXPECT_TRUE(host.Run(IDM_ASKFORIT, 10000)) << "the host no longer runs a command";
        EXPECT_TRUE(host.Close());
    }
    {
        testwin::Program app(g_shipped + "\\Vantrel.exe", folder.path(), config::kWindowCaption);
        ASSERT_TRUE(app.ok());
        const ATOM file = GlobalAddAtomA(folder.Path("status.log").c_str());
        for (unsigned value = 1; value <= 20; ++value)
            EXPECT_EQ(send(app.Window(), RegisterWindowMessageA(config::kTestHookMessage), value, file), 0u) << value;
        GlobalDeleteAtom(file);
        app.Click(IDC_CONFIGURATOR_COMMAND2);  // a test that shows its statuses, then its result, in the status line
        EXPECT_TRUE(testwin::PumpUntil(
            [&] {
                return app.Ended() ||
                       folder.Read("VANTREL.LOG").value_or("").find("cmd    Manual Test") != std::string::npos;
            },
            60000))
            << "the configurator's DDE test did not end";
        EXPECT_FALSE(app.Ended());
    }
    EXPECT_FALSE(folder.Read("status.log")) << "the configurator wrote where another program told it to";
    EXPECT_FALSE(folder.Read("GORVATH.DMP"));
    EXPECT_FALSE(folder.Read("VANTREL.DMP"));
}

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (argc < 4) {
        fprintf(stderr, "usage: installer_wine_test SETUP.EXE VERSION SHIPPED-FOLDER MACRO-FILE...\n");
        return 2;
    }
    g_setup = argv[1];
    g_version = argv[2];
    g_shipped = argv[3];
    for (int i = 4; i < argc; ++i)
        g_macros.push_back(argv[i]);
    return RUN_ALL_TESTS();
}
