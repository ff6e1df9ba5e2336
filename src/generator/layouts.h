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
    // These place their own grubblets (designed.cpp).
    LAYOUT_TUNNEL,
    LAYOUT_WELLS,
    LAYOUT_COUNT,
};
extern const char *const LAYOUT_NAMES[LAYOUT_COUNT];

// Sets every cell of a rectangle, clipped to the board, to one kind.
void fill(board_cells &b, int top, int left, int bottom, int right, cell_kind kind);
// Whether the player can stand on (r, c): open, with a wall or the bottom
// edge under it.
bool standing_place(const board_cells &b, int r, int c);

// Builds a layout on board b, its start cell among it; `strength` (0 to 8)
// makes gaps wider and mines more. False when no start cell found a place.
bool build_layout(board_cells &b, int layout, random_source &random, int strength, cell_ref *start);

// The level the generator can always make, its last resort: `grubblets`
// along the bottom edge and the start among them, which a walk takes and no
// move can strand the player away from.
void build_walk(board_cells &b, random_source &random, int grubblets);

// What a level asks of a layout that places its own grubblets.
struct design_wish {
    int strength;  // 0 to 8
    int grubblets; // how many to place, about
    bool hungry;   // no grubblet near the start: the tummy runs low
    bool traps;    // wells may catch a player who comes early
};

// Builds a tunnel or wells on board b, start cell and grubblets included.
// False when the board came out without room for them.
bool build_designed(board_cells &b, int layout, random_source &random, const design_wish &wish);
// The tunnel alone, on an empty board (tunnel.cpp).
bool build_tunnel(board_cells &b, random_source &random, const design_wish &wish);

#endif
