// console_layout.cpp: the control table of the link console window.
#include "linkmodule/console_layout.h"

namespace linkmodule {
namespace {

using common::ControlKind;

// The module's names for the controls: CommMode, AvatarName, CommText, ErrorCheck, the buttons ZM_Register,
// ZM_Communicate, ZM_GetAllText, ZM_Unregister, and Text1, which carries the console link.
constexpr common::ControlSpec kConsoleControls[] = {
    // id                              kind                          caption                              left   top  width height
    {IDC_ZM_DDE_LABEL_COMM_MODE,     ControlKind::Label,            "Comm Mode",                         120,  120, 1335, 375},
    {IDC_ZM_DDE_COMM_MODE,           ControlKind::TextBox,          "",                                 1560,  120,  615, 285},
    {IDC_ZM_DDE_LABEL_MODE_HINT,     ControlKind::Label,            "(0 - Speak, 1 - Think, 2- ESP)",   2280,  120, 2655, 375},
    {IDC_ZM_DDE_LABEL_AVATAR_NAME,   ControlKind::Label,            "Avatar Name",                       120,  480, 1335, 375},
    {IDC_ZM_DDE_AVATAR_NAME,         ControlKind::TextBox,          "",                                 1560,  480, 3735, 285},
    {IDC_ZM_DDE_LABEL_TEXT_TO_SEND,  ControlKind::Label,            "Text To Send",                      120,  840, 1335, 375},
    {IDC_ZM_DDE_COMM_TEXT,           ControlKind::MultiLineTextBox, "",                                 1560,  840, 3735, 615},
    {IDC_ZM_DDE_ERROR_CHECK,         ControlKind::CheckBox,         "Error Occured",                       0, 1080, 1455, 435},
    {IDC_ZM_DDE_REGISTER,            ControlKind::Button,           "Register",                          120, 1560, 1215, 375},
    {IDC_ZM_DDE_COMMUNICATE,         ControlKind::Button,           "Communicate",                      1440, 1560, 1335, 375},
    {IDC_ZM_DDE_GET_ALL_TEXT,        ControlKind::Button,           "GetAllText",                       2880, 1560, 1095, 375},
    {IDC_ZM_DDE_UNREGISTER,          ControlKind::Button,           "Unregister",                       4080, 1560, 1215, 375},
    {IDC_ZM_DDE_TEXT1,               ControlKind::TextBox,          "",                                  120, 2040, 5175, 375},
};

}  // namespace

std::span<const common::ControlSpec> ConsoleControls() {
    return kConsoleControls;
}

}  // namespace linkmodule
