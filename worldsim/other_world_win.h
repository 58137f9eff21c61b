// other_world_win.h: worldsim.exe stands in for the world client, under the same window title and DDE service,
// so it must never start beside a real one (or another stand-in): programs would find two worlds by one name.
#pragma once

#include <string>

namespace worldsim {

// What is already there, or an empty string when nothing is: a window titled "Pelmor 3.0", or a DDE server
// that accepts a conversation on the service "Zelmarink".
std::string OtherWorldClient();

// The message worldsim.exe shows, captioned kRefusalCaption (never the world's own title), before it ends.
std::string RefusalMessage(const std::string& found);
inline constexpr char kRefusalCaption[] = "worldsim.exe (stand-in world client)";

}  // namespace worldsim
