// The editor frame and what it does with the requests the last key recorded:
// confirmed saving and reloading, painting, flood fill, picking the brush and
// moving the cursor.
#include "editor.h"

#include "../game/game_state.h"
#include "../levels/levels.h"
#include "../screen/screen.h"

#include <algorithm>

// Writes a prompt at the top of the editor screen and reads the answer; only
// an upper-case Y confirms.
static bool confirmed(const char *prompt) {
    mvwprintw(canvas, 0, 0, "%s", prompt);
    return read_key() == 'Y';
}

// Shows a message after a file operation and waits for a key.
static void acknowledge(int row, const char *message) {
    mvwprintw(canvas, row, 0, "%s", message);
    read_key();
}

static void save_if_confirmed() {
    if (!confirmed("Confirm save with Y (upper case)")) {
        return;
    }
    if (save_boards() == 0) {
        for (int c = 0; c < BOARD_COLS; c++) {
            mvwaddch(canvas, 0, c, '_');
        }
        acknowledge(0, "Save successful");
    } else {
        acknowledge(3, "saving error");
    }
    reset_level();
}

static void load_if_confirmed() {
    if (!confirmed("Confirm load with Y (upper case)")) {
        return;
    }
    if (load_boards() != 0) {
        acknowledge(3, "loading error");
    }
    reset_level();
}

void paint_at_cursor() {
    if (!editor.paint_now) {
        return;
    }
    level_set[game.level][editor.cursor_y][editor.cursor_x] = editor.brush;
    reset_level();
}

// Moves the cursor one cell at a time, painting each cell it enters. A step
// against the border still counts and paints the border cell again.
static void step_cursor(int *step, int *position, int last) {
    while (*step != 0) {
        if (*step > 0) {
            *step -= 1;
            *position = std::min(*position + 1, last);
        } else {
            *step += 1;
            *position = std::max(*position - 1, 0);
        }
        paint_at_cursor();
    }
}

void apply_editor_requests() {
    reset_trail();
    if (editor.save_request) {
        save_if_confirmed();
        editor.save_request = 0;
    }
    if (editor.load_request) {
        load_if_confirmed();
        editor.load_request = 0;
    }
    if (editor.paint_mode) {
        editor.paint_now = 1;
    }
    if (editor.fill_request) {
        flood_fill();
        editor.fill_request = 0;
        reset_level();
    }
    if (editor.pick_request) {
        editor.brush = level_set[game.level][editor.cursor_y][editor.cursor_x];
        editor.pick_request = 0;
    }
    step_cursor(&editor.step_y, &editor.cursor_y, BOARD_ROWS - 1);
    step_cursor(&editor.step_x, &editor.cursor_x, BOARD_COLS - 1);
    paint_at_cursor();
    editor.paint_now = 0;
}

void editor_frame() {
    apply_editor_requests();
    draw_editor_screen();
    read_editor_key();
}
