// The glyph table: how each cell kind, the player, the trail and the marks
// look on the board.
#include "glyphs.h"

#include "../game/rules.h"

glyph_set glyph_table = {
    {
        {CELL_CHARS[CELL_EMPTY], PAIR_WHITE, false},
        {CELL_CHARS[CELL_WALL], PAIR_CYAN, false},
        {CELL_CHARS[CELL_MINE], PAIR_RED, true},
        {CELL_CHARS[CELL_GRUBBLET], PAIR_YELLOW, false},
        {CELL_CHARS[CELL_START], PAIR_YELLOW_ON_BLUE, true},
    },
    {CELL_CHARS[CELL_START], PAIR_YELLOW_ON_BLUE, true},
    {CELL_CHARS[CELL_START], PAIR_RED, false},
    {CELL_CHARS[CELL_START], PAIR_RED, true},
};

const glyph START_GLYPH = {'_', PAIR_GREEN, false};
const glyph GAUGE_GLYPH = {CELL_CHARS[CELL_START], PAIR_BLUE, false};
const glyph HURT_GLYPH = {CELL_CHARS[CELL_START], PAIR_BLACK_ON_RED, true};
const glyph OUTCOME_GLYPH = {'!', PAIR_RED, true};
