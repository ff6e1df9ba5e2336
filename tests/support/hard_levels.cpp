// Building hard levels with the rules' own turns: platforms at random, then
// a random play on them that leaves a grubblet wherever it first comes to
// rest; and the towers and mazes designers build.
#include "hard_levels.h"

#include "game/game_state.h"
#include "levels/levels.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

namespace {

// A level in play: its board and the state of play on it.
struct trial {
    board_cells board;
    play_state state;
    turn_trail trail; // of the last turn
    outcome_kind outcome;
};

// Plays one move; false when it ended a life or the level.
bool try_move(trial &t, move_code move) {
    t.outcome = play_turn(t.board, t.state, move, &t.trail).outcome;
    return t.outcome == OUTCOME_NONE;
}

void build_platforms(board_cells &level, std::mt19937 &random) {
    auto &b = level.at;
    for (int r = 0; r < BOARD_ROWS; r++) {
        for (int c = 0; c < BOARD_COLS; c++) {
            b[r][c] = r == BOARD_ROWS - 1 ? CELL_WALL : CELL_EMPTY;
        }
    }
    for (int row = 20; row >= 5; row -= 3 + static_cast<int>(random() % 2)) {
        for (int col = static_cast<int>(random() % 6); col < BOARD_COLS - 4;) {
            int length = 4 + static_cast<int>(random() % 12);
            for (int c = col; c < col + length && c < BOARD_COLS; c++) {
                b[row][c] = CELL_WALL;
            }
            col += length + 3 + static_cast<int>(random() % 8);
        }
    }
    // A few mines on the floor and on platforms.
    for (int i = 0; i < 6; i++) {
        int r = 4 + static_cast<int>(random() % 19), c = static_cast<int>(random() % BOARD_COLS);
        if (b[r][c] == CELL_EMPTY && b[r + 1][c] == CELL_WALL) {
            b[r][c] = CELL_MINE;
        }
    }
    int start = 2 + static_cast<int>(random() % 76);
    if (b[22][start] == CELL_EMPTY) {
        b[22][start] = CELL_START;
    } else {
        b[22][2] = CELL_START;
    }
}

bool replay_clears(const board_cells &level, const std::string &keys) {
    trial t{level, fresh_play(level), {}, OUTCOME_NONE};
    bool alive = try_move(t, MOVE_NONE);
    for (std::size_t i = 0; i < keys.size() && alive; i++) {
        alive = try_move(t, move_for_key(keys[i]));
        if (!alive) {
            return i + 1 == keys.size() && t.outcome == OUTCOME_LEVEL_WON;
        }
    }
    return false;
}

std::string try_play_through(board_cells &level, int grubblets, std::mt19937 &random) {
    build_platforms(level, random);
    auto &b = level.at;
    // A grubblet sealed in the top right corner keeps the level from being
    // cleared while the play goes on; it goes when the play is done.
    b[0][79] = CELL_GRUBBLET;
    b[0][78] = b[1][79] = b[1][78] = CELL_WALL;

    trial t{level, fresh_play(level), {}, OUTCOME_NONE};
    std::vector<bool> stood(BOARD_ROWS * BOARD_COLS, false);
    auto mark_turn = [&] {
        for (int i = 0; i < t.trail.len; i++) {
            stood[static_cast<std::size_t>(t.trail.y[i] * BOARD_COLS + t.trail.x[i])] = true;
        }
        stood[static_cast<std::size_t>(t.state.y * BOARD_COLS + t.state.x)] = true;
    };
    if (!try_move(t, MOVE_NONE)) {
        return "";
    }
    mark_turn();

    std::string keys;
    int placed = 0;
    while (placed < grubblets && keys.size() < 4000) {
        const trial before = t;
        // Every move that the player survives, and those that come to rest
        // on a new place.
        std::vector<move_code> alive, fresh;
        for (move_code m : PLAYER_MOVES) {
            t = before;
            if (try_move(t, m)) {
                alive.push_back(m);
                int x = t.state.x, y = t.state.y;
                if (!stood[static_cast<std::size_t>(y * BOARD_COLS + x)] && b[y][x] == CELL_EMPTY) {
                    fresh.push_back(m);
                }
            }
        }
        t = before;
        if (alive.empty()) {
            return "";
        }
        bool eat = !fresh.empty() && (t.state.tummy < 60 || random() % 3 == 0);
        move_code m = eat ? fresh[random() % fresh.size()] : alive[random() % alive.size()];
        if (eat) {
            // Where the move comes to rest becomes a grubblet, eaten as the
            // player arrives.
            try_move(t, m);
            int x = t.state.x, y = t.state.y;
            t = before;
            b[y][x] = CELL_GRUBBLET;
            t.board.at[y][x] = CELL_GRUBBLET;
            t.state.grubblets_left += 1;
            placed++;
        }
        try_move(t, m);
        mark_turn();
        keys += MOVE_KEYS[m];
    }
    b[0][79] = CELL_EMPTY;
    if (placed < grubblets || !replay_clears(level, keys)) {
        return "";
    }
    return keys;
}

} // namespace

std::string make_play_through_level(board_cells &level, int grubblets, unsigned seed) {
    std::mt19937 random(seed);
    std::string keys;
    while (keys.empty()) {
        keys = try_play_through(level, grubblets, random);
    }
    return keys;
}

int wall_in_a_grubblet(board_cells &level, unsigned seed) {
    auto &b = level.at;
    std::mt19937 random(seed);
    for (;;) {
        int r = 1 + static_cast<int>(random() % 20), c = 1 + static_cast<int>(random() % 78);
        if (b[r][c] == CELL_EMPTY && b[r - 1][c] != CELL_START && b[r + 1][c] != CELL_START &&
            b[r][c - 1] != CELL_START && b[r][c + 1] != CELL_START) {
            b[r][c] = CELL_GRUBBLET;
            b[r - 1][c] = b[r + 1][c] = b[r][c - 1] = b[r][c + 1] = CELL_WALL;
            return r * BOARD_COLS + c;
        }
    }
}

void make_starvation_tunnel(board_cells &level) {
    auto &b = level.at;
    // Eight tunnels, each closed by walls but for a gap at alternate ends:
    // some 600 cells of walking, and the tummy lasts 99 turns.
    for (int r = 0; r < BOARD_ROWS; r++) {
        for (int c = 0; c < BOARD_COLS; c++) {
            b[r][c] = r % 3 == 2 ? CELL_WALL : CELL_EMPTY;
        }
    }
    for (int i = 0; i < 7; i++) {
        int gap = i % 2 == 0 ? 77 : 1;
        b[2 + 3 * i][gap] = b[2 + 3 * i][gap + 1] = CELL_EMPTY;
    }
    b[1][2] = CELL_START;
    b[22][40] = CELL_GRUBBLET;
}

void make_tower(board_cells &level, int grubblets, unsigned seed) {
    auto &b = level.at;
    std::mt19937 random(seed);
    auto below = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    for (auto &row : b) {
        std::fill(std::begin(row), std::end(row), CELL_EMPTY);
    }
    const int columns = 3 + below(5);
    for (int k = 0; k < columns; k++) {
        int col = 4 + (72 * k) / columns + below(6);
        for (int row = BOARD_ROWS - 3 - below(2); row >= 2; row -= 2 + below(3)) {
            col = std::max(1, std::min(BOARD_COLS - 7, col + below(7) - 3));
            const int length = 2 + below(4);
            for (int c = col; c < col + length; c++) {
                b[row][c] = CELL_WALL;
            }
        }
    }
    // Grubblets on the ledges, nearest the top first, then on the floor.
    int placed = 0;
    for (int r = 0; r < BOARD_ROWS - 1 && placed < grubblets; r++) {
        for (int c = 0; c < BOARD_COLS && placed < grubblets; c++) {
            if (b[r][c] == CELL_EMPTY && b[r + 1][c] == CELL_WALL && below(4) != 0) {
                b[r][c] = CELL_GRUBBLET;
                placed++;
            }
        }
    }
    for (int c = 0; c < BOARD_COLS && placed < grubblets; c += 2) {
        if (b[BOARD_ROWS - 1][c] == CELL_EMPTY) {
            b[BOARD_ROWS - 1][c] = CELL_GRUBBLET;
            placed++;
        }
    }
    b[BOARD_ROWS - 1][BOARD_COLS - 1] = CELL_START;
}

void make_maze(board_cells &level, int grubblets, unsigned seed) {
    auto &b = level.at;
    std::mt19937 random(seed);
    auto pick = [&](int low, int high) {
        return low + static_cast<int>(random() % static_cast<unsigned>(high - low + 1));
    };
    for (auto &row : b) {
        std::fill(std::begin(row), std::end(row), CELL_WALL);
    }
    // Rooms of `tall` open rows and `wide` open columns between walls a cell
    // thick; spare rows above, spare columns on both sides; the bottom row
    // a floor.
    const int tall = pick(2, 4), wide = pick(3, 6);
    const int rows = (BOARD_ROWS - 1) / (tall + 1), cols = (BOARD_COLS - 1) / (wide + 1);
    const int top = BOARD_ROWS - 1 - rows * (tall + 1);
    const int left = (BOARD_COLS - 1 - cols * (wide + 1)) / 2;
    auto first_row = [&](int i) { return 1 + top + i * (tall + 1); };
    auto first_col = [&](int j) { return 1 + left + j * (wide + 1); };
    auto open = [&](int r0, int r1, int c0, int c1) {
        for (int r = r0; r <= r1; r++) {
            for (int c = c0; c <= c1; c++) {
                b[r][c] = CELL_EMPTY;
            }
        }
    };
    for (int i = 0; i < rows; i++) {
        for (int j = 0; j < cols; j++) {
            open(first_row(i), first_row(i) + tall - 1, first_col(j), first_col(j) + wide - 1);
        }
    }
    // Carved depth first from the top left room: a gap of one to three
    // cells in a floor, or a whole side wall.
    std::vector<char> seen(static_cast<std::size_t>(rows * cols), 0);
    std::vector<int> stack{0};
    seen[0] = 1;
    while (!stack.empty()) {
        const int i = stack.back() / cols, j = stack.back() % cols;
        std::vector<int> next;
        for (int k : {(i + 1) * cols + j, (i - 1) * cols + j, i * cols + j + 1, i * cols + j - 1}) {
            const bool beside = k / cols == i ? std::abs(k % cols - j) == 1 : k % cols == j;
            if (k >= 0 && k < rows * cols && beside && !seen[static_cast<std::size_t>(k)]) {
                next.push_back(k);
            }
        }
        if (next.empty()) {
            stack.pop_back();
            continue;
        }
        const int k = next[random() % next.size()], ni = k / cols;
        if (ni != i) {
            const int wall = ni > i ? first_row(i) + tall : first_row(i) - 1;
            const int gap = pick(1, std::min(3, wide));
            const int from = pick(first_col(j), first_col(j) + wide - gap);
            open(wall, wall, from, from + gap - 1);
        } else {
            const int wall = k % cols > j ? first_col(j) + wide : first_col(j) - 1;
            open(first_row(i), first_row(i) + tall - 1, wall, wall);
        }
        seen[static_cast<std::size_t>(k)] = 1;
        stack.push_back(k);
    }
    // A few more side openings make loops, as hand-made mazes have.
    for (int extra = pick(0, rows * cols / 6); extra > 0; extra--) {
        const int i = pick(0, rows - 1), j = pick(0, cols - 2);
        open(first_row(i), first_row(i) + tall - 1, first_col(j) + wide, first_col(j) + wide);
    }
    // The start on the lowest floor, the grubblets anywhere a player rests.
    std::vector<std::pair<int, int>> rests;
    for (int r = 0; r < BOARD_ROWS - 1; r++) {
        for (int c = 0; c < BOARD_COLS; c++) {
            if (b[r][c] == CELL_EMPTY && b[r + 1][c] == CELL_WALL) {
                rests.push_back({r, c});
            }
        }
    }
    std::shuffle(rests.begin(), rests.end(), random);
    auto lowest = std::max_element(rests.begin(), rests.end(),
                                   [](auto x, auto y) { return x.first < y.first; });
    std::iter_swap(rests.begin(), lowest);
    b[rests[0].first][rests[0].second] = CELL_START;
    for (std::size_t k = 1; k < rests.size() && static_cast<int>(k) <= grubblets; k++) {
        b[rests[k].first][rests[k].second] = CELL_GRUBBLET;
    }
}

bool write_levels(const char *path) {
    std::vector<char> text(FILE_BYTES);
    format_boards(text.data());
    std::FILE *file = std::fopen(path, "wb");
    if (file == nullptr) {
        return false;
    }
    bool ok = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    return std::fclose(file) == 0 && ok;
}
