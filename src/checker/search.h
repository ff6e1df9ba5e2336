// Inside the level checker (not part of its public face): the pieces its
// analysis of one level is built from. Each piece belongs to one analysis,
// and analyses share nothing, so levels can be checked side by side.
//
// - level_play plays the rules' turns (rules.h) on one level from any state
//   of play: the player's place, tummy, health and the grubblets eaten.
// - reach_map over-approximates every possible play of a level: where the
//   player can come to rest and which grubblets can be eaten from there,
//   whatever the jump length and ignoring tummy and health. Whatever it says
//   cannot happen cannot happen in any real play. It keeps every move's
//   traced motion, which the search plays, and gives the lower bound on the
//   keys left (bound.cpp, walks.cpp), which must never exceed what a real
//   play needs.
// - can_still_win answers, from the map, whether a player at rest can still
//   clear the level; the search, the traps and the difficulty all ask it.
// - search() looks for a win over whole states of play, in one of six
//   orders (shortest first on the bound, weighted on the bound, directed,
//   greedy, narrow, breadth first), within a number of distinct states.
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

// The most grubblets on a level for which the search for a shorter win gets
// its whole budget: past it a proof is rare, and a few states give the bound.
const int PROOF_GRUBBLETS = 30;

// In the tables of fewest moves (bound.cpp, walks.cpp): no way at all.
const std::uint16_t NO_MOVES = 0xFFFF;

// A meter that cannot run out within one turn: falls cost at most 23 health,
// and eating tops the tummy up to at most TUMMY_MAX.
const int ENDLESS_METER = 1 << 20;

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
    const relaxed_rules &rules() const {
        return rules_;
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

    // A lower bound on the keys a player resting at a place with `eaten`
    // eaten still needs to clear the level (bound.cpp): never more than any
    // real play needs; NO_WAY where no play can; 0 with nothing left. With
    // `with_order`, also what the order of eating costs, which takes a table
    // made on first use. `nearest`: the fewest moves to pass a grubblet left.
    enum { NO_WAY = 1 << 20 };
    struct keys_left {
        int at_least, nearest;
    };
    keys_left keys_left_from(int place, const word *eaten, bool with_order);

    // The most numbers the table of walks through the grubblets left may
    // keep (walks.cpp), one byte each, on levels of up to 24 grubblets (half
    // past them); with fewer, more grubblets share a group. Set before the
    // first bound.
    enum { WALK_ENTRIES = 16 << 20 };
    void limit_walk_table(std::size_t entries) {
        walks_.most_entries = entries;
    }

    // Places are numbered from 0 (the start's rest) in the order found.
    int places() const {
        return places_;
    }
    int place_at(int x, int y) const {
        return place_of_[static_cast<std::size_t>(y * BOARD_COLS + x)];
    }
    cell_ref cell_of(int place) const {
        return cell_of_[static_cast<std::size_t>(place)];
    }

    // Where one move leads from one place, for jump lengths from
    // `from_length` up to where the next motion of the same move starts, as
    // the rules' own turn traced it on the level with every grubblet in
    // place.
    struct motion {
        int from_length;
        int to;                 // place, or -1 for a death
        int passes, passes_end; // grubblets passed, each once, in passed()
        int hurt;               // health a fall at its end costs
    };
    // The motion of PLAYER_MOVES[move] from a place with jumps `length`
    // cells longer than at the start.
    const motion &motion_of(int place, int move, int length) const;
    int passed(int k) const {
        return passed_[static_cast<std::size_t>(k)];
    }

    // A pocket: the few places a player resting at `place` with jumps
    // `length` longer can ever get to, when the grubblets passed in them
    // cannot lengthen the jumps enough to leave (a well too deep, a pit with
    // walls too high). The grubblets some move there passes, or nullptr when
    // the place is no pocket (pocket.cpp).
    const word *pocket_at(int place, int length);

    // Whether a player resting at a place with `eaten` eaten can still eat
    // every grubblet that only short jumps get to (deadline.cpp): none is
    // past its deadline, and the next move that eats can eat every one
    // whose deadline it is.
    bool meets_deadlines(int place, const word *eaten);

  private:
    // For one jump length: by place, grubblets passed from there; and the
    // bound's tables (bound.cpp), empty past their memory.
    struct closures {
        std::vector<word> ever, before_growing;
        // By place * grubblets + grubblet: the fewest moves, this length or
        // longer, to a move that passes the grubblet (NO_MOVES: none).
        std::vector<std::uint16_t> to_pass;
        // The same with the moves of this length only: until the next
        // grubblet is eaten, the jumps keep their length.
        std::vector<std::uint16_t> to_pass_now;
    };
    void make_closures(int length);
    // The map at one jump length, made when first asked for.
    closures &closures_at(int length);
    void make_distances(int length, const std::vector<std::vector<int>> &next,
                        const std::vector<word> &own, const std::vector<std::vector<int>> &next_now,
                        const std::vector<word> &own_now);
    // The shortest walk through the grubblets left, each leg at its own jump
    // length (walks.cpp); 0 where no table is made (past 63 grubblets, or
    // past the memory for the distances).
    int walk_left(int place, const word *eaten);
    void make_walk_table();
    void make_groups(const std::vector<std::uint8_t> &leg);
    std::vector<word> closure(const std::vector<std::vector<int>> &next,
                              const std::vector<word> &own) const;

    int words_;
    int grubblet_count_;
    int places_ = 0;
    std::size_t distance_bytes_ = 0; // in every length's tables
    std::vector<int> place_of_;      // by row * 80 + column, -1 where never at rest
    std::vector<cell_ref> cell_of_;  // by place
    std::vector<word> at_all_;
    // By place * 7 + move: the move's motions, lengths rising, the first
    // from length 0.
    std::vector<std::vector<motion>> motions_;
    std::vector<int> passed_;
    // By jump length, up to the longest at which some motion starts: every
    // longer one behaves as that one. Each made when first asked for.
    std::vector<closures> by_length_;
    // By place * (grubblets + 1) + length: -2 not yet asked, -1 no pocket,
    // else where its grubblets start in pocket_sets_.
    std::vector<int> pocket_of_;
    std::vector<word> pocket_sets_;
    // By length, grubblets whose deadline has passed, and whose deadline it
    // is; `first_eats`: the most the fresh start's own turn may have eaten.
    void make_deadlines(int first_eats);
    std::vector<word> late_, due_;
    // By length with some grubblet due, made on first use: by place * 7 +
    // move, the motion that holds; empty on levels with too many such
    // lengths.
    std::vector<std::vector<const motion *>> due_moves_;
    std::vector<char> seen_; // by place, for meets_deadlines
    std::vector<int> stack_; // places, for meets_deadlines
    // The walk table (walks.cpp): grubblets in small groups; by the count
    // left in each group and the group of the grubblet eaten last, the
    // fewest moves that eat the rest. Empty where not made.
    struct walk_table {
        bool tried = false;
        std::size_t most_entries = WALK_ENTRIES;
        std::vector<std::uint8_t> group_of; // by grubblet
        // By group: what one grubblet left in it adds to a count's number.
        std::vector<std::size_t> stride;
        std::size_t counts = 0;           // numbers of counts
        std::vector<std::uint8_t> fewest; // by count * groups + group eaten last
    } walks_;
};

// Whether a player resting at (x, y) with `eaten` eaten can still clear the
// level: false when some grubblet left is out of every way on from there, or
// no way passes any of them before the jumps grow, which only eating does,
// or the player is in a pocket that does not hold them all, or (with
// `deadlines`) has eaten past some grubblet's deadline or cannot eat in time
// those due now. Never false where a win is still possible. The traps ask
// without the deadlines: for them `eaten` stands for every set of its size,
// and which grubblets were eaten decides a deadline, not how many.
bool can_still_win(reach_map &map, int x, int y, const word *eaten, bool deadlines = true);

// A win looked for over whole states of play.
enum search_order {
    ORDER_SHORTEST, // best first on keys so far plus a lower bound on keys left
    ORDER_GREEDY,   // the states that have eaten the most first, the nearest grubblet next
    ORDER_DIRECTED, // the fewest keys so far plus four for each grubblet left first
    ORDER_BREADTH,  // fewest keys first, unguided: to see where plays come to rest
    // Best first on keys so far plus the bound counted `weight_tenths` / 10
    // times: a shorter win than the one known, found fast, though not always
    // the shortest. It drops only what the shortest-first order drops, so
    // when it tries every state left, no shorter win exists.
    ORDER_WEIGHTED,
    // Greedy, but each place keeps only its first `per_place` states at each
    // number of grubblets eaten, and any healthier than those: it cannot try
    // every way, so it proves no level unclearable, but it dives through
    // levels of many grubblets where the greedy order drowns in the sets it
    // could have eaten.
    ORDER_NARROW,
};

enum search_end { SEARCH_WON, SEARCH_EXHAUSTED, SEARCH_GAVE_UP };

struct search_result {
    search_end end = SEARCH_EXHAUSTED;
    // The win found; for the shortest win, also one found before the search
    // gave up.
    std::string keys;
    // For the shortest win: no win takes fewer keys (the keys of the win
    // found, or the least estimate left open when the search gave up).
    int at_least = 0;
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
    // For the shortest win: a win of this many keys is known, so only
    // shorter ones are looked for, and none found proves it shortest; 0
    // when none is known.
    int shorter_than = 0;
    // For ORDER_WEIGHTED: how many times the bound counts, in tenths.
    int weight_tenths = 10;
    // For ORDER_NARROW: the states a place keeps at each number eaten.
    int per_place = 1;
};

// Searches from the start for a win within max_states distinct states,
// dropping those that can no longer win.
search_result search(const search_start &from, search_order order, long max_states);

// How hard a clearable level is, from its winning keys played again with
// the map of the same analysis.
difficulty_figure measure_difficulty(level_play &play, reach_map &map, const std::string &keys);

#endif
