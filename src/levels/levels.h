// The level file, boards.txt in the current directory: nine levels of 24 rows
// of 80 cell characters ('.', '&', 'X', '=', '@'), each row on its own line and
// each level followed by an empty line.
//
// Reading is tolerant: newlines are skipped wherever they stand, and every
// other character takes the next cell position (level, then row, then column),
// a character that is not a cell character leaving its cell as it was.
// Characters beyond the 17,280th wrap round to the first level again; cells
// the file does not reach keep what they held. These rules live in one walk
// over the file's bytes, which the game's loader and the warnings about a
// file (for the level checker and the page) both follow.
//
// What must hold: the stored levels change only when a whole read succeeded;
// a save leaves boards.txt exactly as it was or exactly as saved. It is
// replaced whole, by a complete new file renamed over it, wherever that keeps
// the file what it was, and overwritten in place only where it would not
// (its directory, owner, links or attributes); only regular files are
// written.
#ifndef GRUBBLET_LEVELS_H
#define GRUBBLET_LEVELS_H

#include "../game/rules.h"

#include <cstddef>
#include <cstdio>
#include <string>
#include <vector>

enum {
    // Cell characters in a whole level file.
    FILE_CELLS = 9 * 24 * 80,
    // Bytes of a level file as written: each row line ends in a newline, and
    // each level is followed by an empty line.
    FILE_BYTES = 9 * (24 * 81 + 1),
};

extern const char *const BOARD_FILE_NAME;

// Reads boards.txt into the stored levels. Returns 0, or 1 after telling the
// player that the file could not be read (the levels are then unchanged).
int load_boards();
// Writes the stored levels to boards.txt, in a process of its own (where one
// can be started) that runs to the end even if the game is killed. Returns 0 for a complete save,
// or 1 after telling the player that the file could not be written: the old file is then as it was,
// or, where a disk failing in place refused even putting it back, the player is told that too.
int save_boards();

// What the reader does with one byte of a level file.
enum byte_use {
    BYTE_CELL,    // a cell character: the cell it lands on becomes its kind
    BYTE_ODD,     // any other character: takes a cell position, leaves the cell
    BYTE_NEWLINE, // skipped: an LF, or a CR right before an LF
};

// One byte of a level file: where a text editor shows it, and what the
// reader does with it.
struct file_byte {
    unsigned char ch;
    byte_use use;
    int line;   // 1-based
    int column; // 1-based, counting every byte before it on its line
    // For a cell or odd byte: how many bytes took a cell position before
    // it, and the position it takes, wrapped round past the 17,280th:
    // cell = (level * 24 + row) * 80 + col.
    long long index;
    int cell, level, row, col;
    int kind; // for a cell byte, its cell kind
};

// The bytes of a level file one by one, exactly as the game reads them:
// every reader of level files walks them with this, so that the tools see
// a file as the game does.
class level_file_walk {
  public:
    explicit level_file_walk(std::FILE *file);
    // Reads the descriptor in blocks, without stdio.
    explicit level_file_walk(int fd);
    level_file_walk(const char *bytes, std::size_t length);
    // A walk may point into its own block, so it is not copied.
    level_file_walk(const level_file_walk &) = delete;
    level_file_walk &operator=(const level_file_walk &) = delete;

    // The next byte into *out; false at the end of the file or on a read
    // error.
    bool next(file_byte *out);
    bool failed() const {
        return error_;
    }

  private:
    int get();

    std::FILE *file_ = nullptr;
    int fd_ = -1;
    const unsigned char *data_;
    std::size_t length_ = 0, at_ = 0;
    unsigned char block_[512];
    bool error_ = false;
    int pushed_back_ = EOF;
    int line_ = 1, column_ = 0;
    long long taken_ = 0;
    int cell_ = 0;
};

// Crash-safe replacement of a file's whole content; it knows nothing of what
// the bytes mean. Whatever happens (a full disk, a failing write, a size
// limit, the program killed mid-way), the file is left exactly as it was or
// exactly as asked, and keeps what it was: its links, owner, group, mode and
// extended attributes.
// How a replacement ended: complete, failed with the file as it was, or
// failed with not even the old content put back. These are also the exit
// statuses of the writer process.
enum replace_result { REPLACED = 0, NOT_REPLACED = 1, HALF_WRITTEN = 2 };

// Puts the length bytes at content in the regular file at name, or in the
// file at the end of its symbolic links, creating it where there is none.
// temp_pattern names the temporary file beside it, with the XXXXXX mkstemp
// fills in. Runs in a writer process of its own where one can be started.
replace_result replace_file(const char *name, const char *content, std::size_t length,
                            const char *temp_pattern);

// The level file on nine whole boards, as the game reads and writes it, for
// whoever keeps levels of their own. read_levels applies the whole file to
// the levels (cells it does not reach keep what they held) and returns 0,
// or 1 on a read error with nothing applied; format_levels fills out with
// exactly FILE_BYTES bytes; write_level_file puts those bytes in the file at
// path as the game saves.
int read_levels(level_file_walk *walk, board_cells *levels);
// The whole content of the regular file at path, for tools that need its raw
// bytes; false with the reason in *error. A pipe or a device (such as
// /dev/zero) is refused: it could leave the reader waiting or reading for
// ever; such a file's error names what it is ("a directory, not a level
// file").
bool read_file_bytes(const char *path, std::string *content, std::string *error);
// The level file the installed grubblet command would play from here:
// boards.txt in the current directory; else the player's own copy,
// $XDG_DATA_HOME/grubblet/boards.txt (~/.local/share when XDG_DATA_HOME is
// unset, empty or relative); else the shipped levels in shipped_dir.
std::string level_file_to_play(const char *shipped_dir);
// The player's own copy of the levels, as above; "" with no home to keep it.
std::string own_level_file();
void format_levels(const board_cells *levels, char *out);
// What a file of this st_mode is when it is not a regular file, for messages
// ("a directory", "a named pipe (FIFO)", "a character device", ...); null
// for a regular file.
const char *file_kind_name(unsigned mode);
replace_result write_level_file(const char *path, const board_cells *levels);

// The game's level storage read from a stream and formatted, for the game's
// shell and its tests (these three and load_boards and save_boards are
// built into the game's shell, which no tool links). read_boards returns 0
// after applying the whole stream to the stored levels, 1 on a read error
// (nothing applied). format_boards fills out with exactly FILE_BYTES bytes.
int read_boards(std::FILE *file);
void format_boards(char *out);

struct file_warning {
    int line;   // 1-based; 0 when the warning is about the whole file
    int column; // 1-based; 0 when it is about a whole line or the file
    std::string text;
};

// What the game will silently do with the level file's content: characters
// that are not cell characters, rows that are not 80 characters, a file that
// does not hold exactly one cell character per cell, levels without a start
// cell, with several, or without a grubblet. Never changes what is loaded.
std::vector<file_warning> scan_level_file(const std::string &content);
// One warning as a line of text that names its place as FILE:LINE:COLUMN.
std::string warning_line(const std::string &path, const file_warning &w);

// A place in the level file, 1-based; 0, 0 when the file does not hold it.
struct file_place {
    int line;
    int column;
};

// Where each cell of the nine levels came from in the file's content: the
// character the reader put there last. Indexed by (level * 24 + row) * 80 +
// column.
std::vector<file_place> locate_cells(const std::string &content);

#endif
