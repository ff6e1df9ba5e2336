// grubblet-check [FILE]: reports for each of the nine levels of a level file
// whether it can be cleared, with one shortest winning key sequence.
//
// Exit status: 0 when every level can be cleared, 1 when some cannot (or the
// search gave up), 2 when the file cannot be read or the arguments are wrong.
#include "checker.h"

#include "../game/game_state.h"
#include "../levels/levels.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

static const char USAGE[] =
    "Usage: grubblet-check [FILE]\n"
    "\n"
    "Checks a Grubblet Plonko level file (./boards.txt unless FILE is given).\n"
    "\n"
    "First it warns about what the game will silently do with the file as a\n"
    "text editor shows it: characters that are not cell characters, rows that\n"
    "are not 80 characters long, a file that does not hold exactly 17280 cell\n"
    "characters, levels with no start cell or several, levels without a\n"
    "grubblet. Warnings never change what the game loads.\n"
    "\n"
    "Then, for each level, it searches every way of playing it from a fresh\n"
    "start (the state the restart key r gives) with the game's own rules, and\n"
    "reports whether the level can be cleared, the fewest key presses that\n"
    "clear it, one shortest winning sequence of play keys, and how many\n"
    "states it explored.\n"
    "\n"
    "Exit status: 0 when every level can be cleared, 1 when some cannot,\n"
    "2 when the file cannot be read.\n";

static bool read_whole_file(const char *path, std::string *content, std::string *error) {
    std::FILE *file = std::fopen(path, "rb");
    if (file == nullptr) {
        *error = std::strerror(errno);
        return false;
    }
    char buf[65536];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, file)) > 0) {
        content->append(buf, n);
    }
    bool failed = std::ferror(file) != 0;
    int saved = errno;
    std::fclose(file);
    if (failed) {
        *error = std::strerror(saved);
        return false;
    }
    return true;
}

// Loads the levels with the game's own reader.
static bool load_levels(const char *path, std::string *error) {
    std::FILE *file = std::fopen(path, "r");
    if (file == nullptr) {
        *error = std::strerror(errno);
        return false;
    }
    int failed = read_boards(file);
    int saved = errno;
    std::fclose(file);
    if (failed) {
        *error = std::strerror(saved);
        return false;
    }
    return true;
}

static std::string count(long n, const char *one, const char *many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

static void print_warning(const char *path, const file_warning &w) {
    if (w.line > 0 && w.column > 0) {
        std::printf("%s:%d:%d: warning: %s\n", path, w.line, w.column, w.text.c_str());
    } else if (w.line > 0) {
        std::printf("%s:%d: warning: %s\n", path, w.line, w.text.c_str());
    } else {
        std::printf("%s: warning: %s\n", path, w.text.c_str());
    }
}

int main(int argc, char **argv) {
    const char *path = BOARD_FILE_NAME;
    if (argc > 2) {
        std::fputs("grubblet-check: too many arguments\n", stderr);
        std::fputs(USAGE, stderr);
        return 2;
    }
    if (argc == 2) {
        if (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
            std::fputs(USAGE, stdout);
            return 0;
        }
        if (argv[1][0] == '-' && argv[1][1] != '\0') {
            std::fprintf(stderr, "grubblet-check: unknown option %s\n", argv[1]);
            std::fputs(USAGE, stderr);
            return 2;
        }
        path = argv[1];
    }

    std::string content;
    std::string error;
    if (allocate_boards() != 0) {
        std::fputs("grubblet-check: out of memory\n", stderr);
        return 2;
    }
    if (!read_whole_file(path, &content, &error) || !load_levels(path, &error)) {
        std::fprintf(stderr, "grubblet-check: cannot read %s: %s\n", path, error.c_str());
        free_boards();
        return 2;
    }

    for (const file_warning &w : scan_level_file(content)) {
        print_warning(path, w);
    }

    int unclearable = 0;
    long total_states = 0;
    for (int level = 0; level < LEVEL_COUNT; level++) {
        level_verdict v = solve_level(level);
        total_states += v.states;
        std::printf("level %d: ", level + 1);
        if (v.clearable) {
            std::printf("clearable in %s: %s",
                        count(static_cast<long>(v.keys.size()), "key press", "key presses").c_str(),
                        v.keys.empty() ? "-" : v.keys.c_str());
        } else if (!v.gave_up.empty()) {
            unclearable++;
            std::printf("not decided, gave up at %s", v.gave_up.c_str());
        } else {
            unclearable++;
            std::printf("cannot be cleared");
        }
        std::printf(" (%s explored)\n", count(v.states, "state", "states").c_str());
    }
    if (unclearable == 0) {
        std::printf("all %d levels can be cleared (%s explored)\n", LEVEL_COUNT,
                    count(total_states, "state", "states").c_str());
    } else {
        std::printf("%d of %d levels cannot be shown to be clearable\n", unclearable, LEVEL_COUNT);
    }
    free_boards();
    return unclearable == 0 ? 0 : 1;
}
