// The board drawn as text for a terminal without curses, as the level
// checker prints its routes. A file of its own, so that the game, which
// draws through curses, links none of it.
#include "glyphs.h"

#include "../game/rules.h"

// ANSI colour numbers of the game's inks.
static const int ANSI_COLOUR[8] = {0, 4, 2, 6, 1, 5, 3, 7};

std::string board_text(const glyph (&board)[BOARD_ROWS][BOARD_COLS], bool colour) {
    std::string out;
    for (const auto &row : board) {
        for (const glyph &g : row) {
            if (colour) {
                out += "\033[0;" + std::string(g.bold ? "1;" : "") +
                       std::to_string(30 + ANSI_COLOUR[g.pair % 8]) + ";" +
                       std::to_string(40 + ANSI_COLOUR[g.pair / 8]) + "m";
            }
            out += g.ch;
        }
        out += colour ? "\033[0m\n" : "\n";
    }
    return out;
}
