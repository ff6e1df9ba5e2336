// The web build's terminal: it stands where the terminal build's curses
// set-up and key reader stand, behind the same screen interface. Every wait
// for a key hands the canvas to the page, which shows it, and sleeps until
// the page has a key (the call's stack is kept meanwhile, so the game's own
// waits for keys stay as they are).
#include "../screen/screen.h"

#include "../game/game_state.h"

#include <emscripten.h>

// The page: shows the canvas's cells with the cursor at (row, col) in the
// given visibility; gives the next key, the game sleeping until there is
// one; learns the codes of the arrow keys, plain and with control.
EM_JS(void, page_show, (const chtype *cells, int count, int row, int col, int cursor),
      { Module.showScreen(HEAPU32.subarray(cells >> 2, (cells >> 2) + count), row, col, cursor); });
EM_ASYNC_JS(int, page_next_key, (), { return await Module.nextKey(); });
EM_JS(void, page_learn_keys,
      (int up, int down, int left, int right, int ctl_up, int ctl_down, int ctl_left,
       int ctl_right),
      {
          Module.learnKeys({
              ArrowUp : [ up, ctl_up ],
              ArrowDown : [ down, ctl_down ],
              ArrowLeft : [ left, ctl_left ],
              ArrowRight : [ right, ctl_right ]
          });
      });

static WINDOW canvas_window;
WINDOW *canvas = nullptr;

static int wanted_cursor = 0;

void show_cursor(int visibility) {
    wanted_cursor = visibility;
}

void set_up_screen() {
    show_cursor(0);
    page_learn_keys(KEY_UP, KEY_DOWN, KEY_LEFT, KEY_RIGHT, CTL_UP, CTL_DOWN, CTL_LEFT, CTL_RIGHT);
}

int start_game() {
    if (allocate_boards() != 0) {
        return 1;
    }
    canvas = &canvas_window;
    werase(canvas);
    wattrset(canvas, A_NORMAL);
    set_up_screen();
    reset_trail();
    return 0;
}

int end_terminal() {
    return 0;
}

int read_key() {
    page_show(&canvas->cells[0][0], SCREEN_ROWS * SCREEN_COLS, canvas->cury, canvas->curx,
              wanted_cursor);
    return page_next_key();
}

void draw_glyph(int row, int col, glyph g) {
    // A finished cell, so that the current text attribute stays out of it.
    chtype cell = static_cast<unsigned char>(g.ch) | COLOR_PAIR(g.pair) | (g.bold ? A_BOLD : 0);
    mvwaddchnstr(canvas, row, col, &cell, 1);
}
