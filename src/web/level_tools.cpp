// The level checker and the level generator for the page, compiled into a
// module of their own that runs in a Web Worker, so that a long check or a
// new pack never holds up the game. Each call answers with the bytes or the
// text the command-line tool would give for the same input.
#include "../checker/checker.h"
#include "../generator/generator.h"
#include "../levels/levels.h"

#include <emscripten.h>
#include <string>
#include <vector>

namespace {

// What the last call made, kept until the next one reads it.
std::string made;
file_report last_report;

} // namespace

extern "C" {

// The pack grubblet-gen --seed SEED --difficulty DIFFICULTY writes (0 easy,
// 1 normal, 2 hard): FILE_BYTES bytes, or none when a level could not be
// proven clearable (grubblet-gen then writes nothing either).
EMSCRIPTEN_KEEPALIVE const char *make_pack_file(unsigned seed, int difficulty) {
    // One job: no thread is started in the browser.
    std::vector<generated_level> pack =
        make_pack(seed, static_cast<pack_difficulty>(difficulty), 1);
    std::vector<board_cells> boards;
    made.clear();
    for (const generated_level &level : pack) {
        if (!level.difficulty.known) {
            return made.c_str();
        }
        boards.push_back(level.board);
    }
    made.assign(FILE_BYTES, '\0');
    format_levels(boards.data(), &made[0]);
    return made.c_str();
}

EMSCRIPTEN_KEEPALIVE int made_length() {
    return static_cast<int>(made.size());
}

// The report grubblet-check prints on the length bytes at content read from
// a file at path, with the checker's default limits.
EMSCRIPTEN_KEEPALIVE const char *check_file(const char *path, const char *content, int length) {
    const std::string bytes(content, static_cast<std::size_t>(length));
    file_report &report = last_report;
    report = begin_report(path, bytes);
    report.levels = solve_levels(report.boards, search_limits(), 1);
    made = report_text(report);
    return made.c_str();
}

// The winning keys the last check found for a level (0 to 8), empty for
// one it did not prove clearable.
EMSCRIPTEN_KEEPALIVE const char *winning_keys(int level) {
    made.clear();
    if (level >= 0 && static_cast<std::size_t>(level) < last_report.levels.size() &&
        last_report.levels[static_cast<std::size_t>(level)].answer == ANSWER_CLEARABLE) {
        made = last_report.levels[static_cast<std::size_t>(level)].keys;
    }
    return made.c_str();
}
}
