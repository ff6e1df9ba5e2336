// The play view (board, trail, jump-reach marks, player, hurt mark) and the
// play status line below it. Everything is drawn whole on every frame.
#include "screen.h"

#include "../game/game_state.h"

static void draw_board() {
    for (int r = 0; r < BOARD_ROWS; r++) {
        for (int c = 0; c < BOARD_COLS; c++) {
            cell_kind kind = play_board[r][c];
            if (kind == CELL_START) {
                draw_glyph(r, c, START_GLYPH);
            } else if (kind >= 0 && kind < CELL_START) {
                draw_glyph(r, c, glyph_table.cells[kind]);
            }
            // Any other value is not a cell kind and stays blank.
        }
    }
}

static void draw_trail() {
    for (int i = 0; i < game.trail_len; i++) {
        glyph g = i < game.fall_mark ? glyph_table.trail : glyph_table.trail_hurt;
        draw_glyph(game.trail_y[i], game.trail_x[i], g);
    }
}

static void draw_gauge_mark(int row, int col) {
    if (row < 0 || row >= BOARD_ROWS || col < 0 || col >= BOARD_COLS) {
        return;
    }
    // A wall keeps its own glyph; marks beyond it are drawn all the same.
    if (play_board[row][col] != CELL_WALL) {
        draw_glyph(row, col, GAUGE_GLYPH);
    }
}

// How far the jumps reach: a bar along the row above the player, a column
// straight up, and a crossbar across the top of the column.
static void draw_gauge() {
    const int y = game.player_y;
    const int x = game.player_x;
    const int reach = game.eaten_this_level + 3;
    draw_gauge_mark(y - 1, x);
    for (int d = reach; d >= 1; d--) {
        draw_gauge_mark(y - 1, x + d);
        draw_gauge_mark(y - 1, x - d);
        draw_gauge_mark(y - d, x);
    }
    for (int k = 0; k < 5; k++) {
        draw_gauge_mark(y - reach, x - 2 + k);
    }
}

void draw_play_view() {
    werase(canvas);
    draw_board();
    draw_trail();
    if (game.show_gauge) {
        draw_gauge();
        game.show_gauge = 0;
    }
    draw_glyph(game.player_y, game.player_x, glyph_table.player);
    if (game.show_hurt) {
        game.show_hurt = 0;
        draw_glyph(game.player_y, game.player_x, HURT_GLYPH);
    }
}

static const char COMMANDS[] = "Reset, Quit, /Edit";
static const int COMMANDS_COL = 40;
// Where the key of each command stands in COMMANDS.
static const int COMMAND_INITIALS[] = {0, 7, 13};

void draw_play_screen() {
    show_cursor(0);
    draw_play_view();
    // Only the colour pair changes: after a visit to the editor the status
    // text keeps the bold the editor left set.
    wcolor_set(canvas, PAIR_WHITE, nullptr);
    mvwprintw(canvas, STATUS_ROW, 0, "Tummy: %d", game.tummy);
    mvwprintw(canvas, STATUS_ROW, 11, "Health: %d", game.health);
    wcolor_set(canvas, PAIR_RED, nullptr);
    mvwprintw(canvas, STATUS_ROW, COMMANDS_COL, "%s", COMMANDS);
    for (int offset : COMMAND_INITIALS) {
        draw_glyph(STATUS_ROW, COMMANDS_COL + offset, {COMMANDS[offset], PAIR_RED, true});
    }
}
