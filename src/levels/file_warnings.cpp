// Warnings about a level file as a text editor shows it: what the game's
// tolerant reader will silently do with characters, rows and levels that are
// not laid out as the game writes them. For the checker and for the page.
//
// What must hold: the file is walked with the reader's own walk, so every
// warning says what the game really makes of the file.
#include "levels.h"

#include "../game/rules.h"

#include <cstdio>
#include <memory>

namespace {

// Warnings of one kind beyond this many are summed up in one line.
const int MAX_LISTED = 10;

struct location {
    int line = 0;
    int column = 0;
};

std::string describe_char(unsigned char ch) {
    char text[16];
    if (ch == ' ') {
        return "a space";
    }
    if (ch == '\t') {
        return "a tab";
    }
    if (ch == '\r') {
        return "a carriage return";
    }
    if (ch > 0x20 && ch < 0x7f) {
        std::snprintf(text, sizeof text, "'%c'", ch);
    } else {
        std::snprintf(text, sizeof text, "byte 0x%02X", ch);
    }
    return text;
}

class file_scan {
  public:
    std::vector<file_warning> run(const std::string &content) {
        scan_characters(content);
        check_cell_count();
        check_levels();
        return warnings_;
    }

    std::vector<file_place> places(const std::string &content) {
        scan_characters(content);
        std::vector<file_place> out(FILE_CELLS);
        for (int p = 0; p < FILE_CELLS; p++) {
            out[static_cast<std::size_t>(p)] = {from_[p].line, from_[p].column};
        }
        return out;
    }

  private:
    void warn(int line, int column, const std::string &text) {
        warnings_.push_back({line, column, text});
    }

    // Counts a warning of a kind that may come many times; lists only the
    // first few.
    bool listed(int *count) {
        return ++*count <= MAX_LISTED;
    }

    void end_line(int line, int length) {
        // Empty lines are skipped by the reader; only rows of cells count.
        if (length != 0 && length != BOARD_COLS && listed(&odd_rows_)) {
            warn(line, 0,
                 "this row has " + std::to_string(length) + " characters, not " +
                     std::to_string(BOARD_COLS) + ": the cells after it shift");
        }
    }

    void scan_characters(const std::string &content) {
        level_file_walk walk(content.data(), content.size());
        file_byte byte;
        int line = 1;
        int length = 0;
        while (walk.next(&byte)) {
            if (byte.use == BYTE_NEWLINE) {
                if (byte.ch == '\n') {
                    end_line(byte.line, length);
                    line = byte.line + 1;
                    length = 0;
                }
                continue;
            }
            length = byte.column;
            cells_ = byte.index + 1;
            if (byte.use == BYTE_ODD) {
                if (listed(&odd_chars_)) {
                    warn(
                        byte.line, byte.column,
                        describe_char(byte.ch) +
                            " is not a cell character: it takes up a cell and leaves it as it was");
                }
                continue;
            }
            cell_[byte.cell] = static_cast<cell_kind>(byte.kind);
            from_[byte.cell] = {byte.line, byte.column};
        }
        end_line(line, length);
        if (odd_rows_ > MAX_LISTED) {
            warn(0, 0,
                 std::to_string(odd_rows_ - MAX_LISTED) + " more rows are not " +
                     std::to_string(BOARD_COLS) + " characters long");
        }
        if (odd_chars_ > MAX_LISTED) {
            warn(0, 0,
                 std::to_string(odd_chars_ - MAX_LISTED) +
                     " more characters are not cell characters");
        }
    }

    void check_cell_count() {
        if (cells_ == FILE_CELLS) {
            return;
        }
        std::string text = "the file holds " + std::to_string(cells_) + " cell characters, not " +
                           std::to_string(FILE_CELLS) + ": ";
        if (cells_ < FILE_CELLS) {
            text += "the cells it does not reach stay empty";
        } else {
            text += "the characters after the " + std::to_string(FILE_CELLS) +
                    "th wrap round and overwrite level 1";
        }
        warn(0, 0, text);
    }

    void check_levels() {
        const int level_cells = BOARD_ROWS * BOARD_COLS;
        for (int b = 0; b < LEVEL_COUNT; b++) {
            std::vector<location> starts;
            bool grubblet = false;
            for (int p = b * level_cells; p < (b + 1) * level_cells; p++) {
                if (cell_[p] == CELL_START) {
                    starts.push_back(from_[p]);
                }
                grubblet = grubblet || cell_[p] == CELL_GRUBBLET;
            }
            std::string name = "level " + std::to_string(b + 1);
            location first = from_[b * level_cells];
            if (starts.empty()) {
                warn(first.line, 0,
                     name + " has no start cell: the player starts at the top left corner");
            } else if (starts.size() > 1) {
                for (std::size_t i = 0; i + 1 < starts.size(); i++) {
                    warn(starts[i].line, starts[i].column,
                         name + " has " + std::to_string(starts.size()) +
                             " start cells: this one is not used, the last one is");
                }
            }
            if (!grubblet) {
                warn(first.line, 0, name + " has no grubblet: it is cleared on the first step");
            }
        }
    }

    std::vector<file_warning> warnings_;
    long long cells_ = 0;
    int odd_rows_ = 0;
    int odd_chars_ = 0;
    cell_kind cell_[FILE_CELLS] = {};
    location from_[FILE_CELLS];
};

} // namespace

std::vector<file_warning> scan_level_file(const std::string &content) {
    auto scan = std::make_unique<file_scan>();
    return scan->run(content);
}

std::string warning_line(const std::string &path, const file_warning &w) {
    std::string at = path;
    if (w.line > 0) {
        at += ":" + std::to_string(w.line);
        if (w.column > 0) {
            at += ":" + std::to_string(w.column);
        }
    }
    return at + ": warning: " + w.text + "\n";
}

std::vector<file_place> locate_cells(const std::string &content) {
    auto scan = std::make_unique<file_scan>();
    return scan->places(content);
}
