// main_win.cpp: worldsim.exe, the stand-in world client: WinMain and the App glue (see app_win.h).
#include "worldsim/app_win.h"

#include "common/escape.h"
#include "worldsim/command.h"
#include "worldsim/other_world_win.h"
#include "worldsim/protocol.h"
#include "worldsim/transcript.h"

#include <shellapi.h>

#include <algorithm>
#include <fstream>
#include <sstream>

namespace worldsim {
namespace {

std::uint64_t NowMs() {
    return GetTickCount64();
}

void ShowError(const std::string& what) {
    std::string text = what;
    const DWORD error = GetLastError();
    char* message = nullptr;
    if (error && FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                    FORMAT_MESSAGE_IGNORE_INSERTS,
                                nullptr, error, 0, reinterpret_cast<LPSTR>(&message), 0, nullptr)) {
        text += ": ";
        text += message;
        LocalFree(message);
    }
    MessageBoxA(nullptr, text.c_str(), std::string(kWindowTitle).c_str(), MB_OK | MB_ICONERROR);
}

std::vector<std::string> Arguments() {
    std::vector<std::string> args;
    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    for (int i = 1; argv && i < argc; ++i) {
        const int n = WideCharToMultiByte(CP_ACP, 0, argv[i], -1, nullptr, 0, nullptr, nullptr);
        std::string arg(static_cast<size_t>(std::max(n, 1)), '\0');
        WideCharToMultiByte(CP_ACP, 0, argv[i], -1, arg.data(), n, nullptr, nullptr);
        arg.resize(arg.size() - 1);
        args.push_back(arg);
    }
    LocalFree(argv);
    return args;
}

}  // namespace

App::App(WorldOptions options)
    : options_(std::move(options)), world_(options_.me, NowMs), dde_(*this, options_.dde), window_(*this) {}

int App::Run(HINSTANCE instance, int show) {
    if (!transcript_.Open(options_.transcript)) {
        ShowError("opening the transcript " + options_.transcript);
        return 3;
    }
    // The DDE server is up before the window can be found, and the scenario has run before anything from
    // outside is taken: DDE transactions and WM_COPYDATA only reach us once the message loop below runs.
    if (!dde_.Start()) {
        ShowError("starting the DDE server");
        return 1;
    }
    if (!window_.Create(instance, show)) {
        ShowError("creating the main window");
        return 1;
    }
    Apply({});
    RunScenario();
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}

// A scenario file that cannot be read is logged like a refused command and the world runs without it.
void App::RunScenario() {
    if (options_.scenario.empty())
        return;
    std::ifstream file(options_.scenario, std::ios::binary);
    if (!file) {
        transcript_.Write(FormatCtrl(false, "--scenario " + options_.scenario));
        return;
    }
    std::stringstream content;
    content << file.rdbuf();
    for (const auto& command : ScenarioCommands(content.str()))
        Control(command);
}

bool App::Control(std::string_view command) {
    CommandResult result = world_.Run(command);
    lastError_ = result.accepted ? "" : "refused \"" + std::string(command) + "\": " + result.error;
    Apply(std::move(result.effects));
    return result.accepted;
}

// A line with '|' is a command; any other text is said by the own avatar.
void App::OnInputLine(const std::string& line) {
    if (line.find('|') != std::string::npos)
        Control(line);
    else if (!line.empty())
        Control("say|" + common::EscapeBytes(world_.OwnAvatar()) + "|" + common::EscapeBytes(line));
}

bool App::OnConnect(const std::string& topic) {
    ConnectResult result = world_.Connect(topic);
    Apply(std::move(result.effects));
    return result.accepted;
}

// The hold fault: the transaction is taken and never answered, while the world goes on as usual.
bool App::Holds(const std::string& topic) {
    Effects fx;
    if (!world_.Holds(topic, fx))
        return false;
    Apply(std::move(fx));
    return true;
}

// The lag and slow faults hold the caller inside its poke: the world is "busy" while not in front.
bool App::OnPoke(const std::string& topic, const std::string& item, const std::string& block) {
    const bool foreground = Foreground();
    if (const int lag = world_.LagMs(topic, foreground))
        Sleep(static_cast<DWORD>(lag));
    PokeResult result = world_.Poke(topic, item, block, foreground);
    Apply(std::move(result.effects));
    return result.handled;
}

std::optional<std::string> App::OnRequest(const std::string& topic, const std::string& item) {
    if (const int lag = world_.LagMs(topic, Foreground()))
        Sleep(static_cast<DWORD>(lag));
    RequestResult result = world_.Request(topic, item, Foreground());
    Apply(std::move(result.effects));
    return result.reply;
}

// Pokes back to programs wait in the outbox and leave from the window procedure: a program is usually still
// inside its own poke or disconnect when its acknowledgement is made, and DDEML calls may not be nested in
// our DDE callback. May be entered again from inside its own DDEML call; the outer loop then carries on.
void App::DeliverDue() {
    deliverPosted_ = false;
    if (delivering_)
        return;
    delivering_ = true;
    for (;;) {
        const std::uint64_t now = NowMs();
        auto next = std::min_element(outbox_.begin(), outbox_.end(), [](const Pending& a, const Pending& b) {
            return a.due != b.due ? a.due < b.due : a.seq < b.seq;
        });
        if (next == outbox_.end() || next->due > now)
            break;
        const OutgoingPoke poke = std::move(next->poke);
        outbox_.erase(next);
        transcript_.Write(Carry(poke));
    }
    delivering_ = false;
    ScheduleDelivery();
}

// One outgoing action, done now; returns its transcript line.
std::string App::Carry(const OutgoingPoke& poke) {
    switch (poke.kind) {
        case OutgoingPoke::Kind::Ack:
            return FormatAck(poke.service, dde_.Poke(poke.service, std::string(kTopicAck), poke.block), poke.text);
        case OutgoingPoke::Kind::Receive:
            return FormatReceive(poke.service, dde_.Poke(poke.service, std::string(kTopicReceive), poke.block),
                                 poke.block);
        case OutgoingPoke::Kind::Raw:
            return FormatPoke(poke.service, poke.topic, dde_.Poke(poke.service, poke.topic, poke.block), poke.block);
        case OutgoingPoke::Kind::Peer:
            return FormatPeer(poke.service, poke.topic, dde_.Probe(poke.service, poke.topic));
    }
    return FormatCtrl(false, "unknown outgoing action");
}

void App::RunScheduled() {
    Apply(world_.RunDue());
}

// What was still waiting to be poked when the world closes never arrives.
void App::Shutdown() {
    for (const auto& pending : outbox_) {
        const auto& poke = pending.poke;
        switch (poke.kind) {
            case OutgoingPoke::Kind::Ack:
                transcript_.Write(FormatAck(poke.service, false, poke.text));
                break;
            case OutgoingPoke::Kind::Receive:
                transcript_.Write(FormatReceive(poke.service, false, poke.block));
                break;
            case OutgoingPoke::Kind::Raw:
                transcript_.Write(FormatPoke(poke.service, poke.topic, false, poke.block));
                break;
            case OutgoingPoke::Kind::Peer:
                transcript_.Write(FormatPeer(poke.service, poke.topic, false));
                break;
        }
    }
    outbox_.clear();
    dde_.Stop();
}

void App::Apply(Effects fx) {
    for (const auto& line : fx.transcript)
        transcript_.Write(line);
    // The die fault: gone as a crash or a kill would leave, inside the transaction, with nothing answered,
    // unregistered or cleaned up. The transcript lines are on disk already (one WriteFile each).
    if (fx.die)
        TerminateProcess(GetCurrentProcess(), kDiedExitCode);
    const std::uint64_t now = NowMs();
    for (auto& poke : fx.pokes)
        outbox_.push_back({now + static_cast<std::uint64_t>(std::max(poke.delayMs, 0)), nextSeq_++, std::move(poke)});
    if (!fx.pokes.empty())
        ScheduleDelivery();
    if (fx.quit)
        PostMessageW(window_.hwnd(), WM_CLOSE, 0, 0);  // not now: we may be inside a DDEML call
    window_.ShowChat(world_);
    window_.ShowStatus(world_.StatusText() + (lastError_.empty() ? "" : " | " + lastError_));
    ScheduleCommands();
}

void App::ScheduleDelivery() {
    if (outbox_.empty() || delivering_)
        return;
    std::uint64_t due = outbox_.front().due;
    for (const auto& pending : outbox_)
        due = std::min(due, pending.due);
    const std::uint64_t now = NowMs();
    if (due <= now) {
        if (!deliverPosted_)
            deliverPosted_ = PostMessageW(window_.hwnd(), kMsgDeliver, 0, 0) != FALSE;
    } else {
        SetTimer(window_.hwnd(), kTimerDeliver, static_cast<UINT>(due - now), nullptr);
    }
}

void App::ScheduleCommands() {
    const auto due = world_.NextDue();
    if (!due) {
        KillTimer(window_.hwnd(), kTimerScheduled);
        return;
    }
    const std::uint64_t now = NowMs();
    SetTimer(window_.hwnd(), kTimerScheduled, static_cast<UINT>(*due > now ? *due - now : 0), nullptr);
}

bool App::Foreground() const {
    return window_.hwnd() && GetForegroundWindow() == window_.hwnd();
}

}  // namespace worldsim

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
    const auto parse = worldsim::ParseWorldOptions(worldsim::Arguments());
    if (!parse.options) {
        const std::string usage = parse.error + "\n\nworldsim.exe [--me NAME] [--scenario FILE] [--transcript FILE]";
        MessageBoxA(nullptr, usage.c_str(), std::string(worldsim::kWindowTitle).c_str(), MB_OK | MB_ICONERROR);
        return 2;
    }
    // Never beside a world client: its window title and DDE service are the ones this program would take.
    if (const std::string other = worldsim::OtherWorldClient(); !other.empty()) {
        MessageBoxA(nullptr, worldsim::RefusalMessage(other).c_str(), worldsim::kRefusalCaption,
                    MB_OK | MB_ICONERROR);
        return 4;
    }
    try {
        worldsim::App app(*parse.options);
        return app.Run(instance, show);
    } catch (const std::exception& e) {
        MessageBoxA(nullptr, e.what(), std::string(worldsim::kWindowTitle).c_str(), MB_OK | MB_ICONERROR);
        return 1;
    }
}
