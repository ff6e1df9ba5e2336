// The checker's one door into the rules: a state of play is put into the
// game's records, the game's own run_turn resolves a move, and what the turn
// did is read back from the records. Between turns the game is fully
// described by the player's place, tummy, health and the grubblets eaten, so
// any state can be loaded and played on.
//
// The play board is kept in step with the loaded set of eaten grubblets and
// changed only where sets differ, so that loading costs little however many
// grubblets a level has.
#include "search.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

const move_code SEARCH_MOVES[7] = {MOVE_WALK_LEFT,    MOVE_WALK_RIGHT, MOVE_SPRINT_LEFT,
                                   MOVE_SPRINT_RIGHT, MOVE_HIGH_LEFT,  MOVE_HIGH_RIGHT,
                                   MOVE_HIGH_UP};

namespace {

bool driver_alive = false;

// A meter that cannot run out within one turn: falls cost at most 23 health,
// and eating tops the tummy up to at most TUMMY_MAX.
const int ENDLESS = 1 << 20;

// What the outcomes raised during one turn came to; the first one counts.
struct outcome_note {
    bool cleared;
    bool died;
    outcome_kind death;
    trajectory *path;
};
outcome_note note;

void append_trail(trajectory *path) {
    for (int i = 0; i < game.trail_len; i++) {
        path->cells.push_back({game.trail_y[i], game.trail_x[i], i >= game.fall_mark});
    }
}

// The display the rules see while the checker plays: nothing is shown, and
// the scene the outcome froze is recorded.
void note_outcome(outcome_kind kind) {
    if (note.cleared || note.died) {
        return;
    }
    if (kind == OUTCOME_LEVEL_WON || kind == OUTCOME_GAME_WON) {
        note.cleared = true;
    } else {
        note.died = true;
        note.death = kind;
    }
    if (note.path != nullptr) {
        append_trail(note.path);
        note.path->cells.push_back({game.player_y, game.player_x, game.show_hurt != 0});
    }
}

} // namespace

turn_driver::turn_driver(int level) : level_(level), saved_display_(display) {
    if (driver_alive) {
        std::fputs("grubblet-check: two turn drivers at once\n", stderr);
        std::abort();
    }
    driver_alive = true;
    display = display_interface{nullptr, nullptr, nullptr};
    game.level = level_;
    reset_level();
    for (int r = 0; r < BOARD_ROWS; r++) {
        for (int c = 0; c < BOARD_COLS; c++) {
            index_[r][c] = -1;
            has_mines_ = has_mines_ || play_board[r][c] == CELL_MINE;
            if (play_board[r][c] == CELL_GRUBBLET) {
                index_[r][c] = static_cast<short>(grubblets_.size());
                grubblets_.push_back({r, c});
            }
        }
    }
    words_ = std::max(1, (grubblet_count() + 63) / 64);
    on_board_eaten_.assign(static_cast<std::size_t>(words_), 0);
}

turn_driver::~turn_driver() {
    display = saved_display_;
    game.level = level_;
    game.quit_requested = 0;
    game.game_won = 0;
    game.show_gauge = 0;
    game.show_hurt = 0;
    reset_level();
    driver_alive = false;
}

void turn_driver::relax(const relaxed_rules &rules) {
    rules_ = rules;
}

// The level's fresh board, without its mines when they are relaxed away.
void turn_driver::reset_board() {
    game.level = level_;
    game.quit_requested = 0;
    game.game_won = 0;
    reset_level();
    std::fill(on_board_eaten_.begin(), on_board_eaten_.end(), 0);
    if (rules_.no_mines) {
        for (int r = 0; r < BOARD_ROWS; r++) {
            for (int c = 0; c < BOARD_COLS; c++) {
                if (play_board[r][c] == CELL_MINE) {
                    play_board[r][c] = CELL_EMPTY;
                }
            }
        }
    }
}

void turn_driver::load(const word *eaten) {
    for (int w = 0; w < words_; w++) {
        word differ = on_board_eaten_[static_cast<std::size_t>(w)] ^ eaten[w];
        while (differ != 0) {
            int i = w * 64 + __builtin_ctzll(differ);
            differ &= differ - 1;
            const cell_ref &g = grubblets_[static_cast<std::size_t>(i)];
            play_board[g.row][g.col] = bit_of(eaten, i) ? CELL_EMPTY : CELL_GRUBBLET;
        }
        on_board_eaten_[static_cast<std::size_t>(w)] = eaten[w];
    }
    int count = count_bits(eaten, words_);
    game.level = level_;
    game.quit_requested = 0;
    game.game_won = 0;
    game.grubblets_left = grubblet_count() - count;
    game.eaten_this_level = count;
    game.rise_left = 0;
    game.drift = 0;
}

turn_end turn_driver::run(trajectory *path) {
    note = outcome_note{false, false, 0, path};
    if (path != nullptr) {
        path->cells.clear();
    }
    display.outcome_scene = note_outcome;
    run_turn();
    display.outcome_scene = nullptr;
    const bool hurt = game.show_hurt != 0;
    game.show_gauge = 0;
    game.show_hurt = 0;
    turn_end end = note.cleared ? TURN_CLEARS : note.died ? TURN_DIES : TURN_RESTS;
    if (path != nullptr) {
        path->end = end;
        path->death = note.death;
        if (end == TURN_RESTS) {
            append_trail(path);
            path->cells.push_back({game.player_y, game.player_x, hurt});
        }
    }
    if (end != TURN_RESTS) {
        // The outcome reset the level, and a cleared one moved on to the
        // next: back to this level's fresh board.
        reset_board();
    }
    return end;
}

// Adds the grubblets eaten in the last turn to eaten_to and puts them back on
// the board, which so stays in step with the loaded set. The player ate only
// where they stood: on the cells the trail recorded and where they rest.
void turn_driver::collect_eaten(word *eaten_to) {
    std::copy(on_board_eaten_.begin(), on_board_eaten_.end(), eaten_to);
    auto check = [&](int row, int col) {
        int i = index_[row][col];
        if (i >= 0 && play_board[row][col] != CELL_GRUBBLET) {
            set_bit(eaten_to, i);
            if (!bit_of(on_board_eaten_.data(), i)) {
                play_board[row][col] = CELL_GRUBBLET;
            }
        }
    };
    for (int i = 0; i < game.trail_len; i++) {
        check(game.trail_y[i], game.trail_x[i]);
    }
    check(game.player_y, game.player_x);
}

turn_end turn_driver::fresh_start(play_state *to, word *eaten_to, trajectory *path) {
    reset_board();
    game.pending_move = MOVE_NONE;
    turn_end end = run(path);
    if (end == TURN_RESTS) {
        *to = {game.player_x, game.player_y, game.tummy, game.health};
        collect_eaten(eaten_to);
    }
    return end;
}

turn_end turn_driver::play(const play_state &from, const word *eaten, move_code move,
                           play_state *to, word *eaten_to, trajectory *path) {
    load(eaten);
    game.player_x = from.x;
    game.player_y = from.y;
    game.tummy = rules_.endless_tummy ? ENDLESS : from.tummy;
    game.health = rules_.endless_health ? ENDLESS : from.health;
    game.pending_move = move;
    turn_end end = run(path);
    if (end == TURN_RESTS) {
        // Under relaxed rules the relaxed meter says nothing about the state.
        *to = {game.player_x, game.player_y, rules_.endless_tummy ? 0 : game.tummy,
               rules_.endless_health ? 0 : game.health};
        collect_eaten(eaten_to);
    }
    return end;
}

void turn_driver::trace(int x, int y, int length, move_code move, trajectory *path) {
    std::vector<word> none(static_cast<std::size_t>(words_), 0);
    load(none.data());
    // More grubblets than any board holds: the level check never fires, so
    // the motion is traced to its end whatever is eaten on the way.
    game.grubblets_left = ENDLESS;
    game.eaten_this_level = length;
    game.player_x = x;
    game.player_y = y;
    game.tummy = ENDLESS;
    game.health = ENDLESS;
    game.pending_move = move;
    if (run(path) == TURN_RESTS) {
        collect_eaten(none.data());
    }
}

bool replay_with(turn_driver &driver, const std::string &keys, std::vector<route_cell> *cells) {
    std::vector<word> eaten(static_cast<std::size_t>(driver.words())), after(eaten);
    play_state state{};
    trajectory path;
    turn_end end = driver.fresh_start(&state, eaten.data(), &path);
    if (cells != nullptr) {
        cells->assign(path.cells.begin(), path.cells.end());
    }
    for (char key : keys) {
        move_code move = move_for_key(key);
        if (end != TURN_RESTS || move == MOVE_NONE) {
            return false;
        }
        end = driver.play(state, eaten.data(), move, &state, after.data(), &path);
        eaten.swap(after);
        if (cells != nullptr) {
            cells->insert(cells->end(), path.cells.begin(), path.cells.end());
        }
    }
    return end == TURN_CLEARS;
}

bool replay_keys(int level, const std::string &keys, std::vector<route_cell> *cells) {
    turn_driver driver(level);
    return replay_with(driver, keys, cells);
}
