// protocol.h: the names by which programs find and talk to the stand-in world client.
//
// Shared by the world itself, the worldctl tool and the test harness, so that a renamed topic or a new
// control tag cannot drift apart between them.
#pragma once

#include <cstdint>
#include <string_view>

namespace worldsim {

inline constexpr std::string_view kWindowTitle = "Pelmor 3.0";
inline constexpr std::string_view kWindowClass = "WorldsimMain";

inline constexpr std::string_view kService = "Zelmarink";
inline constexpr std::string_view kTopicRegister = "Zelmarink_Register";
inline constexpr std::string_view kTopicUnregister = "Zelmarink_Unregister";
inline constexpr std::string_view kTopicCommunicate = "Zelmarink_Communicate";
inline constexpr std::string_view kTopicSend = "Zelmarink_Send";
inline constexpr std::string_view kTopicGetAllText = "Zelmarink_GetAllText";
// Topics of the conversations the world opens to a registered program.
inline constexpr std::string_view kTopicAck = "Zelmarink_Ack";
inline constexpr std::string_view kTopicReceive = "Zelmarink_Receive";

// WM_COPYDATA tag of a control command ("WORL").
inline constexpr std::uint32_t kCopyDataTag = 0x574F524C;

inline constexpr std::string_view kDefaultOwnAvatar = "Marla";
inline constexpr std::string_view kDefaultTranscript = "worldsim.log";

}  // namespace worldsim
