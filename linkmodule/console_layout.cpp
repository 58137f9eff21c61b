// console_layout.cpp: the control table of the link console window and the unit conversions for it.
#include "linkmodule/console_layout.h"

#include <cstdlib>

namespace linkmodule {
namespace {

constexpr ControlSpec kConsoleControls[] = {
    // id                              kind                          name              caption                              left   top  width height
    {IDC_ZM_DDE_LABEL_COMM_MODE,     ControlKind::Label,            "",               "Comm Mode",                         120,  120, 1335, 375},
    {IDC_ZM_DDE_COMM_MODE,           ControlKind::TextBox,          "CommMode",       "",                                 1560,  120,  615, 285},
    {IDC_ZM_DDE_LABEL_MODE_HINT,     ControlKind::Label,            "",               "(0 - Speak, 1 - Think, 2- ESP)",   2280,  120, 2655, 375},
    {IDC_ZM_DDE_LABEL_AVATAR_NAME,   ControlKind::Label,            "",               "Avatar Name",                       120,  480, 1335, 375},
    {IDC_ZM_DDE_AVATAR_NAME,         ControlKind::TextBox,          "AvatarName",     "",                                 1560,  480, 3735, 285},
    {IDC_ZM_DDE_LABEL_TEXT_TO_SEND,  ControlKind::Label,            "",               "Text To Send",                      120,  840, 1335, 375},
    {IDC_ZM_DDE_COMM_TEXT,           ControlKind::MultiLineTextBox, "CommText",       "",                                 1560,  840, 3735, 615},
    {IDC_ZM_DDE_ERROR_CHECK,         ControlKind::CheckBox,         "ErrorCheck",     "Error Occured",                       0, 1080, 1455, 435},
    {IDC_ZM_DDE_REGISTER,            ControlKind::Button,           "ZM_Register",    "Register",                          120, 1560, 1215, 375},
    {IDC_ZM_DDE_COMMUNICATE,         ControlKind::Button,           "ZM_Communicate", "Communicate",                      1440, 1560, 1335, 375},
    {IDC_ZM_DDE_GET_ALL_TEXT,        ControlKind::Button,           "ZM_GetAllText",  "GetAllText",                       2880, 1560, 1095, 375},
    {IDC_ZM_DDE_UNREGISTER,          ControlKind::Button,           "ZM_Unregister",  "Unregister",                       4080, 1560, 1215, 375},
    {IDC_ZM_DDE_TEXT1,               ControlKind::TextBox,          "Text1",          "",                                  120, 2040, 5175, 375},
};

// value * dpi / divisor to the nearest integer, halves away from zero, without floating point.
int ScaleRounded(int value, int dpi, int divisor) {
    const long long product = static_cast<long long>(value) * dpi;
    const long long half = divisor / 2;
    const long long rounded = product >= 0 ? (product + half) / divisor : -((-product + half) / divisor);
    return static_cast<int>(rounded);
}

}  // namespace

std::span<const ControlSpec> ConsoleControls() {
    return kConsoleControls;
}

int TwipsToPixels(int twips, int dpi) {
    return ScaleRounded(twips, dpi, 1440);
}

int PointsToPixels(int hundredthsOfPoint, int dpi) {
    return ScaleRounded(hundredthsOfPoint, dpi, 7200);
}

}  // namespace linkmodule
