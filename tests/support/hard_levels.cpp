// Building hard levels with the rules' own turns: platforms at random, then
// a random play on them that leaves a grubblet wherever it first comes to
// rest.
#include "hard_levels.h"

#include "game/game_state.h"
#include "levels/levels.h"

#include <cstdio>
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
