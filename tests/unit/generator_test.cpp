// The level generator over many seeds: every level decided again by the
// checker and its winning sequence typed into the game's own turns; the
// ramp within a pack and from easy to hard, the variety and the
// repeatability of the packs; and grubblet-gen as run.
#include "checker/checker.h"
#include "generator/generator.h"
#include "generator/layouts.h"
#include "levels/levels.h"
#include "rules_test_support.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <set>
#include <sys/wait.h>
#include <unistd.h>

namespace {

class generator_test : public rules_test {
  protected:
    std::string pack_bytes() {
        std::string bytes(FILE_BYTES, '\0');
        format_boards(&bytes[0]);
        return bytes;
    }
};

// The walls and grubblets of a board, by kind and cell.
std::set<int> walls_and_grubblets(const board_cells &b) {
    std::set<int> cells;
    for (int r = 0; r < BOARD_ROWS; r++) {
        for (int c = 0; c < BOARD_COLS; c++) {
            const cell_kind k = b.at[r][c];
            if (k == CELL_WALL || k == CELL_GRUBBLET) {
                cells.insert(k * BOARD_ROWS * BOARD_COLS + r * BOARD_COLS + c);
            }
        }
    }
    return cells;
}

// The share of the cells in either that are in both.
double shared_share(const std::set<int> &a, const std::set<int> &b) {
    std::size_t shared = 0;
    for (int cell : a) {
        shared += b.count(cell);
    }
    return static_cast<double>(shared) / static_cast<double>(a.size() + b.size() - shared);
}

// How many seeds to try: a few under the sanitizers, more when asked.
int seeds_to_try() {
    const char *asked = std::getenv("GRUBBLET_GEN_SEEDS");
    return asked != nullptr ? std::atoi(asked) : 3;
}

struct run_result {
    int status;
    std::string out;
};

run_result run_generator(const std::string &args) {
    FILE *pipe = popen((std::string(GRUBBLET_GEN) + " " + args).c_str(), "r");
    run_result result;
    char buf[4096];
    std::size_t n;
    while ((n = fread(buf, 1, sizeof buf, pipe)) > 0) {
        result.out.append(buf, n);
    }
    int status = pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

} // namespace

TEST_F(generator_test, packs_are_proven_fair_ramped_varied_and_repeatable) {
    // Normal packs over the seeds, and one hard pack.
    for (int run = 1; run <= seeds_to_try() + 1; run++) {
        const bool hard = run > seeds_to_try();
        const int seed = hard ? 1 : run;
        SCOPED_TRACE(std::string(hard ? "hard" : "normal") + " seed " + std::to_string(seed));
        std::vector<generated_level> pack =
            make_pack(static_cast<std::uint32_t>(seed), hard ? PACK_HARD : PACK_NORMAL, 3);
        ASSERT_EQ(pack.size(), 9u);
        for (int level = 0; level < LEVEL_COUNT; level++) {
            stored_level(level) = pack[static_cast<std::size_t>(level)].board;
        }
        int hungry = 0, trapped = 0;
        double hardest = 0;
        std::set<std::string> layouts;
        const std::string bytes = pack_bytes();
        double last = 0;
        for (int level = 0; level < LEVEL_COUNT; level++) {
            SCOPED_TRACE("level " + std::to_string(level + 1));
            int starts = 0;
            for (int r = 0; r < BOARD_ROWS; r++) {
                for (int c = 0; c < BOARD_COLS; c++) {
                    if (level_set[level][r][c] == CELL_START) {
                        starts++;
                        EXPECT_TRUE(r == BOARD_ROWS - 1 || level_set[level][r + 1][c] == CELL_WALL)
                            << "the start does not rest on anything";
                    }
                }
            }
            EXPECT_EQ(starts, 1);

            const level_verdict v = solve_level(stored_level(level));
            ASSERT_EQ(v.answer, ANSWER_CLEARABLE) << level_text(level);
            EXPECT_TRUE(v.shortest);
            // Designed traps only: eating enough always lets the player out.
            for (const trap_run &trap : v.traps) {
                EXPECT_GE(trap.eaten_at_most, 0) << "row " << trap.row << "\n" << level_text(level);
            }
            trapped += !v.traps.empty();
            EXPECT_FALSE(v.keys.empty()) << "won by standing still";
            EXPECT_EQ(v.keys, pack[static_cast<std::size_t>(level)].keys);
            int lowest = 0;
            EXPECT_TRUE(keys_clear_level(level, v.keys, &lowest)) << v.keys << "\n"
                                                                  << level_text(level);
            // The win the checker proved shortest, replayed: its lowest tummy.
            hungry += lowest <= 40;
            layouts.insert(pack[static_cast<std::size_t>(level)].layout);

            const difficulty_figure d = v.difficulty;
            ASSERT_TRUE(d.known);
            EXPECT_GE(d.score, last) << "the difficulty falls";
            last = d.score;
            hardest = std::max(hardest, d.score);
        }
        EXPECT_GE(hungry, hard ? 2 : 1) << "levels where the tummy runs down to 40";
        EXPECT_GE(layouts.size(), 4u);
        if (hard) {
            EXPECT_GE(trapped, 1) << "no designed trap";
            EXPECT_GE(hardest, 320.1) << "gentler than the hardest shipped level";
        }
        if (run == 1) {
            // The program, in a process of its own and one candidate at a
            // time, makes the same bytes as three at once did here.
            char path[] = "/tmp/grubblet-gen-pack-XXXXXX";
            close(mkstemp(path));
            run_result r =
                run_generator("--seed 1 --jobs 1 -o " + std::string(path) + " 2>/dev/null");
            EXPECT_EQ(r.status, 0);
            std::ifstream in(path, std::ios::binary);
            const std::string written((std::istreambuf_iterator<char>(in)), {});
            unlink(path);
            EXPECT_TRUE(written == bytes) << "the same seed made another pack";
        }
    }
}

TEST(generator_order, the_median_figure_at_each_level_rises_from_easy_to_hard) {
    // The packs of seeds 1 to 3 (or GRUBBLET_GEN_SEEDS) of each difficulty,
    // level by level: the median figure of an easy pack's level never above
    // a normal pack's, nor a normal pack's above a hard pack's; no trap in an
    // easy pack; and no two of all their levels sharing half their walls and
    // grubblets.
    std::vector<double> last(LEVEL_COUNT, 0);
    std::vector<std::set<int>> seen;
    std::vector<std::string> seen_names;
    for (pack_difficulty difficulty : {PACK_EASY, PACK_NORMAL, PACK_HARD}) {
        std::vector<std::vector<double>> figures(LEVEL_COUNT);
        for (int seed = 1; seed <= seeds_to_try(); seed++) {
            const std::vector<generated_level> pack =
                make_pack(static_cast<std::uint32_t>(seed), difficulty, 3);
            for (std::size_t level = 0; level < pack.size(); level++) {
                figures[level].push_back(pack[level].difficulty.score);
                // An easy pack catches no one.
                EXPECT_TRUE(difficulty != PACK_EASY || solve_level(pack[level].board).traps.empty())
                    << "easy seed " << seed << ", level " << level + 1;
                const std::string name =
                    "difficulty " + std::to_string(difficulty) + " seed " + std::to_string(seed) +
                    " level " + std::to_string(level + 1) + " (" + pack[level].layout + ")";
                const std::set<int> cells = walls_and_grubblets(pack[level].board);
                for (std::size_t other = 0; other < seen.size(); other++) {
                    EXPECT_LT(shared_share(cells, seen[other]), 0.5)
                        << name << " and " << seen_names[other];
                }
                seen.push_back(cells);
                seen_names.push_back(name);
            }
        }
        for (std::size_t level = 0; level < figures.size(); level++) {
            std::sort(figures[level].begin(), figures[level].end());
            const double median = figures[level][figures[level].size() / 2];
            EXPECT_GE(median, last[level])
                << "difficulty " << difficulty << ", level " << level + 1;
            last[level] = median;
        }
    }
}

TEST(generator_walk, the_last_resort_always_clears) {
    // No pack over 1,200 seeds has needed it, so it is tried here: whatever
    // its grubblets and wherever they fall, the checker proves it clearable
    // and its win replays.
    random_source random(7);
    for (int grubblets : {1, 2, 6, 12, 40}) {
        for (int draw = 0; draw < 4; draw++) {
            board_cells walk;
            build_walk(walk, random, grubblets);
            const level_verdict v = solve_level(walk);
            ASSERT_EQ(v.answer, ANSWER_CLEARABLE) << grubblets << " grubblets: " << v.reason;
            EXPECT_TRUE(replay_keys(walk, v.keys, nullptr)) << v.keys;
        }
    }
}

TEST(generator_cli, wrong_arguments_and_a_file_that_cannot_be_written) {
    // Bad arguments and a file that cannot be written: a message at once,
    // nothing written.
    for (const char *bad : {"--seed -1", "--seed 4294967296", "--seed x", "--difficulty insane",
                            "-o", "--frobnicate", "extra", "-o /nonexistent/boards.txt"}) {
        SCOPED_TRACE(bad);
        run_result r = run_generator(std::string(bad) + " 2>&1");
        EXPECT_EQ(r.status, std::strstr(bad, "/nonexistent") != nullptr ? 1 : 2);
        EXPECT_EQ(r.out.rfind("grubblet-gen: ", 0), 0u) << r.out;
        EXPECT_EQ(r.out.find("level 1"), std::string::npos) << r.out;
    }
    run_result help = run_generator("--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind("Usage: grubblet-gen", 0), 0u);
}
