// Fuzzing the level checker: any bytes as a level file give a report, and
// every winning sequence it reports clears its level when its keys are
// played through the game's own turns, here, apart from the checker. A small
// state limit keeps each input fast; so does leaving levels of more than a
// dozen grubblets undecided, as the checker's map of where every jump length
// reaches takes seconds on them under the sanitizers (its own tests and
// benchmarks decide levels of up to 100).
#include "read_bytes.h"

#include "checker/checker.h"

#include <cstdint>
#include <string>

namespace {

int outcome_seen = 0;

// Whether the last turn cleared the level.
bool turn_clears() {
    outcome_seen = 0;
    run_turn();
    return outcome_seen == OUTCOME_LEVEL_WON || outcome_seen == OUTCOME_GAME_WON;
}

// Plays keys on a level from the fresh start the checker decides from (the
// level reset, then one turn with no move, which clears a level without
// grubblets); true when the last key clears it and no key before does.
bool keys_clear_level(int level, const std::string &keys) {
    game = game_state{};
    game.fall_mark = FALL_MARK_NONE;
    game.level = level;
    reset_level();
    if (turn_clears()) {
        return keys.empty();
    }
    for (std::size_t i = 0; i < keys.size(); i++) {
        game.pending_move = move_for_key(keys[i]);
        if (turn_clears()) {
            return i + 1 == keys.size();
        }
    }
    return false;
}

int grubblets_on(int level) {
    int count = 0;
    for (int r = 0; r < BOARD_ROWS; r++) {
        for (int c = 0; c < BOARD_COLS; c++) {
            count += level_set[level][r][c] == CELL_GRUBBLET;
        }
    }
    return count;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    empty_levels();
    display.outcome_scene = [](outcome_kind kind) { outcome_seen = kind; };
    const std::string content(reinterpret_cast<const char *>(data), size);
    read_bytes(content.data(), content.size());

    file_report report;
    report.path = "fuzzed";
    report.warnings = scan_level_file(content);
    report.cells = locate_cells(content);
    search_limits limits;
    limits.max_states = 300;
    limits.shortest_states = 100;
    for (int level = 0; level < LEVEL_COUNT; level++) {
        level_verdict verdict;
        if (grubblets_on(level) <= 12) {
            verdict = solve_level(level, limits);
        }
        if (verdict.answer == ANSWER_CLEARABLE && !keys_clear_level(level, verdict.keys)) {
            std::abort();
        }
        report.levels.push_back(verdict);
    }
    if (report_text(report).empty()) {
        std::abort();
    }
    return 0;
}
