// Reading and writing boards.txt: the level format. Reading follows the
// walk over the file's bytes; a save formats the stored levels and hands the
// bytes to the crash-safe replacement, which keeps boards.txt whole and what
// it was whatever happens.
//
// What must hold: a read changes the stored levels only when it read the
// whole file; a save always writes exactly FILE_BYTES bytes.
#include "levels.h"

#include "../game/game_state.h"
#include "safe_replace.h"

#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
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

// The stored levels, formatted, put in the file at name. Its temporary
// file is hidden and named for boards.txt, whatever the file is called.
static replace_result save_levels_to(const char *name) {
    char text[FILE_BYTES];
    format_boards(text);
    return replace_file(name, text, FILE_BYTES, ".boards.txt.XXXXXX");
}

int write_boards_file(const char *path) {
    return save_levels_to(path) == REPLACED ? 0 : 1;
}

int save_boards() {
    replace_result result = save_levels_to(BOARD_FILE_NAME);
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
