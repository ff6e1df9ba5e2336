// Reading and writing boards.txt.
//
// A save writes the new levels to a temporary file beside boards.txt, syncs
// it and renames it over boards.txt, so that a full disk or a crash leaves
// either the old file or the new one, whole. Renaming replaces the file, so
// it is used only where the new file can be all the old one was: where the
// directory is writable, the file has one name, and the new file can have
// its owner, group, permissions and extended attributes (ACLs among them).
// Anywhere else boards.txt is overwritten in place, which keeps the file
// itself: the old content is held in memory first, the new content written
// over it without emptying the file, and put back if any step fails.
//
// Only a regular file is ever written. The save runs in a small process of
// its own that ignores the signals which end the game, so a game killed
// while saving still leaves a whole file and no temporary one behind.
#include "levels.h"

#include "../game/game_state.h"

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <stdio.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

const char *const BOARD_FILE_NAME = "boards.txt";

static const char *const READ_ERROR = "Error: couldn't access boards.txt for reading.";
static const char *const WRITE_ERROR = "Error: couldn't access boards.txt for writing.";
// After WRITE_ERROR, where even putting the old content back failed.
static const char *const LEFT_DAMAGED = "Error: boards.txt is left half written; save again.";

static void report(const char *message) {
    if (display.file_error != nullptr) {
        display.file_error(message);
    }
}

// The staging copy of a read: a cell kind, or UNTOUCHED, for every cell
// position of the file, two positions a byte.
namespace {
const unsigned char UNTOUCHED = 0xF;

struct staging {
    unsigned char packed[FILE_CELLS / 2];

    void clear() {
        std::memset(packed, UNTOUCHED * 0x11, sizeof packed);
    }
    int at(int pos) const {
        return pos % 2 ? packed[pos / 2] >> 4 : packed[pos / 2] & 0xF;
    }
    void put(int pos, int kind) {
        unsigned char &pair = packed[pos / 2];
        pair = static_cast<unsigned char>(pos % 2 ? (pair & 0x0F) | (kind << 4)
                                                  : (pair & 0xF0) | kind);
    }
};
} // namespace

static int read_from(level_file_walk *walk) {
    // The whole file is walked into a staging copy first, so that a read
    // error leaves the stored levels as they were.
    staging staged;
    staged.clear();
    file_byte byte;
    while (walk->next(&byte)) {
        if (byte.use == BYTE_CELL) {
            staged.put(byte.cell, byte.kind);
        }
    }
    if (walk->failed()) {
        return 1;
    }

    for (int pos = 0; pos < FILE_CELLS; pos++) {
        int kind = staged.at(pos);
        if (kind != UNTOUCHED) {
            int b = pos / (BOARD_ROWS * BOARD_COLS);
            int r = pos / BOARD_COLS % BOARD_ROWS;
            int c = pos % BOARD_COLS;
            level_set[b][r][c] = static_cast<cell_kind>(kind);
        }
    }
    return 0;
}

int read_boards(std::FILE *file) {
    level_file_walk walk(file);
    return read_from(&walk);
}

int load_boards() {
    // Only a regular file is read: a pipe would wait for a writer and a
    // device such as /dev/zero would never end, with the game stuck in it.
    int fd = open(BOARD_FILE_NAME, O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    struct stat st;
    if (fd >= 0 && (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))) {
        close(fd);
        fd = -1;
    }
    if (fd < 0) {
        report(READ_ERROR);
        return 1;
    }
    level_file_walk walk(fd);
    int failed = read_from(&walk);
    close(fd);
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

// A path the save works with; longer ones are refused.
struct path_name {
    char text[PATH_MAX];
};

// The file a save to name must replace: name itself, or, where it is a
// symbolic link, the file at the end of the link chain, so that the link
// survives. False when a path is too long to hold.
static bool save_target(const char *name, path_name *path) {
    if (std::strlen(name) >= sizeof path->text) {
        errno = ENAMETOOLONG;
        return false;
    }
    std::strcpy(path->text, name);
    for (int hops = 0; hops < 40; hops++) {
        struct stat st;
        if (lstat(path->text, &st) != 0 || !S_ISLNK(st.st_mode)) {
            break;
        }
        char link[PATH_MAX];
        ssize_t len = readlink(path->text, link, sizeof link - 1);
        if (len < 0) {
            break;
        }
        link[len] = '\0';
        // A relative link is relative to the link's own directory.
        const char *slash = std::strrchr(path->text, '/');
        std::size_t keep = link[0] == '/' || slash == nullptr
                               ? 0
                               : static_cast<std::size_t>(slash - path->text) + 1;
        if (keep + static_cast<std::size_t>(len) >= sizeof path->text) {
            errno = ENAMETOOLONG;
            return false;
        }
        std::memcpy(path->text + keep, link, static_cast<std::size_t>(len) + 1);
    }
    return true;
}

// The directory part of a path, with its trailing slash; empty for a name
// in the current directory.
static void directory_of(const char *path, path_name *dir) {
    const char *slash = std::strrchr(path, '/');
    std::size_t len = slash == nullptr ? 0 : static_cast<std::size_t>(slash - path) + 1;
    std::memcpy(dir->text, path, len);
    dir->text[len] = '\0';
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

// Gives the new file fd the owner and group of the old file, as stat found
// it. False when they cannot both be had, so that renaming would change them.
static bool keep_owner(int fd, const struct stat &old) {
    // Someone else's file keeps at least its group where its owner cannot
    // be had; then the owner still differs and the file is written in place.
    if (fchown(fd, old.st_uid, old.st_gid) != 0 &&
        fchown(fd, static_cast<uid_t>(-1), old.st_gid) != 0) {
        return false;
    }
    struct stat now;
    return fstat(fd, &now) == 0 && now.st_uid == old.st_uid && now.st_gid == old.st_gid;
}

// Copies one extended attribute of the file at target to the new file fd.
static bool copy_attribute(int fd, const char *target, const char *name) {
    ssize_t length = getxattr(target, name, nullptr, 0);
    if (length < 0) {
        return false;
    }
    char *value = static_cast<char *>(std::malloc(static_cast<std::size_t>(length) + 1));
    if (value == nullptr) {
        return false;
    }
    length = getxattr(target, name, value, static_cast<std::size_t>(length));
    bool ok = length >= 0 && fsetxattr(fd, name, value, static_cast<std::size_t>(length), 0) == 0;
    std::free(value);
    return ok;
}

// Copies the extended attributes of the file at target, ACLs among them, to
// the new file fd. False when any of them cannot be copied.
static bool keep_attributes(int fd, const char *target) {
    ssize_t size = listxattr(target, nullptr, 0);
    if (size < 0) {
        return errno == ENOTSUP;
    }
    char *names = static_cast<char *>(std::malloc(static_cast<std::size_t>(size) + 1));
    if (names == nullptr) {
        return false;
    }
    size = listxattr(target, names, static_cast<std::size_t>(size));
    bool ok = size >= 0;
    for (ssize_t at = 0; ok && at < size; at += static_cast<ssize_t>(std::strlen(names + at)) + 1) {
        ok = copy_attribute(fd, target, names + at);
    }
    std::free(names);
    return ok;
}

// The rename: writes the levels to a new file beside target, syncs it and
// renames it over target. Returns 1 when it saved, 0 when renaming would not
// keep the file as it was (nothing is changed then), -1 on a writing error
// (nothing is changed either, the temporary file removed).
static int save_by_rename(const char *target, const struct stat *old, const char *text) {
    path_name dir, temp;
    directory_of(target, &dir);
    static const char TEMP_NAME[] = ".boards.txt.XXXXXX";
    if (std::strlen(dir.text) + sizeof TEMP_NAME > sizeof temp.text) {
        return old != nullptr ? 0 : -1;
    }
    std::strcpy(temp.text, dir.text);
    std::strcat(temp.text, TEMP_NAME);
    int fd = mkstemp(temp.text);
    if (fd < 0) {
        // A directory the player may not write to: boards.txt itself may
        // still be writable.
        return old != nullptr ? 0 : -1;
    }

    mode_t mode;
    if (old != nullptr) {
        mode = old->st_mode & 07777;
    } else {
        mode_t mask = umask(0);
        umask(mask);
        mode = 0666 & ~mask;
    }
    // The mode after the owner, as a change of owner may clear set-id bits;
    // the attributes after the mode, as an ACL sets the group bits.
    bool kept = old == nullptr || (old->st_nlink == 1 && keep_owner(fd, *old));
    bool ok = kept && fchmod(fd, mode) == 0;
    kept = kept && (old == nullptr || (ok && keep_attributes(fd, target)));
    if (!kept) {
        close(fd);
        unlink(temp.text);
        return 0;
    }
    ok = ok && write_all(fd, text, FILE_BYTES) && fsync(fd) == 0;
    ok = (close(fd) == 0) && ok;
    ok = ok && rename(temp.text, target) == 0;
    if (!ok) {
        unlink(temp.text);
        return -1;
    }

    // Make the rename itself durable.
    int dir_fd = open(dir.text[0] == '\0' ? "." : dir.text, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir_fd >= 0) {
        fsync(dir_fd);
        close(dir_fd);
    }
    return 1;
}

// Whether this process may write a file up to the given size: a file size
// limit (a shell's ulimit -f) would stop the write part way.
static bool within_size_limit(off_t bytes) {
    struct rlimit limit;
    if (getrlimit(RLIMIT_FSIZE, &limit) != 0) {
        return false;
    }
    if (limit.rlim_cur == RLIM_INFINITY || static_cast<rlim_t>(bytes) <= limit.rlim_cur) {
        return true;
    }
    errno = EFBIG;
    return false;
}

// Writes data at the start of fd; *done counts the bytes that reached it.
static bool write_at_start(int fd, const char *data, std::size_t len, std::size_t *done) {
    *done = 0;
    while (*done < len) {
        ssize_t n = pwrite(fd, data + *done, len - *done, static_cast<off_t>(*done));
        if (n < 0 && errno != EINTR) {
            return false;
        }
        if (n > 0) {
            *done += static_cast<std::size_t>(n);
        }
    }
    return true;
}

// Reads the whole of fd into a buffer from malloc, its length in *len;
// nullptr when it cannot be read.
static char *read_whole(int fd, std::size_t *len) {
    struct stat st;
    if (fstat(fd, &st) != 0) {
        return nullptr;
    }
    std::size_t capacity = static_cast<std::size_t>(st.st_size) + 1, size = 0;
    char *content = static_cast<char *>(std::malloc(capacity));
    while (content != nullptr) {
        if (size == capacity) {
            capacity *= 2;
            char *bigger = static_cast<char *>(std::realloc(content, capacity));
            if (bigger == nullptr) {
                std::free(content);
                return nullptr;
            }
            content = bigger;
        }
        ssize_t n = pread(fd, content + size, capacity - size, static_cast<off_t>(size));
        if (n == 0) {
            break;
        }
        if (n < 0 && errno != EINTR) {
            std::free(content);
            return nullptr;
        }
        size += n > 0 ? static_cast<std::size_t>(n) : 0;
    }
    *len = size;
    return content;
}

// Overwrites target in place, keeping the file itself: its owner, group,
// permissions, links and attributes. The file is not emptied first: the new
// content goes over the old, and only where it is shorter (a file with CR LF
// line ends) is the rest cut off at the end. Nothing changes unless the old
// content is in memory and a size limit lets both contents be written; if a
// step fails after a byte changed, the old content is put back, and where
// even that fails, *damaged says so.
static bool save_in_place(const char *target, const char *text, bool *damaged) {
    int fd = open(target, O_RDWR | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        return false;
    }
    struct stat st;
    std::size_t before_len = 0;
    char *before =
        fstat(fd, &st) == 0 && S_ISREG(st.st_mode) ? read_whole(fd, &before_len) : nullptr;
    std::size_t longer =
        before_len > std::size_t{FILE_BYTES} ? before_len : std::size_t{FILE_BYTES};
    if (before == nullptr || !within_size_limit(static_cast<off_t>(longer))) {
        std::free(before);
        close(fd);
        return false;
    }
    std::size_t done = 0;
    bool ok = write_at_start(fd, text, FILE_BYTES, &done) &&
              (before_len <= FILE_BYTES || ftruncate(fd, FILE_BYTES) == 0) && fsync(fd) == 0;
    if (!ok && done > 0) {
        int saved = errno;
        *damaged = !write_at_start(fd, before, before_len, &done) ||
                   ftruncate(fd, static_cast<off_t>(before_len)) != 0;
        if (!*damaged) {
            fsync(fd);
        }
        errno = saved;
    }
    std::free(before);
    ok = close(fd) == 0 && ok;
    return ok;
}

// Saves the levels over target, by rename where that keeps the file as it
// was, else in place. False on any failure; *damaged when the file is left
// neither old nor new.
static bool replace_file(const char *target, bool *damaged) {
    struct stat old;
    bool exists = stat(target, &old) == 0;
    // Only a regular file is a level file; a device, a pipe, a socket or a
    // directory behind the name is left alone, not even opened.
    if (exists && !S_ISREG(old.st_mode)) {
        errno = EINVAL;
        return false;
    }
    if (exists) {
        // Renaming over a write-protected file would succeed; honour the
        // protection as writing in place would.
        int probe = open(target, O_WRONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
        if (probe < 0) {
            return false;
        }
        close(probe);
    }
    if (!within_size_limit(FILE_BYTES)) {
        return false;
    }
    char text[FILE_BYTES];
    format_boards(text);
    int renamed = save_by_rename(target, exists ? &old : nullptr, text);
    if (renamed != 0) {
        return renamed > 0;
    }
    return save_in_place(target, text, damaged);
}

// How a save ended: complete, failed with the file as it was, or failed
// with not even the old content put back.
enum save_result { SAVED = 0, NOT_SAVED = 1, LEFT_DAMAGED_FILE = 2 };

static save_result write_levels(const char *name) {
    path_name target;
    bool damaged = false;
    if (save_target(name, &target) && replace_file(target.text, &damaged)) {
        return SAVED;
    }
    return damaged ? LEFT_DAMAGED_FILE : NOT_SAVED;
}

// Runs in the process that writes the file: it stays out of the terminal's
// session and ignores what would end the game, so that once a save has
// begun it always runs to its end; a file size limit becomes a failed write.
// Its exit status is the save_result. Signals stay blocked from before the
// fork until they are ignored here, so none can end it in between.
static int write_levels_in_own_process(const char *name, const sigset_t &mask) {
    setsid();
    static const int IGNORED[] = {SIGHUP, SIGINT, SIGTERM, SIGQUIT, SIGXFSZ, SIGPIPE};
    for (int sig : IGNORED) {
        signal(sig, SIG_IGN);
    }
    sigprocmask(SIG_SETMASK, &mask, nullptr);
    return write_levels(name);
}

// Where no writer process can be started (no processes left, or a system
// without them, as in a browser), the game writes the file itself: a size
// limit is still a failed write, only a kill of the game can cut it short.
static save_result write_levels_here(const char *name) {
    struct sigaction ignore = {}, before;
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGXFSZ, &ignore, &before);
    save_result result = write_levels(name);
    sigaction(SIGXFSZ, &before, nullptr);
    return result;
}

static save_result save_levels_to(const char *name) {
    // The writer's exit status is the save's answer: a SIGCHLD ignored since
    // the game was started would throw it away.
    struct sigaction child_default = {}, child_before;
    child_default.sa_handler = SIG_DFL;
    sigaction(SIGCHLD, &child_default, &child_before);
    sigset_t all, mask;
    sigfillset(&all);
    sigprocmask(SIG_BLOCK, &all, &mask);
    pid_t writer = fork();
    if (writer == 0) {
        _exit(write_levels_in_own_process(name, mask));
    }
    sigprocmask(SIG_SETMASK, &mask, nullptr);
    int status = -1;
    while (writer > 0 && waitpid(writer, &status, 0) < 0 && errno == EINTR) {
    }
    sigaction(SIGCHLD, &child_before, nullptr);
    if (writer < 0) {
        return write_levels_here(name);
    }
    if (WIFEXITED(status) && WEXITSTATUS(status) <= LEFT_DAMAGED_FILE) {
        return static_cast<save_result>(WEXITSTATUS(status));
    }
    return NOT_SAVED;
}

int write_boards_file(const char *path) {
    return save_levels_to(path) == SAVED ? 0 : 1;
}

int save_boards() {
    save_result result = save_levels_to(BOARD_FILE_NAME);
    if (result != SAVED) {
        report(WRITE_ERROR);
        if (result == LEFT_DAMAGED_FILE) {
            // Written over the first message, which it outruns.
            report(LEFT_DAMAGED);
        }
        return 1;
    }
    return 0;
}
