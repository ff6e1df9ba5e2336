// grubblet-check [--json | --route] [--strict] [--max-states N] [--jobs N] [FILE]:
// reports for each of the nine levels of a level file whether it can be
// cleared, with a winning key sequence, or why not.
//
// Exit status: 0 when every level can be cleared, 1 when some cannot (or were
// not decided, or, with --strict, anything was warned about the file), 2 when
// the file cannot be read, the arguments are wrong or memory runs out. Traps
// are notes.
#include "checker.h"

#include "../levels/levels.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <unistd.h>

static const char USAGE_LINE[] =
    "Usage: grubblet-check [--json | --route] [--strict] [--max-states N] [--jobs N] [FILE]\n";
static const char HELP[] =
    "\n"
    "Checks a Grubblet Plonko level file. Without FILE: ./boards.txt, else your\n"
    "own copy of the levels ($XDG_DATA_HOME/grubblet/boards.txt), else the\n"
    "shipped levels, as the grubblet command plays them; it says which.\n"
    "\n"
    "First it warns, as FILE:LINE:COLUMN, about what the game will silently do\n"
    "with the file as a text editor shows it: characters that are not cell\n"
    "characters, rows that are not 80 characters long, a file that does not\n"
    "hold exactly 17280 cell characters, levels with no start cell or several,\n"
    "levels without a grubblet. Warnings never change what the game loads.\n"
    "\n"
    "Then it decides each level from a fresh start (the state the restart key\n"
    "r gives), playing every move with the game's own rules:\n"
    "  clearable          with a winning sequence of play keys, a shortest one\n"
    "                     unless it says \"not proven shortest; at least N\n"
    "                     keys\": no win is shorter than N\n"
    "  cannot be cleared  proven, with the reason: grubblets no play can\n"
    "                     ever eat (each as FILE:LINE:COLUMN), the tummy\n"
    "                     running out, falls, mines\n"
    "  not decided        the search limit was reached first\n"
    "It also notes traps, as part of a level's design: places a real play\n"
    "comes to rest in from which a player can never clear the level, whatever\n"
    "has been eaten or having eaten at most N grubblets\n"
    "(FILE:LINE:COLUMN-COLUMN for a run of them).\n"
    "Each clearable level gets a difficulty figure: the winning sequence's\n"
    "length, the share of moves on the way that kill or strand (risk), and the\n"
    "lowest tummy on it; man grubblet-check says how they make the score.\n"
    "\n"
    "Options:\n"
    "  --json           the whole report as one JSON object\n"
    "  --route          also draw each level with the route of its winning\n"
    "                   sequence (in colour on a terminal, unless NO_COLOR is set)\n"
    "  --strict         fail (exit status 1) on any warning about the file too;\n"
    "                   traps are notes and pass\n"
    "  --max-states N   keep at most N distinct states a level, all searches\n"
    "                   together (default 1000000)\n"
    "  --jobs N         check N levels at once (default: one for each core)\n"
    "  -h, --help       show this help\n"
    "  --version        show the version\n"
    "\n"
    "Exit status: 0 when every level can be cleared, 1 when some cannot or\n"
    "were not decided (or, with --strict, on any warning about the file), 2\n"
    "when the file cannot be read, the arguments are wrong or memory runs out.\n"
    "\n"
    "To make a new level file of nine proven levels: grubblet-gen.\n";

static bool parse_count(const char *text, long *out) {
    char *end = nullptr;
    errno = 0;
    long value = std::strtol(text, &end, 10);
    if (errno != 0 || end == text || *end != '\0' || value < 1) {
        return false;
    }
    *out = value;
    return true;
}

// The value of `--name N` or `--name=N` at argv[*i] ("" when N is missing),
// or null when argv[*i] is another argument.
static const char *option_value(const std::string &name, int argc, char **argv, int *i) {
    const std::string arg = argv[*i];
    if (arg == name) {
        return *i + 1 < argc ? argv[++*i] : "";
    }
    return arg.rfind(name + "=", 0) == 0 ? argv[*i] + name.size() + 1 : nullptr;
}

// Two lines, as grubblet-gen answers: what is wrong, and where to read more.
static int usage_error(const std::string &message) {
    std::fprintf(stderr, "grubblet-check: %s\n", message.c_str());
    std::fputs("Try 'grubblet-check --help' for more.\n", stderr);
    return 2;
}

int main(int argc, char **argv) {
    std::string path;
    bool json = false, route = false, strict = false, have_path = false;
    search_limits limits;
    long jobs = 0;
    for (int i = 1; i < argc; i++) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::fputs(USAGE_LINE, stdout);
            std::fputs(HELP, stdout);
            return 0;
        } else if (arg == "--version") {
            std::puts("grubblet-check (Grubblet Plonko) " GRUBBLET_VERSION);
            return 0;
        } else if (arg == "--json") {
            json = true;
        } else if (arg == "--route") {
            route = true;
        } else if (arg == "--strict") {
            strict = true;
        } else if (const char *value = option_value("--max-states", argc, argv, &i)) {
            // States are numbered in 32 bits.
            if (!parse_count(value, &limits.max_states) || limits.max_states > 2000000000) {
                return usage_error("--max-states needs a whole number of states, 1 to 2000000000");
            }
        } else if (const char *value = option_value("--jobs", argc, argv, &i)) {
            if (!parse_count(value, &jobs) || jobs > 1024) {
                return usage_error("--jobs needs a whole number of levels at once, 1 to 1024");
            }
        } else if (arg.size() > 1 && arg[0] == '-') {
            return usage_error("unknown option " + arg);
        } else if (have_path) {
            return usage_error("too many arguments");
        } else if (arg.empty()) {
            return usage_error("the file name is empty; name a level file, or give none to "
                               "check ./boards.txt");
        } else {
            path = argv[i];
            have_path = true;
        }
    }
    if (json && route) {
        return usage_error("--json and --route cannot be used together");
    }
    if (!have_path) {
        path = level_file_to_play(GRUBBLET_DATA_DIR);
        std::fprintf(stderr, "grubblet-check: checking %s\n", path.c_str());
    }

    std::string content;
    std::string error;
    if (!read_file_bytes(path.c_str(), &content, &error)) {
        std::fprintf(stderr, "grubblet-check: cannot read %s: %s\n", path.c_str(), error.c_str());
        if (!have_path && path == BOARD_FILE_NAME) {
            // Nowhere the game looks holds levels: say where that was.
            const std::string own = own_level_file();
            std::fprintf(stderr,
                         "grubblet-check: none at %s%s%s/%s either; name a level file, or make "
                         "one: grubblet-gen -o %s\n",
                         own.c_str(), own.empty() ? "" : " or ", GRUBBLET_DATA_DIR, BOARD_FILE_NAME,
                         BOARD_FILE_NAME);
        }
        return 2;
    }

    file_report report = begin_report(path, content);
    try {
        report.levels = solve_levels(report.boards, limits, static_cast<int>(jobs));
    } catch (const std::bad_alloc &) {
        std::fprintf(stderr,
                     "grubblet-check: out of memory with --max-states %ld; try a smaller limit\n",
                     limits.max_states);
        return 2;
    }
    std::string out = json ? report_json(report) : report_text(report);
    if (route) {
        const char *no_color = std::getenv("NO_COLOR");
        bool colour = isatty(STDOUT_FILENO) && (no_color == nullptr || *no_color == '\0');
        out += "\n" + report_routes(report, colour);
    }
    // A report that could not be written is no report: say so rather than
    // pass with an empty file.
    if (std::fputs(out.c_str(), stdout) == EOF || std::fflush(stdout) != 0) {
        std::fprintf(stderr, "grubblet-check: cannot write the report: %s\n", std::strerror(errno));
        return 2;
    }
    return report_status(report, strict);
}
