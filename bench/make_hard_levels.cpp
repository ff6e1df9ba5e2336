// make_hard_levels FILE [SEED] [KIND]: writes a level file of nine hard
// levels for measuring grubblet-check. KIND "clearable" (the default):
// play-through levels with 12, 18, 25, 32, 40, 50, 60, 80 and 100
// grubblets; "walled": the same levels, each with one more grubblet walled
// in, so none can be cleared; "towers": towers of short ledges with 100
// grubblets each; "mazes": mazes with as many grubblets as the play-through
// levels (many of which cannot be cleared).
#include "game/game_state.h"
#include "hard_levels.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char **argv) {
    if (argc < 2 || argc > 4) {
        std::fputs("usage: make_hard_levels FILE [SEED] [clearable|walled|towers|mazes]\n", stderr);
        return 2;
    }
    unsigned seed = argc > 2 ? static_cast<unsigned>(std::strtoul(argv[2], nullptr, 10)) : 1;
    bool walled = argc > 3 && std::strcmp(argv[3], "walled") == 0;
    bool towers = argc > 3 && std::strcmp(argv[3], "towers") == 0;
    bool mazes = argc > 3 && std::strcmp(argv[3], "mazes") == 0;
    const int grubblets[LEVEL_COUNT] = {12, 18, 25, 32, 40, 50, 60, 80, 100};
    if (allocate_boards() != 0) {
        return 1;
    }
    for (int level = 0; level < LEVEL_COUNT; level++) {
        const unsigned level_seed = seed * 100 + static_cast<unsigned>(level);
        if (towers) {
            make_tower(stored_level(level), 100, level_seed);
            continue;
        }
        if (mazes) {
            make_maze(stored_level(level), grubblets[level], level_seed);
            continue;
        }
        make_play_through_level(stored_level(level), grubblets[level], level_seed);
        if (walled) {
            wall_in_a_grubblet(stored_level(level), seed + static_cast<unsigned>(level));
        }
    }
    bool ok = write_levels(argv[1]);
    free_boards();
    if (!ok) {
        std::perror(argv[1]);
        return 1;
    }
    return 0;
}
