// The title screen, shown once at start-up: the publisher, the block-letter
// banner, the motto and the keypad moves.
#include "screen.h"

#include <cstring>

// GRUBBLET in block letters, each drawn with its own capital: the G in
// columns 14..19, the other seven letters five columns wide from column 21 on,
// one blank column between neighbours. Each row is printed from its first to
// its last drawn cell.
static const int BANNER_COL = 14;
static const char *const BANNER[5] = {
    " GGGG  RRRR  U   U BBBB  BBBB  L     EEEEE TTTTT",
    "G      R   R U   U B   B B   B L     E       T",
    "G  GGG RRRR  U   U BBBB  BBBB  L     EEEE    T",
    "G    G R  R  U   U B   B B   B L     E       T",
    " GGGG  R   R  UUU  BBBB  BBBB  LLLLL EEEEE   T",
};

struct title_line {
    int row;
    int col;
    const char *text;
};

static const title_line TEXT_LINES[] = {
    {10, 13, "--------------------------------------------------"},
    {11, 15, "Plonko"},
    {14, 20, "\"Claim your grubblets, my lord.\""},
    {15, 20, "Use the NUMPAD to perform daring hops."},
    {16, 20, "Try not to hurt yourself MY LORD."},
    {18, 32, "1 and 3: Walk"},
    {19, 24, "4 and 6: Sprint jumps"},
    {20, 23, "7, 8 and 9: High jumps"},
    {22, 23, "0 may help you guage jump distances."},
};

void show_title() {
    werase(canvas);
    wcolor_set(canvas, PAIR_RED, nullptr);
    mvwprintw(canvas, 0, 0, "Fenwhistle Presents:");
    wcolor_set(canvas, PAIR_WHITE, nullptr);
    for (int i = 0; i < 5; i++) {
        const char *row = BANNER[i];
        int lead = static_cast<int>(std::strspn(row, " "));
        mvwprintw(canvas, 5 + i, BANNER_COL + lead, "%s", row + lead);
    }
    for (const title_line &line : TEXT_LINES) {
        mvwprintw(canvas, line.row, line.col, "%s", line.text);
    }
    read_key();
}
