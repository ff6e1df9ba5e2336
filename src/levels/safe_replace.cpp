// Replacing a file's content whole, crash-safe: a full disk, a failing disk
// or a killed program leaves the file exactly as it was or exactly as meant.
//
// The new content goes to a temporary file beside the old one, is synced and
// renamed over it, so that a crash leaves either the old file or the new one,
// whole. Renaming replaces the file, so it is used only where the new file
// can be all the old one was: where the directory is writable, the file has
// one name, and the new file can have its owner, group, permissions and
// extended attributes (ACLs among them). Anywhere else the file is
// overwritten in place, which keeps the file itself: the old content is held
// in memory first, the new content written over it without emptying the
// file, and put back if any step fails.
//
// Only a regular file is ever written. The writing runs in a small process of
// its own that ignores the signals which end the game, so a game killed
// while saving still leaves a whole file and no temporary one behind.
#include "levels.h"

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

namespace {
// What to put where the file is.
struct replacement {
    const char *content;
    std::size_t length;
    const char *temp_pattern;
};
} // namespace

// A path the replacement works with; longer ones are refused.
struct path_name {
    char text[PATH_MAX];
};

// The file a replacement of name must replace: name itself, or, where it is a
// symbolic link, the file at the end of the link chain, so that the link
// survives. False when a path is too long to hold.
static bool link_target(const char *name, path_name *path) {
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

// The rename: writes the new content to a new file beside target, syncs it
// and renames it over target. Returns 1 when it replaced the file, 0 when
// renaming would not keep the file as it was (nothing is changed then), -1
// on a writing error (nothing is changed either, the temporary file
// removed).
static int replace_by_rename(const char *target, const struct stat *old, const replacement &with) {
    path_name dir, temp;
    directory_of(target, &dir);
    if (std::strlen(dir.text) + std::strlen(with.temp_pattern) + 1 > sizeof temp.text) {
        return old != nullptr ? 0 : -1;
    }
    std::strcpy(temp.text, dir.text);
    std::strcat(temp.text, with.temp_pattern);
    int fd = mkstemp(temp.text);
    if (fd < 0) {
        // A directory the player may not write to: the file itself may
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
    ok = ok && write_all(fd, with.content, with.length) && fsync(fd) == 0;
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
static bool replace_in_place(const char *target, const replacement &with, bool *damaged) {
    int fd = open(target, O_RDWR | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        return false;
    }
    struct stat st;
    std::size_t before_len = 0;
    char *before =
        fstat(fd, &st) == 0 && S_ISREG(st.st_mode) ? read_whole(fd, &before_len) : nullptr;
    std::size_t longer = before_len > with.length ? before_len : with.length;
    if (before == nullptr || !within_size_limit(static_cast<off_t>(longer))) {
        std::free(before);
        close(fd);
        return false;
    }
    std::size_t done = 0;
    bool ok = write_at_start(fd, with.content, with.length, &done) &&
              (before_len <= with.length || ftruncate(fd, static_cast<off_t>(with.length)) == 0) &&
              fsync(fd) == 0;
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

// Puts the new content in target, by rename where that keeps the file as it
// was, else in place. False on any failure; *damaged when the file is left
// neither old nor new.
static bool replace_target(const char *target, const replacement &with, bool *damaged) {
    struct stat old;
    bool exists = stat(target, &old) == 0;
    // Only a regular file is replaced; a device, a pipe, a socket or a
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
    if (!within_size_limit(static_cast<off_t>(with.length))) {
        return false;
    }
    int renamed = replace_by_rename(target, exists ? &old : nullptr, with);
    if (renamed != 0) {
        return renamed > 0;
    }
    return replace_in_place(target, with, damaged);
}

// Replaces the file at name here and now, through its symbolic links.
static replace_result replace_now(const char *name, const replacement &with) {
    path_name target;
    bool damaged = false;
    if (link_target(name, &target) && replace_target(target.text, with, &damaged)) {
        return REPLACED;
    }
    return damaged ? HALF_WRITTEN : NOT_REPLACED;
}

// Runs in the process that writes the file: it stays out of the terminal's
// session and ignores what would end the game, so that once a replacement
// has begun it always runs to its end; a file size limit becomes a failed
// write. Its exit status is the replace_result. Signals stay blocked from
// before the fork until they are ignored here, so none can end it in between.
static int replace_in_own_process(const char *name, const replacement &with, const sigset_t &mask) {
    setsid();
    static const int IGNORED[] = {SIGHUP, SIGINT, SIGTERM, SIGQUIT, SIGXFSZ, SIGPIPE};
    for (int sig : IGNORED) {
        signal(sig, SIG_IGN);
    }
    sigprocmask(SIG_SETMASK, &mask, nullptr);
    return replace_now(name, with);
}

// Where no writer process can be started (no processes left, or a system
// without them, as in a browser), the game writes the file itself: a size
// limit is still a failed write, only a kill of the game can cut it short.
static replace_result replace_here(const char *name, const replacement &with) {
    struct sigaction ignore = {}, before;
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGXFSZ, &ignore, &before);
    replace_result result = replace_now(name, with);
    sigaction(SIGXFSZ, &before, nullptr);
    return result;
}

replace_result replace_file(const char *name, const char *content, std::size_t length,
                            const char *temp_pattern) {
    replacement with{content, length, temp_pattern};
    // The writer's exit status is the answer: a SIGCHLD ignored since
    // the game was started would throw it away.
    struct sigaction child_default = {}, child_before;
    child_default.sa_handler = SIG_DFL;
    sigaction(SIGCHLD, &child_default, &child_before);
    sigset_t all, mask;
    sigfillset(&all);
    sigprocmask(SIG_BLOCK, &all, &mask);
    pid_t writer = fork();
    if (writer == 0) {
        _exit(replace_in_own_process(name, with, mask));
    }
    sigprocmask(SIG_SETMASK, &mask, nullptr);
    int status = -1;
    while (writer > 0 && waitpid(writer, &status, 0) < 0 && errno == EINTR) {
    }
    sigaction(SIGCHLD, &child_before, nullptr);
    if (writer < 0) {
        return replace_here(name, with);
    }
    if (WIFEXITED(status) && WEXITSTATUS(status) <= HALF_WRITTEN) {
        return static_cast<replace_result>(WEXITSTATUS(status));
    }
    return NOT_REPLACED;
}
