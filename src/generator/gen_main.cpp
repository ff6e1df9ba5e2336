// grubblet-gen [--seed N] [--difficulty easy|normal|hard] [--jobs N] [-o FILE]: writes a
// level file of nine new levels, each proven clearable, in the form the game
// saves, to standard output or to FILE.
//
// Exit status: 0 when the file was written, 1 when it could not be, 2 when
// the arguments are wrong.
#include "generator.h"

#include "../levels/levels.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

static const char USAGE[] =
    "Usage: grubblet-gen [--seed N] [--difficulty easy|normal|hard] [--jobs N] [-o FILE]\n"
    "\n"
    "Writes a Grubblet Plonko level file of nine new levels, in the form the\n"
    "game saves, to standard output or to FILE:\n"
    "  grubblet-gen -o boards.txt && grubblet\n"
    "Every level is proven clearable by the level checker, and the levels are\n"
    "ordered by its difficulty figure, gentle first. One line a level on\n"
    "standard error tells its grubblets, difficulty, the keys of its winning\n"
    "sequence (\"shortest\" when proven so, else the proven \"at least\"), and\n"
    "its layout.\n"
    "\n"
    "Options:\n"
    "  --seed N        make the pack numbered N (0 to 4294967295): the same\n"
    "                  number always makes the same file; without it a number\n"
    "                  is picked and named on standard error\n"
    "  --difficulty D  easy, normal (the default) or hard\n"
    "  --jobs N        decide N candidate levels at once (default: one for each\n"
    "                  core); the file is the same whatever N\n"
    "  -o FILE         write to FILE instead of standard output, as the game's\n"
    "                  editor saves: old or new, never half written\n"
    "  -h, --help      show this help\n"
    "  --version       show the version\n"
    "\n"
    "Exit status: 0 when the file was written, 1 when it could not be, 2 when\n"
    "the arguments are wrong.\n"
    "\n"
    "To check a level file, yours or a generated one: grubblet-check FILE.\n";

// Two lines, as grubblet-check answers: what is wrong, and where to read more.
static int usage_error(const std::string &message) {
    std::fprintf(stderr, "grubblet-gen: %s\n", message.c_str());
    std::fputs("Try 'grubblet-gen --help' for more.\n", stderr);
    return 2;
}

static bool parse_seed(const char *text, std::uint32_t *seed) {
    if (*text < '0' || *text > '9') {
        return false;
    }
    char *end = nullptr;
    errno = 0;
    unsigned long long value = std::strtoull(text, &end, 10);
    if (errno != 0 || *end != '\0' || value > 0xffffffffull) {
        return false;
    }
    *seed = static_cast<std::uint32_t>(value);
    return true;
}

// Why the levels could not be written to path, or "" when they can be:
// looked at before the pack is made, so that a wrong -o is answered at once
// rather than after the levels.
static std::string output_problem(const std::string &path) {
    struct stat st;
    if (stat(path.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode)) {
            return "a directory; name a file in it, such as " + path +
                   (path.back() == '/' ? "" : "/") + BOARD_FILE_NAME;
        }
        if (const char *kind = file_kind_name(st.st_mode)) {
            return std::string(kind) + ", not a level file; levels are written over a regular " +
                   "file or a new one";
        }
        return access(path.c_str(), W_OK) == 0 ? "" : std::strerror(errno);
    }
    if (errno != ENOENT) {
        return std::strerror(errno);
    }
    // A new file: its folder must be there and take new files.
    const std::size_t slash = path.rfind('/');
    const std::string dir = slash == std::string::npos ? "."
                            : slash == 0               ? "/"
                                                       : path.substr(0, slash);
    if (stat(dir.c_str(), &st) != 0) {
        return errno == ENOENT ? "there is no folder " + dir + " (mkdir -p " + dir + " makes it)"
                               : dir + ": " + std::strerror(errno);
    }
    if (access(dir.c_str(), W_OK | X_OK) != 0) {
        return "cannot make a file in " + dir + ": " + std::strerror(errno);
    }
    return "";
}

int main(int argc, char **argv) {
    std::uint32_t seed = 0;
    bool have_seed = false;
    pack_difficulty difficulty = PACK_NORMAL;
    const char *out_path = nullptr;
    std::uint32_t jobs = 0;
    for (int i = 1; i < argc; i++) {
        const std::string arg = argv[i];
        auto value = [&](const char *name) -> const char * {
            const std::string with = std::string(name) + "=";
            if (arg.rfind(with, 0) == 0) {
                return argv[i] + with.size();
            }
            return i + 1 < argc ? argv[++i] : nullptr;
        };
        if (arg == "--help" || arg == "-h") {
            std::fputs(USAGE, stdout);
            return 0;
        } else if (arg == "--version") {
            std::puts("grubblet-gen (Grubblet Plonko) " GRUBBLET_VERSION);
            return 0;
        } else if (arg == "--seed" || arg.rfind("--seed=", 0) == 0) {
            const char *text = value("--seed");
            if (text == nullptr || !parse_seed(text, &seed)) {
                return usage_error("--seed needs a whole number from 0 to 4294967295");
            }
            have_seed = true;
        } else if (arg == "--jobs" || arg.rfind("--jobs=", 0) == 0) {
            const char *text = value("--jobs");
            if (text == nullptr || !parse_seed(text, &jobs) || jobs < 1 || jobs > 1024) {
                return usage_error("--jobs needs a whole number of levels at once, 1 to 1024");
            }
        } else if (arg == "--difficulty" || arg.rfind("--difficulty=", 0) == 0) {
            const char *text = value("--difficulty");
            const std::string name = text == nullptr ? "" : text;
            if (name == "easy") {
                difficulty = PACK_EASY;
            } else if (name == "normal") {
                difficulty = PACK_NORMAL;
            } else if (name == "hard") {
                difficulty = PACK_HARD;
            } else {
                return usage_error("--difficulty needs easy, normal or hard");
            }
        } else if (arg == "-o" || arg.rfind("--output=", 0) == 0) {
            out_path = arg == "-o" ? (i + 1 < argc ? argv[++i] : nullptr) : argv[i] + 9;
            if (out_path == nullptr) {
                return usage_error("-o needs a file name");
            }
            if (*out_path == '\0') {
                return usage_error("the file name after -o is empty");
            }
        } else {
            return usage_error(arg.size() > 1 && arg[0] == '-' ? "unknown option " + arg
                                                               : "unexpected argument " + arg);
        }
    }
    if (out_path != nullptr) {
        const std::string problem = output_problem(out_path);
        if (!problem.empty()) {
            std::fprintf(stderr, "grubblet-gen: cannot write %s: %s\n", out_path, problem.c_str());
            return 1;
        }
    }
    if (!have_seed) {
        seed = std::random_device()();
        std::fprintf(stderr, "grubblet-gen: seed %lu\n", static_cast<unsigned long>(seed));
    }

    std::vector<generated_level> pack = make_pack(seed, difficulty, static_cast<int>(jobs));
    std::vector<board_cells> boards;
    for (const generated_level &level : pack) {
        boards.push_back(level.board);
    }
    bool proven = true;
    for (std::size_t i = 0; i < pack.size(); i++) {
        const generated_level &level = pack[i];
        // The par: proven shortest, or how close the proof came.
        const std::string par = static_cast<std::size_t>(level.at_least) == level.keys.size()
                                    ? "shortest"
                                    : "at least " + std::to_string(level.at_least);
        std::fprintf(stderr, "level %zu: %d grubblets, difficulty %.1f, %zu key presses, %s (%s)\n",
                     i + 1, level.grubblets, level.difficulty.score, level.keys.size(), par.c_str(),
                     level.layout);
        proven = proven && level.difficulty.known;
    }
    if (!proven) {
        // Never seen; said rather than written, as a pack is only as good
        // as its proof.
        std::fputs("grubblet-gen: a level could not be proven clearable; try another seed\n",
                   stderr);
        return 1;
    }
    if (out_path != nullptr) {
        // As the game's editor saves: only over a regular file, through
        // symbolic links, keeping the file's mode and links, old or new
        // whatever happens.
        struct stat before;
        const bool existed = lstat(out_path, &before) == 0;
        const replace_result result = write_level_file(out_path, boards.data());
        if (result != REPLACED) {
            std::fprintf(stderr, "grubblet-gen: cannot write %s: %s\n", out_path,
                         result == HALF_WRITTEN ? "it is left half written; write it again"
                         : existed              ? "the write failed, and the file is as it was"
                                                : "the write failed, and no file was made");
            return 1;
        }
        return 0;
    }
    std::string text(FILE_BYTES, '\0');
    format_levels(boards.data(), &text[0]);
    if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size() ||
        std::fflush(stdout) != 0) {
        std::fprintf(stderr, "grubblet-gen: cannot write the levels: %s\n", std::strerror(errno));
        return 1;
    }
    return 0;
}
