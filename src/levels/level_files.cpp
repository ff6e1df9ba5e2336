// Level files as the tools find and read them: the file the grubblet
// command would play when none is named, and a file's raw bytes.
#include "levels.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

static bool exists(const std::string &path) {
    struct stat st;
    return lstat(path.c_str(), &st) == 0;
}

std::string own_level_file() {
    const char *xdg = std::getenv("XDG_DATA_HOME");
    const char *home = std::getenv("HOME");
    const std::string data = xdg != nullptr && *xdg == '/' ? xdg
                             : home != nullptr && *home != '\0'
                                 ? std::string(home) + "/.local/share"
                                 : "";
    return data.empty() ? "" : data + "/grubblet/" + BOARD_FILE_NAME;
}

std::string level_file_to_play(const char *shipped_dir) {
    if (exists(BOARD_FILE_NAME)) {
        return BOARD_FILE_NAME;
    }
    const std::string own = own_level_file();
    if (!own.empty() && exists(own)) {
        return own;
    }
    const std::string shipped = std::string(shipped_dir) + "/" + BOARD_FILE_NAME;
    return exists(shipped) ? shipped : BOARD_FILE_NAME;
}

bool read_file_bytes(const char *path, std::string *content, std::string *error) {
    int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    struct stat st;
    if (fd < 0 || fstat(fd, &st) != 0) {
        *error = std::strerror(errno);
        if (fd >= 0) {
            close(fd);
        }
        return false;
    }
    if (!S_ISREG(st.st_mode)) {
        *error = std::string(file_kind_name(st.st_mode)) + ", not a level file";
        close(fd);
        return false;
    }
    char buf[65536];
    ssize_t n;
    while ((n = read(fd, buf, sizeof buf)) != 0) {
        if (n < 0 && errno != EINTR) {
            *error = std::strerror(errno);
            close(fd);
            return false;
        }
        if (n > 0) {
            content->append(buf, static_cast<std::size_t>(n));
        }
    }
    close(fd);
    return true;
}
