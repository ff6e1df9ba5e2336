// Inside the level checker (not part of its public face): the pieces its
// searches are built from.
//
// - turn_driver puts a state of play into the game's records, resolves one
//   move with the game's own run_turn, and reads back what the turn did. It
//   is the only place the checker touches the rules.
// - reach_map over-approximates every possible play of a level: where the
//   player can come to rest and which grubblets can be eaten from there,
//   whatever the jump length and ignoring tummy and health. Whatever it says
//   cannot happen cannot happen in any real play.
//
// Sets of eaten grubblets are bit sets of `words` 64-bit words, one bit per
// grubblet in reading order.
#ifndef GRUBBLET_CHECKER_SEARCH_H
#define GRUBBLET_CHECKER_SEARCH_H

#include "checker.h"

#include "../game/game_state.h"

#include <cstdint>
#include <string>
#include <vector>

using word = std::uint64_t;

inline bool bit_of(const word *set, int i) {
    return (set[i >> 6] >> (i & 63)) & 1u;
}
inline void set_bit(word *set, int i) {
    set[i >> 6] |= word(1) << (i & 63);
}
int count_bits(const word *set, int words);

// "1 state", "2 states": a count with the word that goes with it.
std::string count_text(long n, const char *one, const char *many);

// What the player has between turns: everything a turn depends on apart from
// the grubblets eaten.
struct play_state {
    int x, y;
    int tummy, health;
};

enum turn_end {
    TURN_RESTS, // the player lives on in the level
    TURN_CLEARS,
    TURN_DIES,
};

// Every cell the player stood on in one turn, in order, up to where it ended.
struct trajectory {
    std::vector<route_cell> cells;
    turn_end end = TURN_RESTS;
    outcome_kind death = 0; // when the turn ended in a death
};

class turn_driver {
  public:
    // Works on the stored level `level`; the game's display is silenced and
    // the level reset until the driver is gone.
    explicit turn_driver(int level);
    ~turn_driver();
    turn_driver(const turn_driver &) = delete;
    turn_driver &operator=(const turn_driver &) = delete;

    int grubblet_count() const {
        return static_cast<int>(grubblets_.size());
    }
    int words() const {
        return words_;
    }
    // Grubblets in reading order, and the index of the grubblet on a cell or
    // -1.
    const std::vector<cell_ref> &grubblets() const {
        return grubblets_;
    }
    int grubblet_at(int row, int col) const {
        return index_[row][col];
    }

    // Relaxed rules, for finding out why a level cannot be cleared: the tummy
    // or the health is topped up before every turn, so it never runs out.
    bool endless_tummy = false;
    bool endless_health = false;

    // The fresh start: the level reset, then one turn with no move.
    turn_end fresh_start(play_state *to, word *eaten_to, trajectory *path = nullptr);
    // One move from a state; eaten_to receives the grubblets eaten after it.
    turn_end play(const play_state &from, const word *eaten, move_code move, play_state *to,
                  word *eaten_to, trajectory *path = nullptr);
    // Where one move leads from (x, y) when `eaten` grubblets have been eaten
    // (which ones does not matter to the motion), every grubblet still in
    // place: the cells passed and where it ends. Never clears the level.
    void trace(int x, int y, int eaten, move_code move, trajectory *path);

  private:
    void load(const word *eaten);
    turn_end run(trajectory *path);
    void collect_eaten(word *eaten_to);
    void restore_board();

    int level_;
    int words_;
    std::vector<cell_ref> grubblets_;
    short index_[BOARD_ROWS][BOARD_COLS];
    std::vector<word> on_board_eaten_; // grubblets missing from the play board
    display_interface saved_display_;
};

// The moves a search tries, in the order it tries them. Restarting is never
// part of a win, and the gauge key is a turn without a move, which only costs
// tummy.
extern const move_code SEARCH_MOVES[7];

class reach_map {
  public:
    // Builds the map from the rest position of the fresh start; `first_turn`
    // is the fresh start's own turn.
    reach_map(turn_driver &driver, int start_x, int start_y, const trajectory &first_turn);

    // Grubblets some play can eat at all (a bit set).
    const word *eatable_from_start() const {
        return from_start_.data();
    }
    // Grubblets some play can still eat after resting at (x, y) with
    // `eaten` grubblets eaten: jumps only ever grow. nullptr for a place no
    // play can rest at.
    const word *eatable_from(int x, int y, int eaten) {
        return closure(x, y, eaten, true);
    }
    // Grubblets some move can pass before the next one is eaten, after
    // resting at (x, y) with `eaten` grubblets eaten: until then every jump
    // keeps its length. nullptr for a place no play can rest at.
    const word *passable_from(int x, int y, int eaten) {
        return closure(x, y, eaten, false);
    }
    long traces() const {
        return traces_;
    }

  private:
    // Where one move leads for jump lengths from `eaten` on, up to the next
    // motion of the same move.
    struct motion {
        int eaten;
        int to;                 // node, or -1 for a death
        int passes, passes_end; // grubblets passed, in passed_
    };
    const word *closure(int x, int y, int eaten, bool longer_too);
    std::vector<word> closure_eatable(const std::vector<std::vector<int>> &next,
                                      const std::vector<word> &own);

    int words_;
    int longest_;              // the longest jump length that matters
    std::vector<int> node_of_; // by row * 80 + column, -1 where never at rest
    std::vector<word> from_start_;
    std::vector<std::vector<motion>> motions_; // by node: by move, lengths rising
    std::vector<int> passed_;
    // By jump length, for that length only and for it and all longer ones:
    // grubblets by node, made when first asked and dropped when they grow
    // too many.
    std::vector<std::vector<word>> closures_[2];
    std::size_t closure_words_ = 0;
    long traces_ = 0;
};

#endif
