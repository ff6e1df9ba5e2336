// Reading and writing boards.txt.
//
// A save never rewrites the file in place: the new levels go to a temporary
// file beside it, which is synced and then renamed over boards.txt, so that a
// full disk or a crash leaves either the old file or the new one, whole.
#include "levels.h"

#include "../game/game_state.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <stdio.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

const char *const BOARD_FILE_NAME = "boards.txt";

static const char *const READ_ERROR = "Error: couldn't access boards.txt for reading.";
static const char *const WRITE_ERROR = "Error: couldn't access boards.txt for writing.";

static void report(const char *message) {
    if (display.file_error != nullptr) {
        display.file_error(message);
    }
}

// The next character of the stream with newlines skipped, or EOF. A CR counts
// as part of the newline only when an LF follows it at once, so files with
// CR LF line ends read exactly like files with LF line ends.
// The stream is the reader's alone, so it is read without locking.
static int next_cell_char(std::FILE *file) {
    for (;;) {
        int ch = getc_unlocked(file);
        if (ch == '\n') {
            continue;
        }
        if (ch == '\r') {
            int after = getc_unlocked(file);
            if (after == '\n') {
                continue;
            }
            if (after != EOF) {
                std::ungetc(after, file);
            }
        }
        return ch;
    }
}

int read_boards(std::FILE *file) {
    // The whole stream is read into a staging copy first, so that a read
    // error leaves the stored levels as they were. -1 marks an untouched cell.
    signed char staged[FILE_CELLS];
    std::memset(staged, -1, sizeof staged);

    // Passes over all cell positions until one ends on the end of the file;
    // once the end is reached nothing changes any more, so stop there.
    bool at_end = false;
    while (!at_end) {
        for (int pos = 0; pos < FILE_CELLS; pos++) {
            int ch = next_cell_char(file);
            if (ch == EOF) {
                at_end = true;
                break;
            }
            int kind = cell_of_char(ch);
            if (kind >= 0) {
                staged[pos] = static_cast<signed char>(kind);
            }
        }
    }
    if (std::ferror(file)) {
        return 1;
    }

    for (int pos = 0; pos < FILE_CELLS; pos++) {
        if (staged[pos] >= 0) {
            int b = pos / (BOARD_ROWS * BOARD_COLS);
            int r = pos / BOARD_COLS % BOARD_ROWS;
            int c = pos % BOARD_COLS;
            level_set[b][r][c] = staged[pos];
        }
    }
    return 0;
}

int load_boards() {
    std::FILE *file = std::fopen(BOARD_FILE_NAME, "r");
    if (file == nullptr) {
        report(READ_ERROR);
        return 1;
    }
    int failed = read_boards(file);
    std::fclose(file);
    if (failed) {
        report(READ_ERROR);
        return 1;
    }
    return 0;
}

void format_boards(char *out) {
    for (int b = 0; b < LEVEL_COUNT; b++) {
        for (int r = 0; r < BOARD_ROWS; r++) {
            for (int c = 0; c < BOARD_COLS; c++) {
                cell_kind kind = level_set[b][r][c];
                // A stored cell is always one of the five kinds; anything else
                // is written as empty space rather than as garbage.
                *out++ = (kind >= 0 && kind < CELL_KIND_COUNT) ? CELL_CHARS[kind] : CELL_CHARS[0];
            }
            *out++ = '\n';
        }
        *out++ = '\n';
    }
}

// The file a save must replace: boards.txt itself, or, where it is a symbolic
// link, the file at the end of the link chain, so that the link survives.
static std::string save_target() {
    std::string path = BOARD_FILE_NAME;
    for (int hops = 0; hops < 40; hops++) {
        struct stat st;
        if (lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) {
            break;
        }
        char link[PATH_MAX];
        ssize_t len = readlink(path.c_str(), link, sizeof link - 1);
        if (len < 0) {
            break;
        }
        link[len] = '\0';
        std::string::size_type slash = path.rfind('/');
        if (link[0] == '/' || slash == std::string::npos) {
            path = link;
        } else {
            path = path.substr(0, slash + 1) + link;
        }
    }
    return path;
}

static bool write_all(int fd, const char *data, std::size_t len) {
    while (len > 0) {
        ssize_t done = write(fd, data, len);
        if (done < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        data += done;
        len -= static_cast<std::size_t>(done);
    }
    return true;
}

// Writes the levels to a new file beside target and renames it over target.
// Returns false, with the temporary file removed, on any failure.
static bool replace_file(const std::string &target) {
    struct stat old;
    bool exists = stat(target.c_str(), &old) == 0;
    if (exists) {
        // Renaming over a write-protected file would succeed; honour the
        // protection as writing in place would.
        int probe = open(target.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
        if (probe < 0) {
            return false;
        }
        close(probe);
    }

    std::string::size_type slash = target.rfind('/');
    std::string dir = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
    std::string temp = dir + ".boards.txt.XXXXXX";
    int fd = mkstemp(&temp[0]);
    if (fd < 0) {
        return false;
    }

    mode_t mode;
    if (exists) {
        mode = old.st_mode & 07777;
    } else {
        mode_t mask = umask(0);
        umask(mask);
        mode = 0666 & ~mask;
    }

    char text[FILE_BYTES];
    format_boards(text);
    bool ok = fchmod(fd, mode) == 0 && write_all(fd, text, sizeof text) && fsync(fd) == 0;
    if (exists && ok) {
        // Keep the owner when saving someone else's file; not being allowed
        // to is no reason to fail the save.
        if (fchown(fd, old.st_uid, old.st_gid) != 0) {
            errno = 0;
        }
    }
    ok = (close(fd) == 0) && ok;
    ok = ok && rename(temp.c_str(), target.c_str()) == 0;
    if (!ok) {
        unlink(temp.c_str());
        return false;
    }

    // Make the rename itself durable.
    int dir_fd = open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir_fd >= 0) {
        fsync(dir_fd);
        close(dir_fd);
    }
    return true;
}

int save_boards() {
    if (!replace_file(save_target())) {
        report(WRITE_ERROR);
        return 1;
    }
    return 0;
}
