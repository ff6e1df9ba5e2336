// Fuzzing the level checker on whole level files. An input is a short list of
// edits to a full nine-level file, the shipped levels or empty ones, so that
// mutations land in every level while the file mostly stays well formed: cells
// put one at a time or in runs, levels copied over others, odd bytes in place
// of cells or line ends, lines made longer and shorter, the file cut short.
// The checker then decides every level, rates the clearable ones and writes
// each report: text, JSON, and the routes in colour and plain. Every winning
// sequence it reports must clear its level when its keys are played through
// the game's own turns, here, apart from the checker.
//
// Each input is kept as quick as the checker allows: the searches get a small
// state limit; a level just as the base has it takes the verdict worked out
// once for the base; of the levels an input changes only the first two are
// decided, and only those of at most a dozen grubblets, as the checker's map
// of where every jump length reaches takes seconds on more under the
// sanitizers (its own tests and benchmarks decide levels of up to 100). The
// rest are reported as not decided.
#include "read_bytes.h"

#include "checker/checker.h"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

const std::size_t LINE_BYTES = BOARD_COLS + 1;
const std::size_t LEVEL_BYTES = BOARD_ROWS * LINE_BYTES + 1;
const std::size_t WHOLE_FILE = LEVEL_COUNT * LEVEL_BYTES;
const char CELL_TEXT[] = ".&X=@";
// Of the levels an input changes, how many are decided.
const int DECIDED_CHANGES = 2;

// The checker's side: everything the fuzzer asks of it is here.

search_limits small_limits() {
    search_limits limits;
    limits.max_states = 300;
    limits.shortest_states = 100;
    return limits;
}

level_verdict check_level(const board_cells &level) {
    return solve_level(level, small_limits());
}

// The report's file part, with the levels read as the checker reads them.
file_report start_report(const std::string &content) {
    return begin_report("fuzzed", content);
}

struct written_reports {
    std::string text, json, routes, plain_routes;
};

written_reports write_reports(const file_report &report) {
    report_status(report, false);
    report_status(report, true);
    return {report_text(report), report_json(report), report_routes(report, true),
            report_routes(report, false)};
}

// The game's side, apart from the checker.

// The first outcome of a turn: a level cleared on it is followed at once by
// the next level's first step, which may clear that one too, or kill.
int outcome_seen = 0;

void note_outcome(outcome_kind kind) {
    if (outcome_seen == 0) {
        outcome_seen = kind;
    }
}

// Whether the last turn cleared the level.
bool turn_clears() {
    outcome_seen = 0;
    display.outcome_scene = note_outcome; // the checker's turns leave none
    run_turn();
    return outcome_seen == OUTCOME_LEVEL_WON || outcome_seen == OUTCOME_GAME_WON;
}

// Plays keys in the game on a level from the fresh start the checker
// decides from (the level reset, then one turn with no move, which clears a
// level without grubblets); true when the last key clears it and no key
// before does.
bool keys_clear_level(const board_cells &cells, int level, const std::string &keys) {
    empty_levels();
    stored_level(level) = cells;
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

int grubblets_on(const board_cells &level) {
    return fresh_play(level).grubblets_left;
}

bool same_cells(const board_cells &a, const board_cells &b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// The files the edits start from.

std::string shipped_file() {
    std::ifstream in(GRUBBLET_SHIPPED_BOARDS, std::ios::binary);
    std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (content.size() != WHOLE_FILE) {
        std::abort();
    }
    return content;
}

std::string empty_file() {
    const std::string line = std::string(BOARD_COLS, '.') + "\n";
    std::string level;
    for (int r = 0; r < BOARD_ROWS; r++) {
        level += line;
    }
    level += "\n";
    std::string content;
    for (int b = 0; b < LEVEL_COUNT; b++) {
        content += level;
    }
    return content;
}

// A base file with each level's cells as read and its checks, made once.
struct base_file {
    std::string content;
    std::vector<board_cells> cells;
    std::vector<level_verdict> checks;
};

base_file make_base(const std::string &content) {
    base_file base;
    base.content = content;
    base.cells = start_report(content).boards;
    for (const board_cells &level : base.cells) {
        base.checks.push_back(grubblets_on(level) <= 12 ? check_level(level) : level_verdict());
    }
    return base;
}

const base_file &base_for(std::uint8_t choice) {
    static const base_file bases[2] = {make_base(shipped_file()), make_base(empty_file())};
    return bases[choice % 2];
}

// Applies one edit of four bytes: which level and what to do, a row, a
// column, and what to put there.
void apply_edit(std::string &file, const base_file &base, const std::uint8_t *edit) {
    const std::size_t level = edit[0] % LEVEL_COUNT;
    const int action = edit[0] / LEVEL_COUNT % 8;
    const std::size_t row = edit[1] % BOARD_ROWS;
    const std::size_t col = edit[2] % BOARD_COLS;
    const std::uint8_t what = edit[3];
    const char cell = CELL_TEXT[what % 5];
    const std::size_t at = level * LEVEL_BYTES + row * LINE_BYTES;
    switch (action) {
    case 3: // a run along the row
        for (std::size_t c = col; c < BOARD_COLS && c <= col + what / 5 % 32; c++) {
            if (at + c < file.size()) {
                file[at + c] = cell;
            }
        }
        return;
    case 4: // a run down the column
        for (std::size_t r = 0; row + r < BOARD_ROWS && r <= what / 5 % 16; r++) {
            if (at + r * LINE_BYTES + col < file.size()) {
                file[at + r * LINE_BYTES + col] = cell;
            }
        }
        return;
    case 5: // another of the base's levels in place of this one
        if (level * LEVEL_BYTES + LEVEL_BYTES <= file.size()) {
            file.replace(level * LEVEL_BYTES, LEVEL_BYTES, base.content,
                         what % LEVEL_COUNT * LEVEL_BYTES, LEVEL_BYTES);
        }
        return;
    case 6: // any byte in place of a cell or of the line's end
        if (at + edit[2] % LINE_BYTES < file.size()) {
            file[at + edit[2] % LINE_BYTES] = static_cast<char>(what);
        }
        return;
    case 7: { // a byte more in this line and one fewer in the next, or the end
        std::size_t pos = at + edit[2] % LINE_BYTES;
        if (pos >= file.size()) {
            return;
        }
        if (what == 0xFF) {
            file.resize(pos);
            return;
        }
        file.insert(pos, 1, static_cast<char>(what));
        std::size_t next = file.find('\n', pos + 1);
        if (next != std::string::npos && next + 1 < file.size()) {
            file.erase(next + 1, 1);
        }
        return;
    }
    default: // one cell
        if (at + col < file.size()) {
            file[at + col] = cell;
        }
        return;
    }
}

void expect(bool holds) {
    if (!holds) {
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const base_file &base = base_for(size > 0 ? data[0] : 0);
    std::string content = base.content;
    for (std::size_t i = 1; i + 4 <= size; i += 4) {
        apply_edit(content, base, data + i);
    }

    file_report report = start_report(content);
    int changes = 0;
    for (int level = 0; level < LEVEL_COUNT; level++) {
        const board_cells &cells = report.boards[static_cast<std::size_t>(level)];
        level_verdict check;
        if (same_cells(cells, base.cells[static_cast<std::size_t>(level)])) {
            check = base.checks[static_cast<std::size_t>(level)];
        } else if (changes++ < DECIDED_CHANGES && grubblets_on(cells) <= 12) {
            check = check_level(cells);
        }
        const bool clearable = check.answer == ANSWER_CLEARABLE;
        expect(!clearable || keys_clear_level(cells, level, check.keys));
        expect(check.difficulty.known == clearable);
        report.levels.push_back(check);
    }
    written_reports written = write_reports(report);
    expect(!written.text.empty());
    expect(nlohmann::json::parse(written.json, nullptr, false).is_object());
    return 0;
}
