// The walk over a level file's bytes: the one place where the reader's rules
// are written down (which bytes are newlines, which take a cell position,
// where the positions wrap round). The game's loader and the warnings about
// a file both follow it, so they cannot see the same file differently.
//
// What must hold: a CR is part of a newline only when an LF follows it at
// once, so a file with CR LF line ends reads exactly like one with LF line
// ends; every other byte takes the next cell position, level by level, row
// by row, and the 17,281st takes the first again.
#include "levels.h"

#include "../game/rules.h"

#include <cerrno>
#include <unistd.h>

level_file_walk::level_file_walk(std::FILE *file) : file_(file), data_(block_) {}

level_file_walk::level_file_walk(int fd) : fd_(fd), data_(block_) {}

level_file_walk::level_file_walk(const char *bytes, std::size_t length)
    : data_(reinterpret_cast<const unsigned char *>(bytes)), length_(length) {}

int level_file_walk::get() {
    if (pushed_back_ != EOF) {
        int ch = pushed_back_;
        pushed_back_ = EOF;
        return ch;
    }
    if (at_ == length_) {
        // Bytes in memory are all there from the start.
        if (data_ != block_) {
            return EOF;
        }
        if (file_ != nullptr) {
            length_ = std::fread(block_, 1, sizeof block_, file_);
            error_ = error_ || (length_ == 0 && std::ferror(file_) != 0);
        } else {
            ssize_t n;
            do {
                n = read(fd_, block_, sizeof block_);
            } while (n < 0 && errno == EINTR);
            error_ = error_ || n < 0;
            length_ = n > 0 ? static_cast<std::size_t>(n) : 0;
        }
        at_ = 0;
        if (length_ == 0) {
            return EOF;
        }
    }
    return data_[at_++];
}

bool level_file_walk::next(file_byte *out) {
    int ch = get();
    if (ch == EOF) {
        return false;
    }
    out->ch = static_cast<unsigned char>(ch);
    out->line = line_;
    out->column = ++column_;
    if (ch == '\r') {
        int after = get();
        pushed_back_ = after;
        if (after == '\n') {
            out->use = BYTE_NEWLINE;
            return true;
        }
    }
    if (ch == '\n') {
        out->use = BYTE_NEWLINE;
        line_++;
        column_ = 0;
        return true;
    }
    out->kind = cell_of_char(ch);
    out->use = out->kind >= 0 ? BYTE_CELL : BYTE_ODD;
    out->index = taken_++;
    out->cell = cell_;
    out->level = cell_ / (BOARD_ROWS * BOARD_COLS);
    out->row = cell_ / BOARD_COLS % BOARD_ROWS;
    out->col = cell_ % BOARD_COLS;
    cell_ = cell_ + 1 == FILE_CELLS ? 0 : cell_ + 1;
    return true;
}
