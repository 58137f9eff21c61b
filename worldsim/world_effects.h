// world_effects.h: what world.cpp and world_commands.cpp share about World's effects and nobody else uses:
// adding one set of effects after another. Not part of World's interface (world.h); it touches only the two
// Effects it is given.
#pragma once

#include "worldsim/world.h"

#include <iterator>
#include <utility>

namespace worldsim {

inline void Append(Effects& to, Effects&& from) {
    to.transcript.insert(to.transcript.end(), std::make_move_iterator(from.transcript.begin()),
                         std::make_move_iterator(from.transcript.end()));
    to.pokes.insert(to.pokes.end(), std::make_move_iterator(from.pokes.begin()),
                    std::make_move_iterator(from.pokes.end()));
    to.quit = to.quit || from.quit;
    to.die = to.die || from.die;
}

}  // namespace worldsim
