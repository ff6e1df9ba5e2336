// Benchmarks of what a player waits for after a key press: the worst turns
// the rules allow, a whole play frame and an editor frame drawn into a curses
// screen that writes to a null terminal, the worst flood fill, loading and
// saving the nine levels, the level checker on the shipped levels and on
// hard levels of many grubblets, and the level generator's packs.
#include "checker/checker.h"
#include "editor/editor.h"
#include "game/game_state.h"
#include "generator/generator.h"
#include "hard_levels.h"
#include "levels/levels.h"
#include "screen/screen.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

namespace {

void clear_level(int level) {
    for (int r = 0; r < BOARD_ROWS; r++) {
        for (int c = 0; c < BOARD_COLS; c++) {
            level_set[level][r][c] = CELL_EMPTY;
        }
    }
}

// Loads the shipped levels into the stored levels.
void load_shipped_levels() {
    std::FILE *file = std::fopen(GRUBBLET_SHIPPED_BOARDS, "r");
    if (file == nullptr || read_boards(file) != 0) {
        std::fprintf(stderr, "cannot read %s\n", GRUBBLET_SHIPPED_BOARDS);
        std::exit(1);
    }
    std::fclose(file);
}

// A level for the turn benchmarks: open but for one far grubblet.
void prepare_open_level() {
    game = game_state{};
    game.fall_mark = FALL_MARK_NONE;
    clear_level(0);
    level_set[0][0][79] = CELL_GRUBBLET;
    reset_level();
}

struct turn_case {
    int y, x, eaten;
    move_code move;
};

// The longest turns: a straight jump from the bottom row to the top and the
// fall back down; a sprint across the whole board; a fall from top to bottom.
const turn_case TURNS[] = {
    {23, 40, 19, MOVE_HIGH_UP},
    {23, 0, 76, MOVE_SPRINT_RIGHT},
    {0, 10, 0, MOVE_NONE},
};

void run_case(const turn_case &t) {
    game.player_y = t.y;
    game.player_x = t.x;
    game.eaten_this_level = t.eaten;
    game.tummy = 100;
    game.health = 1000;
    game.pending_move = t.move;
    run_turn();
}

// The rules' own turn, as every tool plays it.
void BM_worst_turn(benchmark::State &state) {
    prepare_open_level();
    const turn_case &t = TURNS[state.range(0)];
    board_cells board = stored_level(0);
    turn_trail trail;
    for (auto _ : state) {
        play_state s{t.x, t.y, 100, 1000, t.eaten, 1};
        play_turn(board, s, t.move, &trail);
        benchmark::DoNotOptimize(s.x);
    }
    state.SetLabel(state.range(0) == 0   ? "straight jump to the top and back"
                   : state.range(0) == 1 ? "sprint across the board"
                                         : "fall from top to bottom");
}
BENCHMARK(BM_worst_turn)->DenseRange(0, 2);

// A curses screen of 25 x 80 that writes to /dev/null, set up as the game
// sets up its terminal.
void open_null_screen() {
    static bool open = false;
    if (open) {
        return;
    }
    open = true;
    setenv("LINES", "25", 1);
    setenv("COLUMNS", "80", 1);
    use_env(TRUE);
    std::FILE *out = std::fopen("/dev/null", "w");
    std::FILE *in = std::fopen("/dev/null", "r");
    newterm("xterm-256color", out, in);
    set_up_screen();
}

// One play frame as the game runs it after a key: the turn, the play screen,
// and the refresh that the next key read would do. The player sprints to and
// fro on the first shipped level, so each frame changes the screen.
void BM_play_frame(benchmark::State &state) {
    load_shipped_levels();
    open_null_screen();
    game = game_state{};
    game.fall_mark = FALL_MARK_NONE;
    reset_level();
    int frame = 0;
    for (auto _ : state) {
        game.pending_move = (frame++ / 4) % 2 ? MOVE_SPRINT_LEFT : MOVE_SPRINT_RIGHT;
        game.tummy = 100;
        run_turn();
        draw_play_screen();
        wrefresh(stdscr);
    }
}
BENCHMARK(BM_play_frame);

// The worst turn followed by its whole frame.
void BM_worst_turn_and_frame(benchmark::State &state) {
    load_shipped_levels();
    open_null_screen();
    prepare_open_level();
    for (auto _ : state) {
        run_case(TURNS[1]);
        draw_play_screen();
        wrefresh(stdscr);
    }
}
BENCHMARK(BM_worst_turn_and_frame);

// An editor frame without its key read: a cursor step with paint mode on,
// the drawing and the refresh.
void BM_editor_frame(benchmark::State &state) {
    load_shipped_levels();
    open_null_screen();
    game = game_state{};
    game.fall_mark = FALL_MARK_NONE;
    reset_level();
    editor.paint_mode = 1;
    int frame = 0;
    for (auto _ : state) {
        editor.brush = frame % 2 ? CELL_WALL : CELL_EMPTY;
        editor.step_x = (frame++ / 20) % 2 ? -1 : 1;
        apply_editor_requests();
        draw_editor_screen();
        wrefresh(stdscr);
    }
    editor.paint_mode = 0;
}
BENCHMARK(BM_editor_frame);

// Twelve corridors joined at alternate ends, filled from the bottom right:
// every corridor that runs leftwards costs one sweep per cell.
void build_serpentine(int level) {
    for (int r = 0; r < BOARD_ROWS; r++) {
        for (int c = 0; c < BOARD_COLS; c++) {
            level_set[level][r][c] = CELL_WALL;
        }
    }
    for (int r = 23, i = 0; r >= 1; r -= 2, i++) {
        for (int c = 1; c <= 78; c++) {
            level_set[level][r][c] = CELL_EMPTY;
        }
        if (r > 1) {
            level_set[level][r - 1][i % 2 == 0 ? 1 : 78] = CELL_EMPTY;
        }
    }
}

void BM_worst_flood_fill(benchmark::State &state) {
    game = game_state{};
    editor.cursor_y = 23;
    editor.cursor_x = 78;
    for (auto _ : state) {
        state.PauseTiming();
        build_serpentine(0);
        state.ResumeTiming();
        editor.brush = CELL_GRUBBLET;
        flood_fill();
    }
}
BENCHMARK(BM_worst_flood_fill)->Unit(benchmark::kMillisecond);

// Loading and saving in a directory of their own, holding the shipped file.
struct file_dir {
    file_dir() {
        char name[] = "/tmp/grubblet-bench-XXXXXX";
        path = mkdtemp(name);
        if (getcwd(old, sizeof old) == nullptr || chdir(path.c_str()) != 0) {
            std::exit(1);
        }
        std::ifstream in(GRUBBLET_SHIPPED_BOARDS, std::ios::binary);
        std::ofstream(BOARD_FILE_NAME, std::ios::binary) << in.rdbuf();
    }
    ~file_dir() {
        std::remove(BOARD_FILE_NAME);
        if (chdir(old) != 0 || rmdir(path.c_str()) != 0) {
            std::perror("cleaning up");
        }
    }
    std::string path;
    char old[4096];
};

void BM_load_boards(benchmark::State &state) {
    file_dir dir;
    for (auto _ : state) {
        if (load_boards() != 0) {
            state.SkipWithError("load failed");
        }
    }
}
BENCHMARK(BM_load_boards)->Unit(benchmark::kMicrosecond);

void BM_save_boards(benchmark::State &state) {
    file_dir dir;
    load_shipped_levels();
    for (auto _ : state) {
        if (save_boards() != 0) {
            state.SkipWithError("save failed");
        }
    }
}
BENCHMARK(BM_save_boards)->Unit(benchmark::kMicrosecond);

void BM_checker_shipped_levels(benchmark::State &state) {
    load_shipped_levels();
    long states = 0;
    for (auto _ : state) {
        states = 0;
        for (int level = 0; level < LEVEL_COUNT; level++) {
            level_verdict v = solve_level(stored_level(level));
            if (v.answer != ANSWER_CLEARABLE) {
                state.SkipWithError("a shipped level cannot be cleared");
            }
            states += v.states;
        }
    }
    state.counters["states"] = static_cast<double>(states);
}
BENCHMARK(BM_checker_shipped_levels)->Unit(benchmark::kMillisecond);

// The levels designers make: a play-through level of N grubblets, and the
// same with one more grubblet walled in (cannot be cleared).
void BM_checker_hard_level(benchmark::State &state) {
    const int grubblets = static_cast<int>(state.range(0));
    const bool walled = state.range(1) != 0;
    make_play_through_level(stored_level(0), grubblets, 1);
    if (walled) {
        wall_in_a_grubblet(stored_level(0), 1);
    }
    level_verdict v;
    for (auto _ : state) {
        v = solve_level(stored_level(0));
    }
    if (v.answer != (walled ? ANSWER_NOT_CLEARABLE : ANSWER_CLEARABLE)) {
        state.SkipWithError("the checker's answer is wrong");
    }
    state.counters["states"] = static_cast<double>(v.states);
    state.SetLabel(walled ? "one grubblet walled in" : "clearable");
}
BENCHMARK(BM_checker_hard_level)
    ->ArgsProduct({{12, 25, 50, 100}, {0, 1}})
    ->Unit(benchmark::kMillisecond);

// A generated pack of nine levels, each decided by the checker; the seed
// changes every round, so that the figure is an average over packs.
void BM_generate_pack(benchmark::State &state) {
    std::uint32_t seed = 1;
    for (auto _ : state) {
        make_pack(seed++, PACK_NORMAL);
    }
    state.counters["packs_per_second"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_generate_pack)->Unit(benchmark::kMillisecond)->Iterations(20);

} // namespace

int main(int argc, char **argv) {
    if (allocate_boards() != 0) {
        return 1;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (stdscr != nullptr) {
        endwin();
    }
    free_boards();
    return 0;
}
