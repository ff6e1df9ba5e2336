// Playing one level from any state of play with the rules' own turns.
// Between turns the game is fully described by the player's place, tummy,
// health and the grubblets eaten, so any state can be set up and played on.
//
// The board is kept in step with the set of eaten grubblets last played
// from, and changed only where sets differ, so that setting up a state costs
// little however many grubblets a level has.
#include "search.h"

#include <algorithm>

namespace {

void append_trail(const turn_trail &trail, trajectory *path) {
    for (int i = 0; i < trail.len; i++) {
        path->cells.push_back({trail.y[i], trail.x[i], i >= trail.fall_mark});
    }
}

} // namespace

level_play::level_play(const board_cells &level, const relaxed_rules &rules)
    : level_(level), rules_(rules) {
    for (int r = 0; r < BOARD_ROWS; r++) {
        for (int c = 0; c < BOARD_COLS; c++) {
            index_[r][c] = -1;
            has_mines_ = has_mines_ || level_.at[r][c] == CELL_MINE;
            if (rules.no_mines && level_.at[r][c] == CELL_MINE) {
                level_.at[r][c] = CELL_EMPTY;
            }
            if (level_.at[r][c] == CELL_GRUBBLET) {
                index_[r][c] = static_cast<short>(grubblets_.size());
                grubblets_.push_back({r, c});
            }
        }
    }
    board_ = level_;
    words_ = std::max(1, (grubblet_count() + 63) / 64);
    on_board_eaten_.assign(static_cast<std::size_t>(words_), 0);
    none_ = on_board_eaten_;
}

void level_play::load(const word *eaten) {
    for (int w = 0; w < words_; w++) {
        word differ = on_board_eaten_[static_cast<std::size_t>(w)] ^ eaten[w];
        while (differ != 0) {
            int i = w * 64 + __builtin_ctzll(differ);
            differ &= differ - 1;
            const cell_ref &g = grubblets_[static_cast<std::size_t>(i)];
            board_.at[g.row][g.col] = bit_of(eaten, i) ? CELL_EMPTY : CELL_GRUBBLET;
        }
        on_board_eaten_[static_cast<std::size_t>(w)] = eaten[w];
    }
}

// Plays the move on the loaded board. Eaten grubblets are added to eaten_to
// and put back, so that the board stays in step with the loaded set: the
// player ate only where they stood, on the trail's cells and where they
// stopped.
outcome_kind level_play::run(play_state &s, move_code move, trajectory *path, word *eaten_to) {
    turn_trail trail;
    const turn_result result = play_turn(board_, s, move, &trail);
    if (path != nullptr) {
        path->cells.clear();
        append_trail(trail, path);
        path->cells.push_back({s.y, s.x, result.hurt});
        path->end = result.outcome;
    }
    if (eaten_to != nullptr) {
        std::copy(on_board_eaten_.begin(), on_board_eaten_.end(), eaten_to);
    }
    auto put_back = [&](int row, int col) {
        int i = index_[row][col];
        if (i >= 0 && board_.at[row][col] != CELL_GRUBBLET && !bit_of(on_board_eaten_.data(), i)) {
            board_.at[row][col] = CELL_GRUBBLET;
            if (eaten_to != nullptr) {
                set_bit(eaten_to, i);
            }
        }
    };
    for (int i = 0; i < trail.len; i++) {
        put_back(trail.y[i], trail.x[i]);
    }
    put_back(s.y, s.x);
    return result.outcome;
}

outcome_kind level_play::fresh_start(play_state *to, word *eaten_to, trajectory *path) {
    load(none_.data());
    play_state s = fresh_play(level_);
    const outcome_kind end = run(s, MOVE_NONE, path, eaten_to);
    *to = s;
    return end;
}

outcome_kind level_play::play(const play_state &from, const word *eaten, move_code move,
                              play_state *to, word *eaten_to, trajectory *path) {
    load(eaten);
    play_state s = from;
    s.eaten = count_bits(eaten, words_);
    s.grubblets_left = grubblet_count() - s.eaten;
    s.tummy = rules_.endless_tummy ? ENDLESS_METER : from.tummy;
    s.health = rules_.endless_health ? ENDLESS_METER : from.health;
    const outcome_kind end = run(s, move, path, eaten_to);
    // Under relaxed rules the relaxed meter says nothing about the state.
    *to = s;
    to->tummy = rules_.endless_tummy ? 0 : s.tummy;
    to->health = rules_.endless_health ? 0 : s.health;
    return end;
}

void level_play::trace(int x, int y, int length, move_code move, trajectory *path) {
    load(none_.data());
    // More grubblets than any board holds: the level check never fires, so
    // the motion is traced to its end whatever is eaten on the way.
    play_state s{x, y, ENDLESS_METER, ENDLESS_METER, length, ENDLESS_METER};
    run(s, move, path, nullptr);
}

bool replay_with(level_play &play, const std::string &keys, std::vector<route_cell> *cells) {
    std::vector<word> eaten(static_cast<std::size_t>(play.words())), after(eaten);
    play_state state{};
    trajectory path;
    outcome_kind end = play.fresh_start(&state, eaten.data(), &path);
    if (cells != nullptr) {
        cells->assign(path.cells.begin(), path.cells.end());
    }
    for (char key : keys) {
        move_code move = move_for_key(key);
        if (end != OUTCOME_NONE || move == MOVE_NONE) {
            return false;
        }
        end = play.play(state, eaten.data(), move, &state, after.data(), &path);
        eaten.swap(after);
        if (cells != nullptr) {
            cells->insert(cells->end(), path.cells.begin(), path.cells.end());
        }
    }
    return end == OUTCOME_LEVEL_WON;
}

bool replay_keys(const board_cells &level, const std::string &keys,
                 std::vector<route_cell> *cells) {
    level_play play(level);
    return replay_with(play, keys, cells);
}
