// The level checker, grubblet-check: a companion tool for level designers.
// It reads a level file with the game's own reader, warns about what the game
// will silently make of the file, and decides for each level whether it can
// be cleared, with a winning key sequence or the reason why not, and for a
// clearable level a difficulty figure made by playing that sequence again.
//
// What must hold: the checker never re-implements a rule. Every move it tries
// is resolved by the rules' own turn (rules.h), the one the game plays, so
// the checker and the game cannot disagree; and it never claims what it has
// not proven: a level is "cannot be cleared" only after an exhaustive search
// or an argument that covers every possible play, and every winning sequence
// it reports has been replayed through the game and seen to clear the level.
#ifndef GRUBBLET_CHECKER_H
#define GRUBBLET_CHECKER_H

#include "../game/rules.h"
// The level file's reader, and the warnings about a file that a report
// carries.
#include "../levels/levels.h"

#include <functional>
#include <string>
#include <vector>

// A cell of a level's board.
struct cell_ref {
    int row;
    int col;
};

enum answer_kind {
    ANSWER_CLEARABLE,
    ANSWER_NOT_CLEARABLE,
    ANSWER_UNDECIDED,
};

// Touching places on one row where a player who comes to rest can never
// clear the level any more: whatever has been eaten, or having eaten at most
// `eaten_at_most` grubblets (short jumps cannot climb out; longer ones can).
// Only places the searches saw a real play from the fresh start come to rest
// on under that condition.
struct trap_run {
    int row;
    int col, last_col;
    int eaten_at_most; // -1: whatever has been eaten
};

// How hard a clearable level is to clear, from its winning sequence played
// again: the longer the way, the more of the moves on it
// that kill or strand the player, and the closer the tummy comes to empty,
// the harder. score = keys x (1 + 2 x risk) x (1 + (100 - lowest_tummy) / 100).
struct difficulty_figure {
    bool known = false; // false for a level not cleared by a known sequence
    double score = 0;   // rounded to one decimal
    int keys = 0;       // key presses of the winning sequence
    // Of the seven moves at each rest on the way, the share that kills or
    // leaves the player where the level can no longer be cleared, averaged
    // over the rests; rounded to two decimals.
    double risk = 0;
    int lowest_tummy = 0; // the lowest tummy at rest on the way
};

// What the checker found out about one level.
struct level_verdict {
    answer_kind answer = ANSWER_UNDECIDED;
    std::string keys;      // a winning sequence of play keys, when clearable
    bool shortest = false; // keys is proven to be a shortest win
    // No win takes fewer keys than this: the length of keys when it is a
    // shortest one, else what the search for one proved before it stopped.
    int at_least = 0;
    long states = 0; // states explored, all searches together
    // Why the level cannot be cleared, or what was tried when it was not
    // decided; empty for a clearable level.
    std::string reason;
    // Grubblets that no play can ever eat, in reading order.
    std::vector<cell_ref> never_eaten;
    // In reading order; none on a level that cannot be cleared.
    std::vector<trap_run> traps;
    difficulty_figure difficulty; // known for a clearable level
};

struct search_limits {
    // Distinct states one level may keep in all, every search together;
    // past it the answer is "not decided". A state takes about 40 bytes
    // plus one bit for each grubblet.
    long max_states = 1000000;
    // Of those, how many the directed search for any win may take before
    // the narrow dives and the greedy search take over; each dive may take
    // as many.
    long directed_states = 100000;
    // How many each of the two quick passes for a shorter win may take,
    // before the search for the shortest. Kept apart from the limit below,
    // so that a level checked with a smaller one (the generator's) comes out
    // with the same winning keys when both prove it.
    long quick_states = 25000;
    // How many the search for a shorter win than the first one
    // found may take; past it the win is "not proven shortest".
    long shortest_states = 500000;
    // And how many the breadth-first look at where plays come to rest, for
    // the traps, may take.
    long trap_states = 100000;
};

// Decides a level from a fresh start (the level from its start, then one
// turn with no move, as the restart key gives it), with its traps and, when
// it is clearable, its difficulty.
level_verdict solve_level(const board_cells &level, const search_limits &limits = search_limits());

// Decides each level as solve_level does, up to `jobs` of them at once (0:
// as many as the machine has cores). The verdicts are in level order and
// the same whatever the number of jobs.
std::vector<level_verdict> solve_levels(const std::vector<board_cells> &levels,
                                        const search_limits &limits, int jobs);

// Runs work(0) to work(count - 1), up to `jobs` at once (0: one for each
// core), and returns when all are done. Each call must touch only what is
// its own. A call that throws (out of memory) stops the rest, and the
// exception comes out here once every job running has ended.
void run_jobs(int count, int jobs, const std::function<void(int)> &work);

// One cell the player stood on while a key sequence was played, and whether
// it was on the painful part of a fall.
struct route_cell {
    int row;
    int col;
    bool hurt;
};

// Plays keys on a level from a fresh start. Returns true when the level is
// cleared by the last key and not before; *cells (when given) receives every
// cell stood on, in order.
bool replay_keys(const board_cells &level, const std::string &keys, std::vector<route_cell> *cells);

// The whole report on a checked file, in the form the command prints.
struct file_report {
    std::string path;
    std::vector<file_warning> warnings;
    std::vector<board_cells> boards; // the levels as loaded
    std::vector<level_verdict> levels;
    std::vector<file_place> cells; // from locate_cells
};

// A report begun on a level file's bytes: its warnings, where each cell came
// from, and the levels read as the game reads them (onto empty levels);
// the verdicts are left to solve_levels.
file_report begin_report(const std::string &path, const std::string &content);

// The report as text, as the command prints it by default; the exit status
// the command ends with: 0 when every level is clearable (and, `strict`,
// nothing was warned about the file), 1 otherwise. Traps are notes on a
// level's design: they never fail it.
std::string report_text(const file_report &report);
int report_status(const file_report &report, bool strict);
// The report as one JSON object.
std::string report_json(const file_report &report);
// Every clearable level drawn as the game shows it, with the route of its
// winning sequence over it; in colour when `colour` is set.
std::string report_routes(const file_report &report, bool colour);

#endif
