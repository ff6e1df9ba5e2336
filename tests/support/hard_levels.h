// Hard levels whose answer is known by construction, for testing and
// measuring the level checker: the levels designers make, with many
// grubblets, rather than the shipped ones.
//
// A play-through level is a board of platforms on which a random play of
// the game put a grubblet on every place it came to rest for the first time,
// so replaying that play clears the level. Every level is built with the
// rules' own turns.
#ifndef GRUBBLET_HARD_LEVELS_H
#define GRUBBLET_HARD_LEVELS_H

#include "game/rules.h"

#include <string>

// Makes `level` a play-through level with `grubblets`
// grubblets; the same seed makes the same level. Returns the keys of the
// play-through, which clear it from a fresh start.
std::string make_play_through_level(board_cells &level, int grubblets, unsigned seed);

// Adds one grubblet walled in on all four sides, which no play can eat.
// Returns its row * 80 + column.
int wall_in_a_grubblet(board_cells &level, unsigned seed);

// A single grubblet at the far end of a winding tunnel longer than the tummy
// lasts.
void make_starvation_tunnel(board_cells &level);

// A tower of short ledges, as designers build them: 3 to 7 columns of 2- to
// 5-cell ledges, 2 to 4 rows apart, wandering left and right; `grubblets`
// grubblets resting on the ledges (and on the floor when the ledges run
// out); the start on the floor. The same seed makes the same tower.
void make_tower(board_cells &level, int grubblets, unsigned seed);

// A maze as designers build them: rooms of 2 to 4 open rows and 3 to 6 open
// columns cut out of solid wall, joined by gaps in their floors and by
// whole side walls (depth first, with a few loops); the start on the lowest
// floor and `grubblets` grubblets where a player can rest. Many cannot be
// cleared (a start whose jumps are too short to leave its room). The same
// seed makes the same maze.
void make_maze(board_cells &level, int grubblets, unsigned seed);

// Writes the nine stored levels (the game's level storage) to a file as the
// game writes it; false on a write error.
bool write_levels(const char *path);

#endif
