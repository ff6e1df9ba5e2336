// The walk over a level file's bytes: what the reader does with each byte,
// and that a stream, a descriptor and bytes in memory are walked alike.
#include "game/game_state.h"
#include "levels/levels.h"

#include <gtest/gtest.h>
#include <stdio.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

// Each byte as "line:column use cell", use being c(ell), o(dd) or n(ewline).
std::vector<std::string> steps(level_file_walk *walk) {
    std::vector<std::string> out;
    file_byte b;
    while (walk->next(&b)) {
        std::string step = std::to_string(b.line) + ":" + std::to_string(b.column) + " ";
        if (b.use == BYTE_NEWLINE) {
            step += "n";
        } else {
            step += (b.use == BYTE_CELL ? "c" : "o") + std::to_string(b.cell);
        }
        out.push_back(step);
    }
    EXPECT_FALSE(walk->failed());
    return out;
}

std::vector<std::string> steps_of(const std::string &content) {
    level_file_walk walk(content.data(), content.size());
    return steps(&walk);
}

} // namespace

TEST(file_walk_test, newlines_are_skipped_and_odd_bytes_take_a_cell) {
    // A CR before an LF is part of the newline; a lone CR is an odd byte.
    std::vector<std::string> want = {"1:1 c0", "1:2 c1", "1:3 n", "1:4 n", "2:1 o2",
                                     "2:2 o3", "2:3 c4", "2:4 n", "3:1 n", "4:1 o5"};
    EXPECT_EQ(steps_of("=.\r\nx\r@\n\n\r"), want);
}

TEST(file_walk_test, a_byte_says_where_its_cell_is_and_what_it_holds) {
    std::string content(BOARD_COLS * BOARD_ROWS + BOARD_COLS + 3, '.');
    content.back() = 'X';
    level_file_walk walk(content.data(), content.size());
    file_byte b{};
    for (std::size_t i = 0; i < content.size(); i++) {
        ASSERT_TRUE(walk.next(&b));
    }
    EXPECT_EQ(b.use, BYTE_CELL);
    EXPECT_EQ(b.kind, CELL_MINE);
    EXPECT_EQ(b.level, 1);
    EXPECT_EQ(b.row, 1);
    EXPECT_EQ(b.col, 2);
    EXPECT_FALSE(walk.next(&b));
}

TEST(file_walk_test, positions_past_the_last_cell_wrap_round) {
    std::string content(FILE_CELLS + 2, '&');
    level_file_walk walk(content.data(), content.size());
    file_byte b{};
    for (int i = 0; i < FILE_CELLS + 2; i++) {
        ASSERT_TRUE(walk.next(&b));
    }
    EXPECT_EQ(b.index, FILE_CELLS + 1);
    EXPECT_EQ(b.cell, 1);
    EXPECT_EQ(b.level, 0);
}

TEST(file_walk_test, a_stream_and_a_descriptor_are_walked_as_bytes_in_memory) {
    // A CR LF pair and a lone CR on the boundaries of the descriptor's
    // blocks, which are read 512 bytes at a time.
    std::string content(1100, '=');
    content.replace(511, 2, "\r\n");
    content[1023] = '\r';
    content[1024] = '@';
    std::vector<std::string> want = steps_of(content);

    std::FILE *file = fmemopen(&content[0], content.size(), "r");
    ASSERT_NE(file, nullptr);
    level_file_walk from_stream(file);
    EXPECT_EQ(steps(&from_stream), want);
    std::fclose(file);

    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    ASSERT_EQ(write(fds[1], content.data(), content.size()), static_cast<ssize_t>(content.size()));
    close(fds[1]);
    level_file_walk from_fd(fds[0]);
    EXPECT_EQ(steps(&from_fd), want);
    close(fds[0]);
}
