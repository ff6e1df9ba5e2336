// novice_study [--seeds N] [--attempts A] [--budget K] [--difficulty D] [--jobs J]:
// whether the checker's difficulty figure says anything about how hard a
// generated level is to play, measured against a player the checker knows
// nothing of. The novice sees only one turn ahead: of the seven moves it
// picks at random among those that do not end its life at once, and after a
// death starts the level again. A level's clear share is the share of its
// attempts that clear it within the key budget; the summary gives the rank
// correlation of that share with the figure, with the winning sequence's
// keys and with its risk, what the figure says beyond the keys, and the
// mean share and the correlation within each difficulty.
//
// What must hold: the same options give the same output, whatever the
// number of jobs. Packs come from make_pack with one job each, and each
// level's novice draws on random numbers of its own, seeded from the level's
// seed, difficulty and place in its pack.
#include "checker/checker.h"
#include "generator/generator.h"
#include "generator/layouts.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <numeric>
#include <string>
#include <vector>

namespace {

const char USAGE[] = "Usage: novice_study [--seeds N] [--attempts A] [--budget K]\n"
                     "                    [--difficulty easy|normal|hard|all] [--jobs J]\n"
                     "\n"
                     "Makes the packs of seeds 1 to N (default: enough for at least 200\n"
                     "levels), lets a novice who avoids only the moves that kill at once play\n"
                     "each level A times (default 100) with K key presses an attempt (default\n"
                     "2000), and compares each level's clear share with its difficulty figure.\n"
                     "J levels are played at once (default: one for each core); the output is\n"
                     "the same whatever J.\n";

const char *const DIFFICULTY_NAMES[] = {"easy", "normal", "hard"};

struct options {
    long seeds = 0; // 0: enough for at least 200 levels
    int attempts = 100;
    int budget = 2000;
    std::vector<pack_difficulty> difficulties{PACK_EASY, PACK_NORMAL, PACK_HARD};
    int jobs = 0;
};

// A whole number from first to last, or false.
bool read_count(const char *text, long first, long last, long *out) {
    char *end = nullptr;
    errno = 0;
    const long value = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || errno != 0 || value < first || value > last) {
        return false;
    }
    *out = value;
    return true;
}

bool read_options(int argc, char **argv, options *o) {
    for (int i = 1; i < argc; i++) {
        const char *name = argv[i];
        if (i + 1 >= argc) {
            return false;
        }
        const char *value = argv[++i];
        long n = 0;
        if (std::strcmp(name, "--seeds") == 0 && read_count(value, 1, 100000, &n)) {
            o->seeds = n;
        } else if (std::strcmp(name, "--attempts") == 0 && read_count(value, 1, 1000000, &n)) {
            o->attempts = static_cast<int>(n);
        } else if (std::strcmp(name, "--budget") == 0 && read_count(value, 1, 100000000, &n)) {
            o->budget = static_cast<int>(n);
        } else if (std::strcmp(name, "--jobs") == 0 && read_count(value, 0, 1024, &n)) {
            o->jobs = static_cast<int>(n);
        } else if (std::strcmp(name, "--difficulty") == 0) {
            o->difficulties.clear();
            for (int d = PACK_EASY; d <= PACK_HARD; d++) {
                if (std::strcmp(value, "all") == 0 ||
                    std::strcmp(value, DIFFICULTY_NAMES[d]) == 0) {
                    o->difficulties.push_back(static_cast<pack_difficulty>(d));
                }
            }
            if (o->difficulties.empty()) {
                return false;
            }
        } else {
            return false;
        }
    }
    if (o->seeds == 0) {
        const long per_seed = LEVEL_COUNT * static_cast<long>(o->difficulties.size());
        o->seeds = (200 + per_seed - 1) / per_seed;
    }
    return true;
}

// One generated level and how the novice fared on it.
struct studied_level {
    std::uint32_t seed = 0;
    pack_difficulty difficulty = PACK_NORMAL;
    int position = 0; // 1 to 9 in its pack
    generated_level made;
    int cleared = 0; // attempts that cleared it
};

// The novice's own random numbers for one level: the level's seed,
// difficulty and place mixed (splitmix's finaliser) so that neighbouring
// levels do not get neighbouring streams.
std::uint32_t novice_seed(const studied_level &l) {
    std::uint64_t z = (static_cast<std::uint64_t>(l.seed) << 8) ^
                      (static_cast<std::uint64_t>(l.difficulty) << 4) ^
                      static_cast<std::uint64_t>(l.position);
    z += 0x9e3779b97f4a7c15ULL;
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    z ^= z >> 31;
    return static_cast<std::uint32_t>(z);
}

bool ends_life(outcome_kind outcome) {
    return outcome == OUTCOME_MINE || outcome == OUTCOME_FALL || outcome == OUTCOME_STARVED;
}

// The level from its start, then one turn with no move, as the restart
// gives it (and as the checker starts every search).
outcome_kind restart(const board_cells &level, board_cells &board, play_state &state) {
    board = level;
    state = fresh_play(board);
    return play_turn(board, state, MOVE_NONE).outcome;
}

// One attempt: true when the novice clears the level within `budget` key
// presses. A death restarts the level at no cost in keys, as the game
// resets it by itself.
bool novice_attempt(const board_cells &level, int budget, random_source &random) {
    board_cells board;
    play_state state;
    outcome_kind start = restart(level, board, state);
    if (start == OUTCOME_LEVEL_WON) {
        return true;
    }
    if (start != OUTCOME_NONE) {
        return false; // every restart kills: nothing to play
    }
    board_cells tried[PLAYER_MOVE_COUNT];
    play_state after[PLAYER_MOVE_COUNT];
    outcome_kind outcome[PLAYER_MOVE_COUNT];
    for (int pressed = 0; pressed < budget; pressed++) {
        int safe[PLAYER_MOVE_COUNT];
        int safe_count = 0;
        for (int m = 0; m < PLAYER_MOVE_COUNT; m++) {
            tried[m] = board;
            after[m] = state;
            outcome[m] = play_turn(tried[m], after[m], PLAYER_MOVES[m]).outcome;
            if (!ends_life(outcome[m])) {
                safe[safe_count++] = m;
            }
        }
        // When every move kills, any one will do: the level starts again.
        const int m =
            safe_count > 0 ? safe[random.below(safe_count)] : random.below(PLAYER_MOVE_COUNT);
        if (outcome[m] == OUTCOME_LEVEL_WON) {
            return true;
        }
        if (ends_life(outcome[m])) {
            if (restart(level, board, state) != OUTCOME_NONE) {
                return false;
            }
            continue;
        }
        board = tried[m];
        state = after[m];
    }
    return false;
}

// Ranks from 1, ties given the mean of the ranks they share.
std::vector<double> ranks(const std::vector<double> &values) {
    std::vector<std::size_t> order(values.size());
    for (std::size_t i = 0; i < order.size(); i++) {
        order[i] = i;
    }
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return values[a] < values[b]; });
    std::vector<double> rank(values.size());
    for (std::size_t i = 0; i < order.size();) {
        std::size_t j = i;
        while (j + 1 < order.size() && values[order[j + 1]] == values[order[i]]) {
            j++;
        }
        const double mean = (static_cast<double>(i + j) / 2) + 1;
        for (std::size_t k = i; k <= j; k++) {
            rank[order[k]] = mean;
        }
        i = j + 1;
    }
    return rank;
}

// Spearman's rank correlation; NAN when either side is all one value.
double spearman(const std::vector<double> &a, const std::vector<double> &b) {
    const std::vector<double> ra = ranks(a), rb = ranks(b);
    const double n = static_cast<double>(ra.size());
    // Sums of ranks are whole or half numbers, so the means are exact and
    // a side of one value gives exactly zero spread.
    const double ma = std::accumulate(ra.begin(), ra.end(), 0.0) / n;
    const double mb = std::accumulate(rb.begin(), rb.end(), 0.0) / n;
    double ab = 0, aa = 0, bb = 0;
    for (std::size_t i = 0; i < ra.size(); i++) {
        ab += (ra[i] - ma) * (rb[i] - mb);
        aa += (ra[i] - ma) * (ra[i] - ma);
        bb += (rb[i] - mb) * (rb[i] - mb);
    }
    return aa > 0 && bb > 0 ? ab / std::sqrt(aa * bb) : NAN;
}

// The rank correlation of a and b with c held fixed: what a says of b
// beyond what c already says.
double partial_spearman(const std::vector<double> &a, const std::vector<double> &b,
                        const std::vector<double> &c) {
    const double ab = spearman(a, b), ac = spearman(a, c), bc = spearman(b, c);
    const double rest = (1 - ac * ac) * (1 - bc * bc);
    return rest > 0 ? (ab - ac * bc) / std::sqrt(rest) : NAN;
}

// A correlation as printed; "n/a" where one side has a single value.
std::string correlation_text(double r) {
    char text[16];
    std::snprintf(text, sizeof text, "%+.3f", r);
    return std::isnan(r) ? "n/a" : text;
}

void print_correlation(const char *what, double r) {
    std::printf("  %-44s %s\n", what, correlation_text(r).c_str());
}

} // namespace

int main(int argc, char **argv) {
    options o;
    if (!read_options(argc, argv, &o)) {
        std::fputs(USAGE, stderr);
        return 2;
    }
    const auto began = std::chrono::steady_clock::now();

    // The packs, one job each, made side by side.
    struct pack_key {
        std::uint32_t seed;
        pack_difficulty difficulty;
    };
    std::vector<pack_key> keys;
    for (pack_difficulty d : o.difficulties) {
        for (long s = 1; s <= o.seeds; s++) {
            keys.push_back({static_cast<std::uint32_t>(s), d});
        }
    }
    std::vector<std::vector<generated_level>> packs(keys.size());
    run_jobs(static_cast<int>(keys.size()), o.jobs, [&](int i) {
        const pack_key &k = keys[static_cast<std::size_t>(i)];
        packs[static_cast<std::size_t>(i)] = make_pack(k.seed, k.difficulty, 1);
    });
    std::vector<studied_level> levels;
    for (std::size_t p = 0; p < packs.size(); p++) {
        for (std::size_t i = 0; i < packs[p].size(); i++) {
            studied_level l;
            l.seed = keys[p].seed;
            l.difficulty = keys[p].difficulty;
            l.position = static_cast<int>(i) + 1;
            l.made = packs[p][i];
            levels.push_back(l);
        }
    }
    const double made_in =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();

    run_jobs(static_cast<int>(levels.size()), o.jobs, [&](int i) {
        studied_level &l = levels[static_cast<std::size_t>(i)];
        random_source random(novice_seed(l));
        for (int a = 0; a < o.attempts; a++) {
            l.cleared += novice_attempt(l.made.board, o.budget, random) ? 1 : 0;
        }
    });

    std::printf("%4s %-6s %5s %-10s %6s %4s %4s %6s\n", "seed", "pack", "level", "layout", "figure",
                "keys", "risk", "clear");
    std::vector<double> figure, key_count, risk, share;
    for (const studied_level &l : levels) {
        const double s = static_cast<double>(l.cleared) / o.attempts;
        std::printf("%4u %-6s %5d %-10s %6.1f %4d %4.2f %6.3f\n", l.seed,
                    DIFFICULTY_NAMES[l.difficulty], l.position, l.made.layout,
                    l.made.difficulty.score, l.made.difficulty.keys, l.made.difficulty.risk, s);
        figure.push_back(l.made.difficulty.score);
        key_count.push_back(l.made.difficulty.keys);
        risk.push_back(l.made.difficulty.risk);
        share.push_back(s);
    }

    const long never = std::count(share.begin(), share.end(), 0.0);
    const long always = std::count(share.begin(), share.end(), 1.0);
    std::printf("\n%zu levels, %d attempts of at most %d key presses each\n", levels.size(),
                o.attempts, o.budget);
    std::printf("never cleared: %ld levels; always cleared: %ld levels\n", never, always);
    std::printf("Spearman rank correlation of the clear share with\n");
    print_correlation("the difficulty figure:", spearman(figure, share));
    print_correlation("the keys of the winning sequence:", spearman(key_count, share));
    print_correlation("the risk on the way:", spearman(risk, share));
    // The figure grows with the keys; this is what its other terms add.
    print_correlation("the figure, the keys held fixed:",
                      partial_spearman(figure, share, key_count));
    std::printf("Mean clear share by difficulty:\n");
    for (pack_difficulty d : o.difficulties) {
        std::vector<double> these_figures, these_shares;
        for (std::size_t i = 0; i < levels.size(); i++) {
            if (levels[i].difficulty == d) {
                these_figures.push_back(figure[i]);
                these_shares.push_back(share[i]);
            }
        }
        const double count = static_cast<double>(these_shares.size());
        const double r = spearman(these_figures, these_shares);
        std::printf("  %-6s %.3f (%zu levels, mean figure %.1f, rank correlation within %s)\n",
                    DIFFICULTY_NAMES[d],
                    std::accumulate(these_shares.begin(), these_shares.end(), 0.0) / count,
                    these_shares.size(),
                    std::accumulate(these_figures.begin(), these_figures.end(), 0.0) / count,
                    correlation_text(r).c_str());
    }
    const double total =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
    std::fflush(stdout);
    // Times go to standard error, so that the output is the same on every run.
    std::fprintf(stderr, "packs made in %.1f s, all done in %.1f s\n", made_in, total);
    return 0;
}
