// The search that proves a level clearable: breadth first over key presses,
// each resolved by the game's own run_turn.
//
// A state is everything a turn depends on between turns: the player's
// position, which grubblets are eaten (and so how long the jumps are), the
// tummy and the health. Two states at the same position with the same
// grubblets eaten differ only in tummy and health, and more of either is never
// worse, so a state is dropped when one already seen has at least as much of
// both.
#include "checker.h"

#include "../game/game_state.h"

#include <bitset>
#include <cstddef>
#include <unordered_map>

namespace {

// The moves the search tries, in this order. Restarting and the gauge key are
// never part of a shortest win.
const move_code SEARCH_MOVES[] = {MOVE_WALK_LEFT,    MOVE_WALK_RIGHT, MOVE_SPRINT_LEFT,
                                  MOVE_SPRINT_RIGHT, MOVE_HIGH_LEFT,  MOVE_HIGH_RIGHT,
                                  MOVE_HIGH_UP};

const int MAX_GRUBBLETS = 128;
const long MAX_STATES = 5000000;

using eaten_set = std::bitset<MAX_GRUBBLETS>;

struct search_node {
    int x, y, tummy, health;
    eaten_set eaten;
    int parent; // index of the node this one was reached from, -1 at the start
    char key;   // the key pressed to get here
};

struct place {
    int x, y;
    eaten_set eaten;
    bool operator==(const place &o) const {
        return x == o.x && y == o.y && eaten == o.eaten;
    }
};

struct place_hash {
    std::size_t operator()(const place &p) const {
        return std::hash<eaten_set>()(p.eaten) ^ (static_cast<std::size_t>(p.y * 80 + p.x) << 1);
    }
};

// What the outcomes of one turn came to.
bool cleared = false;
bool died = false;

void note_outcome(outcome_kind kind) {
    if (kind == OUTCOME_LEVEL_WON || kind == OUTCOME_GAME_WON) {
        cleared = true;
    } else {
        died = true;
    }
}

struct grubblet_cell {
    int x, y;
};

class level_search {
  public:
    explicit level_search(int level) : level_(level) {}

    level_verdict run() {
        const display_interface saved = display;
        level_verdict verdict = search();
        display = saved;
        return verdict;
    }

  private:
    level_verdict search() {
        level_verdict verdict;
        game.level = level_;
        reset_level();
        for (int r = 0; r < BOARD_ROWS; r++) {
            for (int c = 0; c < BOARD_COLS; c++) {
                if (play_board[r][c] == CELL_GRUBBLET) {
                    grubblets_.push_back({c, r});
                }
            }
        }
        if (grubblets_.size() > static_cast<std::size_t>(MAX_GRUBBLETS)) {
            verdict.gave_up = "more than " + std::to_string(MAX_GRUBBLETS) + " grubblets";
            return verdict;
        }

        // The fresh start: the restart key resets the level and runs one turn.
        if (!resolve(MOVE_NONE, true)) {
            verdict.clearable = cleared;
            verdict.states = 1;
            return verdict;
        }
        add_node(-1, 0);

        for (std::size_t next = 0; next < nodes_.size(); next++) {
            if (nodes_.size() > static_cast<std::size_t>(MAX_STATES)) {
                verdict.gave_up = "more than " + std::to_string(MAX_STATES) + " states";
                break;
            }
            for (std::size_t m = 0; m < sizeof SEARCH_MOVES / sizeof SEARCH_MOVES[0]; m++) {
                load(nodes_[next]);
                if (!resolve(SEARCH_MOVES[m], false)) {
                    if (cleared) {
                        verdict.clearable = true;
                        verdict.keys = path_to(static_cast<int>(next)) + MOVE_KEYS[SEARCH_MOVES[m]];
                        verdict.states = static_cast<long>(nodes_.size());
                        restore_level();
                        return verdict;
                    }
                    continue;
                }
                add_node(static_cast<int>(next), MOVE_KEYS[SEARCH_MOVES[m]]);
            }
        }
        verdict.states = static_cast<long>(nodes_.size());
        restore_level();
        return verdict;
    }

    // Puts a state into the game: the play board with its grubblets eaten,
    // the player, the meters.
    void load(const search_node &n) {
        int eaten = 0;
        for (std::size_t i = 0; i < grubblets_.size(); i++) {
            bool gone = n.eaten[i];
            play_board[grubblets_[i].y][grubblets_[i].x] = gone ? CELL_EMPTY : CELL_GRUBBLET;
            eaten += gone;
        }
        game.grubblets_left = static_cast<int>(grubblets_.size()) - eaten;
        game.eaten_this_level = eaten;
        game.player_x = n.x;
        game.player_y = n.y;
        game.tummy = n.tummy;
        game.health = n.health;
        game.rise_left = 0;
        game.drift = 0;
    }

    // Resolves one turn. Returns true when the player lives on in the level;
    // false when it was cleared or a life was lost (see `cleared`).
    bool resolve(move_code move, bool fresh_start) {
        cleared = false;
        died = false;
        display = display_interface{note_outcome, nullptr, nullptr};
        game.level = level_;
        game.quit_requested = 0;
        game.game_won = 0;
        if (fresh_start) {
            reset_level();
        }
        game.pending_move = move;
        run_turn();
        display = display_interface{nullptr, nullptr, nullptr};
        if (cleared || died) {
            restore_level();
            return false;
        }
        return true;
    }

    void restore_level() {
        game.level = level_;
        reset_level();
    }

    // Records the state the last turn left, unless one already seen is at
    // least as good.
    void add_node(int parent, char key) {
        search_node n;
        n.x = game.player_x;
        n.y = game.player_y;
        n.tummy = game.tummy;
        n.health = game.health;
        for (std::size_t i = 0; i < grubblets_.size(); i++) {
            n.eaten[i] = play_board[grubblets_[i].y][grubblets_[i].x] != CELL_GRUBBLET;
        }
        n.parent = parent;
        n.key = key;
        std::vector<int> &seen = seen_[place{n.x, n.y, n.eaten}];
        for (int i : seen) {
            if (nodes_[static_cast<std::size_t>(i)].tummy >= n.tummy &&
                nodes_[static_cast<std::size_t>(i)].health >= n.health) {
                return;
            }
        }
        seen.push_back(static_cast<int>(nodes_.size()));
        nodes_.push_back(n);
    }

    std::string path_to(int node) const {
        std::string keys;
        for (int i = node; i >= 0 && nodes_[static_cast<std::size_t>(i)].parent >= 0;
             i = nodes_[static_cast<std::size_t>(i)].parent) {
            keys.insert(keys.begin(), nodes_[static_cast<std::size_t>(i)].key);
        }
        return keys;
    }

    int level_;
    std::vector<grubblet_cell> grubblets_;
    std::vector<search_node> nodes_;
    std::unordered_map<place, std::vector<int>, place_hash> seen_;
};

} // namespace

level_verdict solve_level(int level) {
    return level_search(level).run();
}
