// The level file's format on whole boards: nine levels read from a walk
// over a file's bytes, and written as the bytes of a file. Holds no state:
// the game reads into and saves from its level storage with these, and the
// tools with boards of their own.
//
// What must hold: a read changes the levels only when it read the whole
// file; a file written is always exactly FILE_BYTES bytes.
#include "levels.h"

#include <cstring>
#include <sys/stat.h>

const char *const BOARD_FILE_NAME = "boards.txt";

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

int read_levels(level_file_walk *walk, board_cells *levels) {
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
            levels[b].at[r][c] = static_cast<cell_kind>(kind);
        }
    }
    return 0;
}

void format_levels(const board_cells *levels, char *out) {
    for (int b = 0; b < LEVEL_COUNT; b++) {
        for (int r = 0; r < BOARD_ROWS; r++) {
            for (int c = 0; c < BOARD_COLS; c++) {
                cell_kind kind = levels[b].at[r][c];
                // A stored cell is always one of the five kinds; anything else
                // is written as empty space rather than as garbage.
                *out++ = (kind >= 0 && kind < CELL_KIND_COUNT) ? CELL_CHARS[kind] : CELL_CHARS[0];
            }
            *out++ = '\n';
        }
        *out++ = '\n';
    }
}

// Its temporary file is hidden and named for boards.txt, whatever the file
// is called.
replace_result write_level_file(const char *path, const board_cells *levels) {
    char text[FILE_BYTES];
    format_levels(levels, text);
    return replace_file(path, text, FILE_BYTES, ".boards.txt.XXXXXX");
}

const char *file_kind_name(unsigned mode) {
    switch (mode & S_IFMT) {
    case S_IFREG: return nullptr;
    case S_IFDIR: return "a directory";
    case S_IFIFO: return "a named pipe (FIFO)";
    case S_IFCHR: return "a character device";
    case S_IFBLK: return "a block device";
    case S_IFSOCK: return "a socket";
    default: return "not a regular file";
    }
}
