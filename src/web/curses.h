// The web build's curses: exactly the calls the game's screens and editor
// draw with, on the one window they draw into, the 25 x 80 canvas. The page
// shows that window; nothing here knows about the page.
//
// What must hold: each call leaves the window as curses leaves its own, cell
// for cell (text wraps at the right edge and stops at the bottom right
// corner; a position off the window draws nothing), so both builds show the
// same screens from the same drawing code.
#ifndef GRUBBLET_WEB_CURSES_H
#define GRUBBLET_WEB_CURSES_H

typedef unsigned int chtype;
typedef chtype attr_t;

// A cell holds its character in the low byte, its colour pair in the next,
// and bold above them, as in curses.
#define A_NORMAL 0u
#define A_CHARTEXT 0xFFu
#define A_COLOR 0xFF00u
#define A_BOLD 0x200000u
#define COLOR_PAIR(n) ((static_cast<chtype>(n) << 8) & A_COLOR)
#define PAIR_NUMBER(a) ((static_cast<chtype>(a) & A_COLOR) >> 8)

#define OK 0
#define ERR (-1)

// The arrow keys' codes, as curses numbers them.
#define KEY_DOWN 0402
#define KEY_UP 0403
#define KEY_LEFT 0404
#define KEY_RIGHT 0405

enum { WEB_ROWS = 25, WEB_COLS = 80 };

struct WINDOW {
    chtype cells[WEB_ROWS][WEB_COLS];
    attr_t attrs; // the current text attribute
    int cury, curx;
};

#define getyx(win, y, x) ((y) = (win)->cury, (x) = (win)->curx)

int werase(WINDOW *win);
int wattrset(WINDOW *win, attr_t attrs);
int wcolor_set(WINDOW *win, short pair, void *opts);
int wmove(WINDOW *win, int y, int x);
int waddch(WINDOW *win, chtype ch);
int mvwaddch(WINDOW *win, int y, int x, chtype ch);
int mvwprintw(WINDOW *win, int y, int x, const char *format, ...)
    __attribute__((format(printf, 4, 5)));
int mvwaddchnstr(WINDOW *win, int y, int x, const chtype *cells, int n);

#endif
