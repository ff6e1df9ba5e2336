// grubblet-gen [--seed N] [--difficulty easy|normal|hard] [-o FILE]: writes a
// level file of nine new levels, each proven clearable, in the form the game
// saves, to standard output or to FILE.
//
// Exit status: 0 when the file was written, 1 when it could not be, 2 when
// the arguments are wrong.
#include "generator.h"

#include "../game/game_state.h"
#include "../levels/levels.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

static const char USAGE[] =
    "Usage: grubblet-gen [--seed N] [--difficulty easy|normal|hard] [-o FILE]\n"
    "\n"
    "Writes a Grubblet Plonko level file of nine new levels, in the form the\n"
    "game saves, to standard output or to FILE:\n"
    "  grubblet-gen -o boards.txt && grubblet\n"
    "Every level is proven clearable by the level checker, and the levels are\n"
    "ordered by its difficulty figure, gentle first. One line a level on\n"
    "standard error tells its grubblets, difficulty and layout.\n"
    "\n"
    "Options:\n"
    "  --seed N        make the pack numbered N (0 to 4294967295): the same\n"
    "                  number always makes the same file; without it a number\n"
    "                  is picked and named on standard error\n"
    "  --difficulty D  easy, normal (the default) or hard\n"
    "  -o FILE         write to FILE, replacing it whole, instead of standard\n"
    "                  output\n"
    "  -h, --help      show this help\n"
    "\n"
    "Exit status: 0 when the file was written, 1 when it could not be, 2 when\n"
    "the arguments are wrong.\n";

static int usage_error(const std::string &message) {
    std::fprintf(stderr, "grubblet-gen: %s\n", message.c_str());
    std::fputs(USAGE, stderr);
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

static bool write_all(int fd, const char *data, std::size_t size) {
    while (size > 0) {
        ssize_t n = write(fd, data, size);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

// The file is written whole beside `path` and renamed over it, so that a
// failure part way leaves whatever was there before. The new file is made
// before the pack, so that a place that cannot be written is known at once.
struct output_file {
    std::string path, temp;
    int fd = -1;
};

static bool open_output(const char *path, output_file *out) {
    out->path = path;
    std::string dir = ".", name = path;
    std::size_t slash = out->path.rfind('/');
    if (slash != std::string::npos) {
        dir = slash == 0 ? "/" : out->path.substr(0, slash);
        name = out->path.substr(slash + 1);
    }
    out->temp = dir + "/." + name + ".XXXXXX";
    out->fd = mkstemp(&out->temp[0]);
    return out->fd >= 0;
}

static bool finish_output(output_file *out, const std::string &text) {
    mode_t mask = umask(0);
    umask(mask);
    bool ok = fchmod(out->fd, 0666 & ~mask) == 0 && write_all(out->fd, text.data(), text.size()) &&
              fsync(out->fd) == 0;
    int saved = errno;
    ok = close(out->fd) == 0 && ok;
    if (ok && std::rename(out->temp.c_str(), out->path.c_str()) == 0) {
        return true;
    }
    saved = ok ? errno : saved;
    unlink(out->temp.c_str());
    errno = saved;
    return false;
}

int main(int argc, char **argv) {
    std::uint32_t seed = 0;
    bool have_seed = false;
    pack_difficulty difficulty = PACK_NORMAL;
    const char *out_path = nullptr;
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
        } else if (arg == "--seed" || arg.rfind("--seed=", 0) == 0) {
            const char *text = value("--seed");
            if (text == nullptr || !parse_seed(text, &seed)) {
                return usage_error("--seed needs a whole number from 0 to 4294967295");
            }
            have_seed = true;
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
            if (out_path == nullptr || *out_path == '\0') {
                return usage_error("-o needs a file name");
            }
        } else {
            return usage_error(arg.size() > 1 && arg[0] == '-' ? "unknown option " + arg
                                                               : "unexpected argument " + arg);
        }
    }
    output_file out;
    if (out_path != nullptr && !open_output(out_path, &out)) {
        std::fprintf(stderr, "grubblet-gen: cannot write %s: %s\n", out_path, std::strerror(errno));
        return 1;
    }
    if (!have_seed) {
        seed = std::random_device()();
        std::fprintf(stderr, "grubblet-gen: seed %lu\n", static_cast<unsigned long>(seed));
    }

    if (allocate_boards() != 0) {
        std::fputs("grubblet-gen: out of memory\n", stderr);
        return 1;
    }
    std::vector<generated_level> pack = make_pack(seed, difficulty);
    for (std::size_t i = 0; i < pack.size(); i++) {
        const generated_level &level = pack[i];
        std::fprintf(stderr, "level %zu: %d grubblets, difficulty %.1f, %zu key presses (%s)\n",
                     i + 1, level.grubblets, level.difficulty.score, level.keys.size(),
                     level.layout);
    }
    std::string text(FILE_BYTES, '\0');
    format_boards(&text[0]);
    free_boards();

    if (out_path != nullptr) {
        if (!finish_output(&out, text)) {
            std::fprintf(stderr, "grubblet-gen: cannot write %s: %s\n", out_path,
                         std::strerror(errno));
            return 1;
        }
        return 0;
    }
    if (!write_all(STDOUT_FILENO, text.data(), text.size())) {
        std::fprintf(stderr, "grubblet-gen: cannot write the levels: %s\n", std::strerror(errno));
        return 1;
    }
    return 0;
}
