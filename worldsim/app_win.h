// app_win.h: the world program's state and the glue between the World rules, the window, DDEML and the
// transcript. Owned by WinMain.
#pragma once

#include "worldsim/dde_server_win.h"
#include "worldsim/main_window_win.h"
#include "worldsim/options.h"
#include "worldsim/transcript_file_win.h"
#include "worldsim/world.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace worldsim {

// Exit code of a world ended by the die fault.
inline constexpr UINT kDiedExitCode = 9;

class App final : public DdeHandler {
public:
    explicit App(WorldOptions options);
    int Run(HINSTANCE instance, int show);

    // From the window.
    bool Control(std::string_view command);
    void OnInputLine(const std::string& line);
    void DeliverDue();
    void RunScheduled();
    void Shutdown();
    bool Busy() const { return delivering_; }

    // From the DDE server.
    bool OnConnect(const std::string& topic) override;
    bool Holds(const std::string& topic) override;
    bool OnPoke(const std::string& topic, const std::string& item, const std::string& block) override;
    std::optional<std::string> OnRequest(const std::string& topic, const std::string& item) override;

private:
    struct Pending {
        std::uint64_t due;
        std::uint64_t seq;
        OutgoingPoke poke;
    };

    void Apply(Effects fx);
    std::string Carry(const OutgoingPoke& poke);
    void ScheduleDelivery();
    void ScheduleCommands();
    void RunScenario();
    bool Foreground() const;

    WorldOptions options_;
    World world_;
    TranscriptFile transcript_;
    DdeServer dde_;
    MainWindow window_;
    std::vector<Pending> outbox_;
    std::uint64_t nextSeq_ = 0;
    bool delivering_ = false;
    bool deliverPosted_ = false;
    std::string lastError_;
};

}  // namespace worldsim
