// first_screen RUNS GAME_DIR -- NAME KEY PROGRAM [ARGS...] [-- NAME KEY ...]:
// starts each curses program in an 80 x 25 pseudo-terminal in GAME_DIR, one
// after the other, RUNS rounds, and reports side by side what a player waits
// for and what it costs: the time from start to the first screen, the bytes
// of that screen, and the peak resident memory once KEY (the key that starts
// play) has brought up the first play screen. Each figure is the median of
// the rounds; the peak memory also gives the lowest and highest, as where
// the C library happens to be mapped moves it by a tenth of a megabyte.
//
// A screen is the burst of output that curses sends at one refresh; it ends
// when the terminal has been quiet for a while.
#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

using clock_type = std::chrono::steady_clock;

struct program {
    std::string name;
    std::string key;
    std::vector<std::string> argv;
};

struct figures {
    long peak_kb;
    long first_bytes;
    double first_ms;
};

// Reads what the program sends until it has been quiet for quiet_ms, or
// until limit_ms have passed. Returns the bytes read.
long drain(int fd, int quiet_ms, int limit_ms, bool wait_for_first) {
    long bytes = 0;
    const auto start = clock_type::now();
    char buf[65536];
    for (;;) {
        long elapsed =
            std::chrono::duration_cast<std::chrono::milliseconds>(clock_type::now() - start)
                .count();
        if (elapsed >= limit_ms) {
            return bytes;
        }
        pollfd p = {fd, POLLIN, 0};
        int wait = (bytes == 0 && wait_for_first) ? static_cast<int>(limit_ms - elapsed) : quiet_ms;
        if (poll(&p, 1, wait) <= 0) {
            return bytes;
        }
        ssize_t n = read(fd, buf, sizeof buf);
        if (n <= 0) {
            return bytes;
        }
        bytes += n;
    }
}

long peak_kb(pid_t pid) {
    std::string path = "/proc/" + std::to_string(pid) + "/status";
    FILE *status = std::fopen(path.c_str(), "r");
    long kb = -1;
    char line[256];
    while (status != nullptr && std::fgets(line, sizeof line, status) != nullptr) {
        if (std::strncmp(line, "VmHWM:", 6) == 0) {
            kb = std::strtol(line + 6, nullptr, 10);
        }
    }
    if (status != nullptr) {
        std::fclose(status);
    }
    return kb;
}

figures measure(const program &p, const char *dir) {
    winsize size = {};
    size.ws_row = 25;
    size.ws_col = 80;
    int master = -1;
    const auto start = clock_type::now();
    pid_t pid = forkpty(&master, nullptr, nullptr, &size);
    if (pid == 0) {
        if (chdir(dir) != 0) {
            _exit(126);
        }
        setenv("TERM", "xterm-256color", 1);
        std::vector<char *> argv;
        for (const std::string &a : p.argv) {
            argv.push_back(const_cast<char *>(a.c_str()));
        }
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    long first = drain(master, 30, 5000, true);
    double ms = std::chrono::duration<double, std::milli>(clock_type::now() - start).count() - 30;
    if (write(master, p.key.data(), p.key.size()) < 0) {
        std::perror("write");
    }
    drain(master, 300, 1500, false);
    long kb = peak_kb(pid);
    kill(pid, SIGTERM);
    drain(master, 50, 500, false);
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    close(master);
    return {kb, first, ms};
}

template <typename T> T median(std::vector<T> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char **argv) {
    if (argc < 7 || std::strcmp(argv[3], "--") != 0 || std::atoi(argv[1]) < 1) {
        std::fputs("usage: first_screen RUNS GAME_DIR -- NAME KEY PROGRAM [ARGS...] [-- ...]\n",
                   stderr);
        return 2;
    }
    const int runs = std::atoi(argv[1]);
    const char *dir = argv[2];
    std::vector<program> programs;
    for (int i = 4; i < argc; i++) {
        if (std::strcmp(argv[i], "--") == 0 || programs.empty()) {
            if (std::strcmp(argv[i], "--") == 0) {
                i++;
            }
            if (i + 2 >= argc) {
                std::fputs("first_screen: each program needs a name, a key and a path\n", stderr);
                return 2;
            }
            std::string key = argv[i + 1];
            if (key == "Enter") {
                key = "\r";
            } else if (key == "Space") {
                key = " ";
            }
            programs.push_back({argv[i], key, {argv[i + 2]}});
            i += 2;
        } else {
            programs.back().argv.push_back(argv[i]);
        }
    }
    std::vector<std::vector<figures>> seen(programs.size());
    for (int run = 0; run < runs; run++) {
        for (std::size_t p = 0; p < programs.size(); p++) {
            seen[p].push_back(measure(programs[p], dir));
        }
    }
    std::printf("| Program | Peak memory at the first play screen (lowest to highest) | Bytes of "
                "the first screen | Start to first screen |\n|---|---|---|---|\n");
    for (std::size_t p = 0; p < programs.size(); p++) {
        std::vector<long> kb, bytes;
        std::vector<double> ms;
        for (const figures &f : seen[p]) {
            kb.push_back(f.peak_kb);
            bytes.push_back(f.first_bytes);
            ms.push_back(f.first_ms);
        }
        std::printf("| %s | %.2f MB (%.2f to %.2f) | %ld | %.0f ms |\n", programs[p].name.c_str(),
                    static_cast<double>(median(kb)) / 1024,
                    static_cast<double>(*std::min_element(kb.begin(), kb.end())) / 1024,
                    static_cast<double>(*std::max_element(kb.begin(), kb.end())) / 1024,
                    median(bytes), median(ms));
    }
    return 0;
}
