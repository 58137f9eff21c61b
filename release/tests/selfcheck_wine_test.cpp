// The self-check as an operator runs it, under Wine: a copy of a zip's folder as package.sh staged it
// (SHIPPED-FOLDER), with an operator's own saved game and settings in it, and SELFCHECK.CMD run by the command
// interpreter in Rehearsal\ with nothing to read from (its closing pause returns at once). On a clean desktop every
// step passes, SELFCHECK.TXT holds the PC's facts, every step and the support logs, and the operator's files are
// as they were; beside a running world client it fails at once, saying why, and starts nothing; beside a program
// that serves the world's DDE service, each world's start fails with the stand-in's own message and its steps are
// not run.
//
//   selfcheck_wine_test SHIPPED-FOLDER VERSION BITNESS     (BITNESS: the package's, "64-bit" or "32-bit")
#include <windows.h>

#include <ddeml.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "testing/program_harness_win.h"
#include "testing/world_harness_win.h"

namespace fs = std::filesystem;

namespace {

std::string g_shipped;
std::string g_version;
std::string g_bitness;

constexpr char kOperatorSettings[] = "Pelmor 3.0\r\n1\r\n0\r\n0\r\n";
constexpr char kOperatorGame[] = "Zed\r\nYan\r\n\r\nXia\r\n";

// Runs SELFCHECK.CMD in `rehearsal` with stdin from NUL and its output into console.txt beside it; every process it
// starts is ended with it when it does not end within timeoutMs. The exit code, or -1.
int RunSelfCheck(const std::string& rehearsal, DWORD timeoutMs) {
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE in =
        CreateFileA("NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0, nullptr);
    HANDLE out = CreateFileA((rehearsal + "\\console.txt").c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                             CREATE_ALWAYS, 0, nullptr);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = in;
    startup.hStdOutput = out;
    startup.hStdError = out;
    HANDLE job = CreateJobObjectA(nullptr, nullptr);
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits);
    std::string commandLine = "cmd.exe /c SELFCHECK.CMD";
    PROCESS_INFORMATION process = {};
    int code = -1;
    if (CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, TRUE, CREATE_SUSPENDED, nullptr,
                       rehearsal.c_str(), &startup, &process)) {
        AssignProcessToJobObject(job, process.hProcess);
        ResumeThread(process.hThread);
        DWORD exit = 0;
        if (testwin::PumpUntil([&] { return WaitForSingleObject(process.hProcess, 0) == WAIT_OBJECT_0; }, timeoutMs) &&
            GetExitCodeProcess(process.hProcess, &exit))
            code = static_cast<int>(exit);
        else
            ADD_FAILURE() << "SELFCHECK.CMD did not end within " << timeoutMs / 1000 << " s";
        TerminateJobObject(job, 99);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    CloseHandle(job);
    CloseHandle(in);
    CloseHandle(out);
    return code;
}

HDDEDATA CALLBACK AcceptEveryConnect(UINT type, UINT, HCONV, HSZ, HSZ, HDDEDATA, ULONG_PTR, ULONG_PTR) {
    return reinterpret_cast<HDDEDATA>(type == XTYP_CONNECT ? TRUE : FALSE);
}

// A program serving the world's DDE service without a world's window, as a world client still starting might: the
// stand-in refuses to start beside it.
class WorldService {
  public:
    WorldService() {
        DdeInitializeA(&instance_, AcceptEveryConnect, APPCLASS_STANDARD, 0);
        service_ = DdeCreateStringHandleA(instance_, "Zelmarink", CP_WINANSI);
        DdeNameService(instance_, service_, nullptr, DNS_REGISTER);
    }
    ~WorldService() {
        DdeNameService(instance_, service_, nullptr, DNS_UNREGISTER);
        DdeFreeStringHandle(instance_, service_);
        DdeUninitialize(instance_);
    }

  private:
    DWORD instance_ = 0;
    HSZ service_ = nullptr;
};

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line.substr(0, line.find('\r')));
    return lines;
}

TEST(SelfCheck, PassesOnACleanDesktopAndFailsAtOnceBesideAWorldClient) {
    enum class Beside { Nothing, World, WorldService };
    const struct {
        const char* row;
        Beside beside;
        int exitCode;
        std::vector<std::string> steps;  // "PASS name" / "FAIL name", in order
    } rows[] = {
        {"clean",
         Beside::Nothing,
         0,
         {"PASS the program files", "PASS nothing else running", "PASS default world: start (worldsim.exe)",
          "PASS default world: scripted game, library method", "PASS default world: scripted game, console method",
          "PASS default world: auto configuration", "PASS default world: stop",
          "PASS DDEML-only world: start (worldsim.exe --dde ddeml)",
          "PASS DDEML-only world: scripted game, library method",
          "PASS DDEML-only world: scripted game, console method", "PASS DDEML-only world: auto configuration",
          "PASS DDEML-only world: stop"}},
        {"a world client runs", Beside::World, 1, {"PASS the program files", "FAIL nothing else running"}},
        {"a program serves the world's DDE service",
         Beside::WorldService,
         1,
         {"PASS the program files", "PASS nothing else running", "FAIL default world: start (worldsim.exe)",
          "FAIL default world: scripted game, library method", "FAIL default world: scripted game, console method",
          "FAIL default world: auto configuration", "FAIL DDEML-only world: start (worldsim.exe --dde ddeml)",
          "FAIL DDEML-only world: scripted game, library method",
          "FAIL DDEML-only world: scripted game, console method", "FAIL DDEML-only world: auto configuration"}},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.row);
        const testwin::Folder folder("selfcheck");
        fs::copy(g_shipped, folder.path(), fs::copy_options::recursive);
        ASSERT_TRUE(folder.Write("SCONTROL.TXT", kOperatorSettings));
        ASSERT_TRUE(folder.Write("GORVATH.SAV", kOperatorGame));
        std::optional<testwin::WorldProcess> world;
        std::optional<WorldService> service;
        if (r.beside == Beside::World) {
            world.emplace(std::vector<std::string>{"--me", testwin::kMe});
            ASSERT_TRUE(world->ok());
        } else if (r.beside == Beside::WorldService) {
            service.emplace();
        }
        const std::string rehearsal = folder.Path("Rehearsal");
        const DWORD start = GetTickCount();
        EXPECT_EQ(RunSelfCheck(rehearsal, 900000), r.exitCode) << folder.Read("Rehearsal\\console.txt").value_or("");
        const std::string report = folder.Read("Rehearsal\\SELFCHECK.TXT").value_or("");
        ASSERT_FALSE(report.empty()) << "no SELFCHECK.TXT";

        // The facts: the version, Windows, the screen, each program's bitness.
        const auto lines = Lines(report);
        EXPECT_EQ(lines.at(0), "TUMBLEROO SELF-CHECK " + g_version);
        EXPECT_TRUE(std::regex_search(report, std::regex("\nWindows: +.*[0-9]+\\.[0-9]+\\.[0-9]+, (64|32)-bit")));
        EXPECT_TRUE(std::regex_search(report, std::regex("\nScreen: +[0-9]+ DPI")));
        for (const char* program :
             {"Gorvath.exe", "Vantrel.exe", "zmvorq.dll", "Rehearsal\\worldsim.exe", "Rehearsal\\selfcheck.exe"})
            EXPECT_NE(report.find(std::string("  ") + program + ": " + g_bitness + ", version " + g_version),
                      std::string::npos)
                << program;

        // One line per step, in order, each with its time; after the step's name, a colon and why or what it found.
        std::vector<std::string> steps;
        const std::regex step("^(PASS|FAIL) +[0-9]+\\.[0-9] s  (.*)$");
        for (const auto& line : lines) {
            std::smatch m;
            if (std::regex_match(line, m, step))
                steps.push_back(m[1].str() + " " + m[2].str());
        }
        ASSERT_EQ(steps.size(), r.steps.size()) << report;
        for (size_t i = 0; i < steps.size(); ++i)
            EXPECT_TRUE(steps[i] == r.steps[i] || steps[i].starts_with(r.steps[i] + ": ")) << steps[i];
        if (r.beside == Beside::World) {
            EXPECT_NE(report.find("a world client is running (a window \"Pelmor 3.0\" is open)"), std::string::npos);
            EXPECT_LT(GetTickCount() - start, 30000u) << "a refusal must not wait";
            EXPECT_TRUE(world->Control("say|Marla|still here")) << "the running world was disturbed";
        } else if (r.beside == Beside::WorldService) {
            // The stand-in's own message, answered by the self-check, and every later step of that world not run.
            EXPECT_NE(report.find("worldsim.exe ended with code 4 (it refuses to start beside a world client): "),
                      std::string::npos);
            EXPECT_NE(report.find("a program answers on the DDE service Zelmarink"), std::string::npos);
            EXPECT_NE(report.find("default world: auto configuration: not run: the world is not running"),
                      std::string::npos);
            EXPECT_LT(GetTickCount() - start, 60000u) << "a refusal must not wait";
        } else {
            // The support logs of what ran, and the configurator's result.
            EXPECT_NE(report.find("\r\n== GORVATH.LOG"), std::string::npos);
            EXPECT_NE(report.find("cmd    Ask_For_$"), std::string::npos);
            EXPECT_NE(report.find("\r\n== VANTREL.LOG"), std::string::npos);
            EXPECT_NE(report.find("cmd    Auto Configuration: \"DDE Method Successful\""), std::string::npos);
        }
        // The operator's files: untouched, and nothing new beside them.
        EXPECT_EQ(folder.Read("SCONTROL.TXT"), kOperatorSettings);
        EXPECT_EQ(folder.Read("GORVATH.SAV"), kOperatorGame);
        for (const char* name : {"GORVATH.BAK", "GORVATH.LOG", "VANTREL.LOG", "Rehearsal\\worldsim.log"})
            EXPECT_FALSE(folder.Read(name)) << name;
    }
}

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (argc != 4) {
        fprintf(stderr, "usage: selfcheck_wine_test SHIPPED-FOLDER VERSION BITNESS\n");
        return 2;
    }
    g_shipped = argv[1];
    g_version = argv[2];
    g_bitness = argv[3];
    return RUN_ALL_TESTS();
}
