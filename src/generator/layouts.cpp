// The boards the generator builds levels on, before any grubblet: five kinds
// of layout, each with its own way of making the player think, and a start
// cell on solid ground (the two that place their own grubblets are in
// designed.cpp). The grubblets come later, from a play on the board
// (pack.cpp). And the walk, the level the generator falls back on, whose
// grubblets lie along the bottom edge.
#include "layouts.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace {

// Mines on `count` random standing places, never within three columns of
// the start, so that the first moves are safe.
void scatter_mines(board_cells &b, random_source &random, int count, int start_col) {
    for (int tries = 0; count > 0 && tries < 400; tries++) {
        int r = 2 + random.below(BOARD_ROWS - 2), c = random.below(BOARD_COLS);
        if (standing_place(b, r, c) && std::abs(c - start_col) > 3) {
            b.at[r][c] = CELL_MINE;
            count--;
        }
    }
}

// Platforms in rows a high jump can climb between: a high jump rises three
// cells, so a ledge three rows up is in reach from beside it.
void build_platforms(board_cells &b, random_source &random, int strength) {
    for (int row = 19 + random.below(3); row >= 5; row -= 3 + random.below(2)) {
        for (int col = random.below(8); col < BOARD_COLS - 3;) {
            // Each platform a row up or down from its neighbours.
            const int r = row + random.below(3) - 1;
            int length = 3 + random.below(10 - strength / 2);
            fill(b, r, col, r, col + length - 1, CELL_WALL);
            col += length + 2 + random.below(5 + strength / 2);
        }
    }
}

// Towers from the bottom edge, with mines between the tall ones: the player
// hops from top to top, and a slip is a fall onto a mine.
void build_towers(board_cells &b, random_source &random, int strength) {
    int height = 2 + random.below(3);
    for (int col = 1 + random.below(3); col < BOARD_COLS - 1;) {
        int width = 1 + random.below(3);
        fill(b, BOARD_ROWS - height, col, BOARD_ROWS - 1, col + width - 1, CELL_WALL);
        // Up to three cells: a sprint with no meal yet falls short of the
        // far side of three. Spread this way, no two tower levels line up
        // along the bottom.
        int gap = 1 + random.below(3);
        col += width + gap;
        // Neighbours differ by at most two cells: a high jump climbs three,
        // but not from the far side of a gap.
        int next = std::clamp(height + random.below(5) - 2, 1, 5 + strength / 2);
        // Between two tall towers the bottom is a pit no jump leaves: a mine.
        if (std::min(height, next) > 3) {
            fill(b, BOARD_ROWS - 1, col - gap, BOARD_ROWS - 1, col - 1, CELL_MINE);
        }
        height = next;
    }
}

// Rolling ground a cell or two thick, with pits cut into it: a shallow dip
// to hop out of, or a hole straight down onto a mine; and ledges above the
// ground for what hangs high.
void build_pits(board_cells &b, random_source &random, int strength) {
    int ground = 15 + random.below(5);
    for (int col = 0; col < BOARD_COLS;) {
        int width = 3 + random.below(8);
        fill(b, ground, col, ground + random.below(2), col + width - 1, CELL_WALL);
        col += width;
        if (col < BOARD_COLS - 4) {
            int pit = 1 + random.below(2 + strength / 3);
            if (random.below(3) == 0) {
                // A dip walled in below the ground, so it leads nowhere else.
                fill(b, ground + 1, col - 1, ground + 2, col + pit, CELL_WALL);
                fill(b, ground, col, ground + 1, col + pit - 1, CELL_EMPTY);
            } else {
                fill(b, BOARD_ROWS - 1, col, BOARD_ROWS - 1, col + pit - 1, CELL_MINE);
            }
            col += pit;
        }
        ground = std::clamp(ground + random.below(5) - 2, 12, 20);
    }
    for (int ledges = 3 + random.below(4); ledges > 0; ledges--) {
        int row = 5 + random.below(7), col = random.below(BOARD_COLS - 8);
        fill(b, row, col, row, col + 2 + random.below(6), CELL_WALL);
    }
}

// Long corridors one above the other, their floors stepping up and down,
// their ceilings cutting the jumps short, and low walls to hop over: a long
// way, on which the tummy matters. A hole at alternate ends of the floors
// leads down onto a pillar, from whose top a high jump goes back up through
// the hole, so that no corridor is a trap.
void build_corridors(board_cells &b, random_source &random, int strength) {
    bool gap_right = random.below(2) == 0;
    std::vector<cell_ref> holes;
    for (int floor = 4 + random.below(3); floor < BOARD_ROWS - 2; floor += 4 + random.below(3)) {
        int row = floor;
        for (int col = 0; col < BOARD_COLS;) {
            int length = 4 + random.below(9);
            fill(b, row, col, row, col + length - 1, CELL_WALL);
            col += length;
            // A stretch on the floor's row, the next a row above or below
            // it, and back: two floors on the same row still part along
            // much of their length.
            row = row != floor ? floor : floor + (random.below(2) == 0 ? 1 : -1);
        }
        int gap = gap_right ? BOARD_COLS - 3 - random.below(4) : 1 + random.below(4);
        gap_right = !gap_right;
        fill(b, floor - 1, gap - 2, floor + 1, gap + 3, CELL_EMPTY);
        fill(b, floor, gap - 2, floor, gap + 3, CELL_WALL);
        fill(b, floor, gap, floor, gap + 1, CELL_EMPTY);
        holes.push_back({floor, gap});
        for (int hurdles = 1 + strength / 3 + random.below(3); hurdles > 0; hurdles--) {
            int col = 8 + random.below(BOARD_COLS - 16);
            for (int r = floor - 3; r <= floor + 1; r++) {
                if (b.at[r][col] == CELL_EMPTY && b.at[r + 1][col] == CELL_WALL) {
                    b.at[r][col] = CELL_WALL;
                    break;
                }
            }
        }
    }
    for (cell_ref hole : holes) {
        int below = hole.row + 1;
        while (below < BOARD_ROWS && b.at[below][hole.col] != CELL_WALL) {
            below++;
        }
        // Its top two or three rows under the hole: a high jump rises three
        // and then drifts two, onto the floor beside the hole.
        int top = std::max(hole.row + 2, below - 3);
        if (top <= hole.row + 3 && top < below) {
            fill(b, top, hole.col, below - 1, hole.col, CELL_WALL);
        }
    }
}

// Platforms with mines on them and mines hanging under some: every landing
// has to be chosen.
void build_minefield(board_cells &b, random_source &random, int strength) {
    build_platforms(b, random, strength);
    for (int hanging = 2 + strength / 2; hanging > 0; hanging--) {
        int r = 3 + random.below(BOARD_ROWS - 6), c = random.below(BOARD_COLS);
        if (b.at[r][c] == CELL_EMPTY && b.at[r - 1][c] == CELL_WALL) {
            b.at[r][c] = CELL_MINE;
        }
    }
}

// A start cell on a random standing place: the top corridor, or anywhere
// below the top third for the other layouts.
bool place_start(board_cells &b, random_source &random, int layout, cell_ref *start) {
    for (int tries = 0; tries < 2000; tries++) {
        int r = layout == LAYOUT_CORRIDORS ? random.below(8) : 8 + random.below(BOARD_ROWS - 8);
        int c = random.below(BOARD_COLS);
        // Not under the pits' ground, where only the mines are.
        if (standing_place(b, r, c) && (layout != LAYOUT_PITS || r < BOARD_ROWS - 1)) {
            b.at[r][c] = CELL_START;
            *start = {r, c};
            return true;
        }
    }
    return false;
}

} // namespace

void fill(board_cells &b, int top, int left, int bottom, int right, cell_kind kind) {
    for (int r = std::max(0, top); r <= std::min(BOARD_ROWS - 1, bottom); r++) {
        for (int c = std::max(0, left); c <= std::min(BOARD_COLS - 1, right); c++) {
            b.at[r][c] = kind;
        }
    }
}

bool standing_place(const board_cells &b, int r, int c) {
    return b.at[r][c] == CELL_EMPTY && (r == BOARD_ROWS - 1 || b.at[r + 1][c] == CELL_WALL);
}

void build_walk(board_cells &b, random_source &random, int grubblets) {
    b = board_cells{};
    const int start = random.below(BOARD_COLS);
    b.at[BOARD_ROWS - 1][start] = CELL_START;
    for (int g = 0; g < std::min(grubblets, BOARD_COLS - 1);) {
        int c = random.below(BOARD_COLS);
        if (b.at[BOARD_ROWS - 1][c] == CELL_EMPTY) {
            b.at[BOARD_ROWS - 1][c] = CELL_GRUBBLET;
            g++;
        }
    }
}

const char *const LAYOUT_NAMES[LAYOUT_COUNT] = {"platforms", "towers", "pits", "corridors",
                                                "minefield", "tunnel", "wells"};

bool build_layout(board_cells &b, int layout, random_source &random, int strength,
                  cell_ref *start) {
    fill(b, 0, 0, BOARD_ROWS - 1, BOARD_COLS - 1, CELL_EMPTY);
    switch (layout) {
    case LAYOUT_PLATFORMS: build_platforms(b, random, strength); break;
    case LAYOUT_TOWERS: build_towers(b, random, strength); break;
    case LAYOUT_PITS: build_pits(b, random, strength); break;
    case LAYOUT_CORRIDORS: build_corridors(b, random, strength); break;
    default: build_minefield(b, random, strength); break;
    }
    if (!place_start(b, random, layout, start)) {
        return false;
    }
    if (layout == LAYOUT_PLATFORMS || layout == LAYOUT_MINEFIELD) {
        scatter_mines(b, random, strength / 2 + (layout == LAYOUT_MINEFIELD ? 4 + strength : 0),
                      start->col);
    }
    return true;
}
