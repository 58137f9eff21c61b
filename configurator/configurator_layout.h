// configurator_layout.h: ConfiguratorWindow as plain data: caption, client size, colours, fonts, the control
// table in twips (table order is tab order) and which command each button runs.
#pragma once

#include <cstdint>
#include <optional>

#include "common/layout.h"
#include "configurator/configurator_ids.h"

namespace config {

inline constexpr char kWindowCaption[] = "Zobek's System Configurator";
inline constexpr char kWindowClassName[] = "VantrelConfigurator";
inline constexpr int kClientWidthTwips = 3885;
inline constexpr int kClientHeightTwips = 5565;
inline constexpr int kWindowFontHundredthsOfPoint = 825;          // MS Sans Serif 8.25 pt bold
inline constexpr int kManualSecondsFontHundredthsOfPoint = 1200;  // MS Sans Serif 12 pt bold

struct Rgb {
    std::uint8_t red, green, blue;
};
inline constexpr Rgb kIdleColour{0, 255, 255};     // cyan: the window at rest
inline constexpr Rgb kBusyColour{255, 0, 0};       // red: a test is running
inline constexpr Rgb kPanelColour{192, 192, 192};  // CurrentSetting and LStatus

inline constexpr char kInstructionText[] =
    "Be sure That you have only one Pelmor Window up and running.  Also be sure that you are as an avatar and "
    "that your ESP is turned on.  This program will test your current setup for what would be the best settings "
    "for Zobek's host program to run with.  Press the Auto configuration to have the program test it all.  Use "
    "the Manual Test buttons if you want to control the configuration.";
inline constexpr char kClosingHint[] =
    "When you get a sucess message then just close this program and start your host program. ";

using common::ControlKind;
// Every label of this window is drawn centred and word-wrapped; the two panels also get a grey background and
// a single-line border (kPanelLabels).
// clang-format off
inline constexpr common::ControlSpec kConfiguratorControls[] = {
    // id                                kind                  caption                                 left   top  width height
    {IDC_CONFIGURATOR_LABEL1,           ControlKind::Label,   kInstructionText,                       120,  120, 3615, 2055},
    {IDC_CONFIGURATOR_CURRENT_SETTING,  ControlKind::Label,   "",                                     120, 2160, 3615,  495},
    {IDC_CONFIGURATOR_COMMAND1,         ControlKind::Button,  "Auto Configuration",                   120, 2760, 3615,  375},
    {IDC_CONFIGURATOR_LSTATUS,          ControlKind::Label,   "",                                     120, 4680, 3615,  255},
    {IDC_CONFIGURATOR_LABEL2,           ControlKind::Label,   kClosingHint,                           240, 4920, 3495,  615},
    {IDC_CONFIGURATOR_COMMAND2,         ControlKind::Button,  "Manual Test - DDE/No Focus",           120, 3240, 3615,  375},
    {IDC_CONFIGURATOR_COMMAND3,         ControlKind::Button,  "Manual Test - DDE/Use Focus Control",  120, 3720, 3615,  375},
    {IDC_CONFIGURATOR_COMMAND4,         ControlKind::Button,  "Manual Test - DLL with delay -->",     120, 4200, 3135,  375},
    {IDC_CONFIGURATOR_MANUAL_SECONDS,   ControlKind::TextBox, "0",                                   3360, 4200,  375,  375},
};
// clang-format on

inline constexpr int kPanelLabels[] = {IDC_CONFIGURATOR_CURRENT_SETTING, IDC_CONFIGURATOR_LSTATUS};

// What each button runs; the window's command switch has one case, and one handler, per value.
enum class ConfiguratorCommand { AutoConfiguration, ManualDdeNoFocus, ManualDdeFocusControl, ManualDll };

struct ButtonCommand {
    int id;
    ConfiguratorCommand command;
};
inline constexpr ButtonCommand kButtonCommands[] = {
    {IDC_CONFIGURATOR_COMMAND1, ConfiguratorCommand::AutoConfiguration},
    {IDC_CONFIGURATOR_COMMAND2, ConfiguratorCommand::ManualDdeNoFocus},
    {IDC_CONFIGURATOR_COMMAND3, ConfiguratorCommand::ManualDdeFocusControl},
    {IDC_CONFIGURATOR_COMMAND4, ConfiguratorCommand::ManualDll},
};

constexpr std::optional<ConfiguratorCommand> CommandOfControl(int id) {
    for (const ButtonCommand& b : kButtonCommands) {
        if (b.id == id) {
            return b.command;
        }
    }
    return std::nullopt;
}

}  // namespace config
