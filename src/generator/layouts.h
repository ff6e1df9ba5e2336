// Inside the generator (not part of its public face): the random numbers
// every choice is drawn from, and the layouts levels are built on.
#ifndef GRUBBLET_GENERATOR_LAYOUTS_H
#define GRUBBLET_GENERATOR_LAYOUTS_H

#include "generator.h"

#include <cstdint>
#include <random>

// The Mersenne twister is defined to the bit by the C++ standard, and
// nothing here goes through the library's distributions (which are not), so
// a seed makes the same pack on every machine.
struct random_source {
    std::mt19937 engine;
    explicit random_source(std::uint32_t seed) : engine(seed) {}
    int below(int n) {
        return n <= 1 ? 0 : static_cast<int>(engine() % static_cast<std::uint32_t>(n));
    }
};

enum {
    LAYOUT_PLATFORMS,
    LAYOUT_TOWERS,
    LAYOUT_PITS,
    LAYOUT_CORRIDORS,
    LAYOUT_MINEFIELD,
    LAYOUT_COUNT,
};
extern const char *const LAYOUT_NAMES[LAYOUT_COUNT];

// Builds a layout on board b, its start cell among it; `strength` (0 to 8)
// makes gaps wider and mines more. False when no start cell found a place.
bool build_layout(board_cells &b, int layout, random_source &random, int strength, cell_ref *start);

#endif
