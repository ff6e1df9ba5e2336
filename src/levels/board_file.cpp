// boards.txt in the game: the level file loaded into the game's level
// storage and saved from it, with the player told of a failure. The format
// itself and the crash-safe replacement are the level file's own
// (level_format.cpp, safe_replace.cpp).
#include "levels.h"

#include "../game/game_state.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

static const char *const READ_ERROR = "Error: couldn't access boards.txt for reading.";
static const char *const WRITE_ERROR = "Error: couldn't access boards.txt for writing.";
// After WRITE_ERROR, where even putting the old content back failed.
static const char *const LEFT_DAMAGED = "Error: boards.txt is left half written; save again.";

static void report(const char *message) {
    if (display.file_error != nullptr) {
        display.file_error(message);
    }
}

// The stored levels lie one after another in the level storage.
static board_cells *stored_levels() {
    return &stored_level(0);
}

int read_boards(std::FILE *file) {
    level_file_walk walk(file);
    return read_levels(&walk, stored_levels());
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
    int failed = read_levels(&walk, stored_levels());
    close(fd);
    if (failed) {
        report(READ_ERROR);
        return 1;
    }
    return 0;
}

void format_boards(char *out) {
    format_levels(stored_levels(), out);
}

int save_boards() {
    replace_result result = write_level_file(BOARD_FILE_NAME, stored_levels());
    if (result != REPLACED) {
        report(WRITE_ERROR);
        if (result == HALF_WRITTEN) {
            // Written over the first message, which it outruns.
            report(LEFT_DAMAGED);
        }
        return 1;
    }
    return 0;
}
