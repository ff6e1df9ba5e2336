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
// - search() looks for a win over whole states of play, shortest first or
//   greedy, within a number of states.
//
// Sets of grubblets are bit sets of `words` 64-bit words, one bit per
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

// Rules relaxed to find out which one stands in the way of a level: a meter
// topped up before every turn so it never runs out, or the mines taken off
// the play board (the stored level keeps them).
struct relaxed_rules {
    bool endless_tummy = false;
    bool endless_health = false;
    bool no_mines = false;
};

// A driver takes over the game's records (the level, the play board, the
// display) for as long as it lives, so only one may be alive at a time: the
// constructor ends the program if another one is. Whoever needs turns while
// one is alive borrows it.
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
    bool has_mines() const {
        return has_mines_;
    }

    // From the next fresh start on, the rules as relaxed (or not at all).
    void relax(const relaxed_rules &rules);

    // The fresh start: the level reset, then one turn with no move.
    turn_end fresh_start(play_state *to, word *eaten_to, trajectory *path = nullptr);
    // One move from a state; eaten_to receives the grubblets eaten after it.
    turn_end play(const play_state &from, const word *eaten, move_code move, play_state *to,
                  word *eaten_to, trajectory *path = nullptr);
    // Where one move leads from (x, y) with jumps `length` cells longer than
    // at the start, every grubblet still in place: the cells passed and
    // where it ends. Never clears the level.
    void trace(int x, int y, int length, move_code move, trajectory *path);

  private:
    void load(const word *eaten);
    turn_end run(trajectory *path);
    void collect_eaten(word *eaten_to);
    void reset_board();

    int level_;
    int words_;
    bool has_mines_ = false;
    relaxed_rules rules_;
    std::vector<cell_ref> grubblets_;
    short index_[BOARD_ROWS][BOARD_COLS];
    std::vector<word> on_board_eaten_; // grubblets missing from the play board
    display_interface saved_display_;
};

// Plays keys with the driver from a fresh start; true when the level is
// cleared by the last key and not before. *cells as for replay_keys.
bool replay_with(turn_driver &driver, const std::string &keys, std::vector<route_cell> *cells);

// The moves a search tries, in the order it tries them. Restarting is never
// part of a win, and the gauge key is a turn without a move, which only costs
// tummy.
extern const move_code SEARCH_MOVES[7];

class reach_map {
  public:
    // Builds the map from the rest position of the fresh start; `first_turn`
    // is the fresh start's own turn.
    reach_map(turn_driver &driver, int start_x, int start_y, const trajectory &first_turn);

    // Grubblets some play can eat at all.
    const word *eatable_at_all() const {
        return at_all_.data();
    }

    // What is still open to a player resting at a place with jumps `length`
    // cells longer than at the start (one cell for every grubblet eaten).
    struct prospects {
        // Grubblets some way on from here passes: jumps only ever grow.
        const word *ever;
        // Grubblets some move passes before the next one is eaten: until
        // then every jump keeps its length.
        const word *before_growing;
    };
    // False for a place no play rests at. The sets stay valid until the
    // next call.
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
    // longer one behaves as that one. Made when first asked for.
    std::vector<closures> by_length_;
    std::size_t closure_words_ = 0;
};

// A win looked for over whole states of play.
enum search_order {
    ORDER_SHORTEST, // breadth first: the first win found is a shortest one
    ORDER_GREEDY,   // the states that have eaten the most first
};

enum search_end { SEARCH_WON, SEARCH_EXHAUSTED, SEARCH_GAVE_UP };

struct search_result {
    search_end end = SEARCH_EXHAUSTED;
    std::string keys;
    long states = 0;
};

// Where a level's searches start, and what they learn on the way.
struct level_search {
    turn_driver *driver;
    reach_map *map;
    play_state start;
    std::vector<word> start_eaten;
    // By row * 80 + column: the fewest grubblets eaten by a real play seen
    // coming to rest there, or -1 where none was seen.
    std::vector<int> fewest_eaten_at;
};

// True when a player resting at (x, y) with `eaten` eaten can never eat
// every grubblet the map says some play can eat at all.
bool dead_end(reach_map &map, int words, int x, int y, const word *eaten);

// The states a level may explore when no limit is given: a million, or fewer
// where a million would take more than 32 MB.
long default_state_limit(int words);

// Searches from the start for a win within max_states states (the start one
// of them), dropping dead ends.
search_result search(level_search &level, search_order order, long max_states);

#endif
