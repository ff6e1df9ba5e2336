// Flood fill of the stored level, by repeated sweeps over a fixed marking
// grid: nothing is allocated, and every cell is examined at most once.
#include "editor.h"

#include "../game/game_state.h"

#include <cstring>

enum : unsigned char {
    MARK_UNSEEN = 0, // untouched so far
    MARK_QUEUED = 1, // reached; to be examined in a sweep
    MARK_DONE = 2,   // examined; never examined again
};

static void queue_cell(unsigned char marks[BOARD_ROWS][BOARD_COLS], int row, int col) {
    if (marks[row][col] == MARK_UNSEEN) {
        marks[row][col] = MARK_QUEUED;
    }
}

void flood_fill() {
    cell_kind **level = level_set[game.level];
    const cell_kind target = level[editor.cursor_y][editor.cursor_x];
    if (target == editor.brush) {
        return;
    }

    unsigned char marks[BOARD_ROWS][BOARD_COLS];
    std::memset(marks, MARK_UNSEEN, sizeof marks);
    marks[editor.cursor_y][editor.cursor_x] = MARK_QUEUED;

    // A cell queued below or to the right of the one examined is reached
    // later in the same sweep; one above or to the left waits for the next.
    bool quiet = false;
    while (!quiet) {
        quiet = true;
        for (int r = 0; r < BOARD_ROWS; r++) {
            for (int c = 0; c < BOARD_COLS; c++) {
                if (marks[r][c] != MARK_QUEUED) {
                    continue;
                }
                quiet = false;
                if (level[r][c] == target) {
                    level[r][c] = editor.brush;
                    // Edges only: cells touching at a corner are not joined.
                    if (r > 0) {
                        queue_cell(marks, r - 1, c);
                    }
                    if (r < BOARD_ROWS - 1) {
                        queue_cell(marks, r + 1, c);
                    }
                    if (c > 0) {
                        queue_cell(marks, r, c - 1);
                    }
                    if (c < BOARD_COLS - 1) {
                        queue_cell(marks, r, c + 1);
                    }
                }
                marks[r][c] = MARK_DONE;
            }
        }
    }
}
