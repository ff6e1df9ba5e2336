// The level generator, grubblet-gen: packs of nine new levels, each proven
// clearable by the level checker, ordered from gentle to demanding by the
// checker's difficulty figure.
//
// What must hold: the same seed and options make the same levels, byte for
// byte, on every machine; every level of a pack is clearable from a fresh
// start by the winning sequence the checker found and replayed through the
// game's turns, is not won by standing still, starts on solid ground, and
// has no trap but those that eating enough lets the player out of (none in
// an easy pack); difficulty never falls from level 1 to 9.
#ifndef GRUBBLET_GENERATOR_H
#define GRUBBLET_GENERATOR_H

#include "../checker/checker.h"

#include <cstdint>
#include <string>
#include <vector>

enum pack_difficulty {
    PACK_EASY,
    PACK_NORMAL,
    PACK_HARD,
};

// What the generator knows about one level it made.
struct generated_level {
    board_cells board{};
    std::string keys; // the checker's winning sequence
    int at_least = 0; // no win is shorter; keys.size() when keys is a shortest win
    difficulty_figure difficulty;
    int grubblets = 0;
    const char *layout = ""; // the kind of board it was built on, as a word
};

// Makes a new pack of nine levels, in the order of their difficulty,
// trying up to `jobs` candidates at once (0: one for each core); the number
// of jobs never changes the pack.
std::vector<generated_level> make_pack(std::uint32_t seed, pack_difficulty difficulty,
                                       int jobs = 0);

#endif
