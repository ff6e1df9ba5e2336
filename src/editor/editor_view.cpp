// The editor's keys and its view: the stored level as the play view shows it,
// the editor status line with the level, the palette and the brush marker,
// and the terminal cursor standing on the editor cursor.
#include "editor.h"

#include "../game/game_state.h"
#include "../screen/screen.h"

const int BRUSH_MAX = CELL_KIND_COUNT - 1;
const int FAST_STEP = 5;

editor_state editor = {40, 12, CELL_EMPTY, 0, 0, 0, 0, 0, 0, 0, 0};

static const int PALETTE_COL = 35;

void read_editor_key() {
    for (;;) {
        switch (read_key()) {
        case '\t': editor.paint_mode = 1 - editor.paint_mode; return;
        case ' ': editor.paint_now = 1; return;
        case '/': game.mode = MODE_PLAY; return; // no reset: every change made one
        case '2':
        case KEY_DOWN: editor.step_y = 1; return;
        case '8':
        case KEY_UP: editor.step_y = -1; return;
        case '4':
        case KEY_LEFT: editor.step_x = -1; return;
        case '6':
        case KEY_RIGHT: editor.step_x = 1; return;
        case CTL_LEFT: editor.step_x = -FAST_STEP; return;
        case CTL_RIGHT: editor.step_x = FAST_STEP; return;
        case CTL_UP: editor.step_y = -FAST_STEP; return;
        case CTL_DOWN: editor.step_y = FAST_STEP; return;
        case 'c':
        case 'C': editor.pick_request = 1; return;
        case 'f':
        case 'F': editor.fill_request = 1; return;
        case 'l':
        case 'L': editor.load_request = 1; return;
        case 's':
        case 'S': editor.save_request = 1; return;
        case 'q':
        case 'Q':
        case KEY_INPUT_ENDED: game.quit_requested = 1; return;
        case 'r':
        case 'R': reset_level(); return;
        case 'x':
        case 'X': editor.brush = editor.brush + 1 > BRUSH_MAX ? 0 : editor.brush + 1; return;
        case 'z':
        case 'Z': editor.brush = editor.brush - 1 < 0 ? BRUSH_MAX : editor.brush - 1; return;
        case '[':
            if (game.level > 0) {
                game.level -= 1;
                reset_level();
            }
            return;
        case ']':
            if (game.level < LEVEL_COUNT - 1) {
                game.level += 1;
                reset_level();
            }
            return;
        default: break; // not an editor key: dropped, no redraw
        }
    }
}

void draw_editor_screen() {
    draw_play_view();
    // Set whole and left set: the prompts and messages that follow, and the
    // play status line after a visit, are bold.
    wattrset(canvas, A_BOLD | COLOR_PAIR(PAIR_WHITE));
    mvwprintw(canvas, STATUS_ROW, 0, "L_ [dec ]inc (s)ave (l)oad (q)uit");
    mvwprintw(canvas, STATUS_ROW, 1, "%d", game.level + 1);
    mvwprintw(canvas, STATUS_ROW, PALETTE_COL, " %c %c %c %c %c  zx:pick tab:paint f:fill ctrl:fst",
              CELL_CHARS[0], CELL_CHARS[1], CELL_CHARS[2], CELL_CHARS[3], CELL_CHARS[4]);
    mvwprintw(canvas, STATUS_ROW, PALETTE_COL + 2 * editor.brush, ">");
    show_cursor(editor.paint_mode ? 2 : 1);
    wmove(canvas, editor.cursor_y, editor.cursor_x);
}
