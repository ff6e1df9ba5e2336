// The level checker, grubblet-check: a companion tool for level designers.
// It reads a level file with the game's own reader, warns about what the game
// will silently make of the file, and proves for each level whether it can be
// cleared, by searching over the game's own turns.
//
// What must hold: the checker never re-implements a rule. Every move it tries
// is resolved by the game's own run_turn on the game's own state records, so
// the checker and the game cannot disagree.
#ifndef GRUBBLET_CHECKER_H
#define GRUBBLET_CHECKER_H

#include <string>
#include <vector>

struct level_verdict {
    bool clearable = false;
    std::string keys; // a shortest winning sequence of play keys
    long states = 0;  // distinct states explored
    // Why the search stopped without an answer, or empty.
    std::string gave_up;
};

// Solves the stored level `level` from a fresh start: the level reset, then
// one turn with no move, as the restart key gives it. Uses and changes the
// game state and the play board.
level_verdict solve_level(int level);

struct file_warning {
    int line;   // 1-based; 0 when the warning is about the whole file
    int column; // 1-based; 0 when it is about a whole line or the file
    std::string text;
};

// What the game will silently do with the level file's content: characters
// that are not cell characters, rows that are not 80 characters, a file that
// does not hold exactly one cell character per cell, levels without a start
// cell, with several, or without a grubblet. Never changes what is loaded.
std::vector<file_warning> scan_level_file(const std::string &content);

#endif
