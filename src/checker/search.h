// Inside the level checker (not part of its public face): the pieces its
// analysis of one level is built from. Each piece belongs to one analysis,
// and analyses share nothing, so levels can be checked side by side.
//
// - level_play plays the rules' turns (rules.h) on one level from any state
//   of play: the player's place, tummy, health and the grubblets eaten.
// - reach_map over-approximates every possible play of a level: where the
//   player can come to rest and which grubblets can be eaten from there,
//   whatever the jump length and ignoring tummy and health. Whatever it says
//   cannot happen cannot happen in any real play.
// - can_still_win answers, from the map, whether a player at rest can still
//   clear the level; the search, the traps and the difficulty all ask it.
// - search() looks for a win over whole states of play, shortest first or
//   greedy, within a number of distinct states.
//
// Sets of grubblets are bit sets of `words` 64-bit words, one bit per
// grubblet in reading order.
#ifndef GRUBBLET_CHECKER_SEARCH_H
#define GRUBBLET_CHECKER_SEARCH_H

#include "checker.h"

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

// Every cell the player stood on in one turn, in order, up to where it ended.
struct trajectory {
    std::vector<route_cell> cells;
    outcome_kind end = OUTCOME_NONE; // OUTCOME_LEVEL_WON for a cleared level
};

// Rules relaxed to find out which one stands in the way of a level: a meter
// topped up before every turn so it never runs out, or the mines taken off
// the board.
struct relaxed_rules {
    bool endless_tummy = false;
    bool endless_health = false;
    bool no_mines = false;
};

// One level, played from any state of play with the rules' own turns.
class level_play {
  public:
    level_play(const board_cells &level, const relaxed_rules &rules = relaxed_rules());

    const board_cells &level() const {
        return level_;
    }
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
    bool has_mines() const {
        return has_mines_;
    }

    // The fresh start: the level from its start, then one turn with no move.
    outcome_kind fresh_start(play_state *to, word *eaten_to, trajectory *path = nullptr);
    // One move from a state with `eaten` eaten; eaten_to receives the
    // grubblets eaten after it. OUTCOME_NONE when the player lives on.
    outcome_kind play(const play_state &from, const word *eaten, move_code move, play_state *to,
                      word *eaten_to, trajectory *path = nullptr);
    // Where one move leads from (x, y) with jumps `length` cells longer than
    // at the start, every grubblet still in place: the cells passed and
    // where it ends. Never clears the level.
    void trace(int x, int y, int length, move_code move, trajectory *path);

  private:
    void load(const word *eaten);
    outcome_kind run(play_state &s, move_code move, trajectory *path, word *eaten_to);

    board_cells level_;
    board_cells board_; // the level less the grubblets of on_board_eaten_
    relaxed_rules rules_;
    int words_;
    bool has_mines_ = false;
    std::vector<cell_ref> grubblets_;
    short index_[BOARD_ROWS][BOARD_COLS];
    std::vector<word> on_board_eaten_;
    std::vector<word> none_; // the set with nothing eaten
};

// Plays keys from a fresh start; true when the level is cleared by the last
// key and not before. *cells as for replay_keys.
bool replay_with(level_play &play, const std::string &keys, std::vector<route_cell> *cells);

class reach_map {
  public:
    // Builds the map from the rest position of the fresh start; `first_turn`
    // is the fresh start's own turn.
    reach_map(level_play &play, int start_x, int start_y, const trajectory &first_turn);

    int words() const {
        return words_;
    }
    // Grubblets some play can eat at all.
    const word *eatable_at_all() const {
        return at_all_.data();
    }

    // What is still open to a player resting at a place with jumps `length`
    // cells longer than at the start (one cell for every grubblet eaten).
    // The sets stay valid as long as the map.
    struct prospects {
        // Grubblets some way on from here passes: jumps only ever grow.
        const word *ever;
        // Grubblets some move passes before the next one is eaten: until
        // then every jump keeps its length.
        const word *before_growing;
    };
    // False for a place no play rests at.
    bool prospects_at(int x, int y, int length, prospects *out);

  private:
    // Where one move leads from one place, for jump lengths from
    // `from_length` up to where the next motion of the same move starts.
    struct motion {
        int from_length;
        int to;                 // place, or -1 for a death
        int passes, passes_end; // grubblets passed, in passed_
    };
    // For one jump length: by place, grubblets passed from there.
    struct closures {
        std::vector<word> ever, before_growing;
    };
    void make_closures(int length);
    std::vector<word> closure(const std::vector<std::vector<int>> &next,
                              const std::vector<word> &own) const;

    int words_;
    int places_ = 0;
    std::vector<int> place_of_; // by row * 80 + column, -1 where never at rest
    std::vector<word> at_all_;
    // By place * 7 + move: the move's motions, lengths rising, the first
    // from length 0.
    std::vector<std::vector<motion>> motions_;
    std::vector<int> passed_;
    // By jump length, up to the longest at which some motion starts: every
    // longer one behaves as that one. Each made when first asked for.
    std::vector<closures> by_length_;
};

// Whether a player resting at (x, y) with `eaten` eaten can still clear the
// level: false when some grubblet left is out of every way on from there, or
// no way passes any of them before the jumps grow, which only eating does.
// Never false where a win is still possible.
bool can_still_win(reach_map &map, int x, int y, const word *eaten);

// A win looked for over whole states of play.
enum search_order {
    ORDER_SHORTEST, // breadth first: the first win found is a shortest one
    ORDER_GREEDY,   // the states that have eaten the most first
};

enum search_end { SEARCH_WON, SEARCH_EXHAUSTED, SEARCH_GAVE_UP };

struct search_result {
    search_end end = SEARCH_EXHAUSTED;
    std::string keys;
    long states = 0; // distinct states kept, the start one of them
    // By row * 80 + column: the fewest grubblets eaten by a real play seen
    // coming to rest there, or -1 where none was seen.
    std::vector<int> fewest_eaten_at;
};

// Where a search starts.
struct search_start {
    level_play *play;
    reach_map *map;
    play_state state;
    const word *eaten;
};

// Searches from the start for a win within max_states distinct states,
// dropping those that can no longer win.
search_result search(const search_start &from, search_order order, long max_states);

// How hard a clearable level is, from its winning keys played again with
// the map of the same analysis.
difficulty_figure measure_difficulty(level_play &play, reach_map &map, const std::string &keys);

#endif
