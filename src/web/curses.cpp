// The web build's drawing calls on the canvas window, each with the effect
// curses gives it.
#include "curses.h"

#include <cstdarg>
#include <cstdio>

int werase(WINDOW *win) {
    for (auto &row : win->cells) {
        for (chtype &cell : row) {
            cell = ' ';
        }
    }
    win->cury = 0;
    win->curx = 0;
    return OK;
}

int wattrset(WINDOW *win, attr_t attrs) {
    win->attrs = attrs;
    return OK;
}

int wcolor_set(WINDOW *win, short pair, void *) {
    win->attrs = (win->attrs & ~A_COLOR) | COLOR_PAIR(pair);
    return OK;
}

int wmove(WINDOW *win, int y, int x) {
    if (y < 0 || y >= WEB_ROWS || x < 0 || x >= WEB_COLS) {
        return ERR;
    }
    win->cury = y;
    win->curx = x;
    return OK;
}

// A character takes the window's attribute, and its colour where it has
// none of its own. After the last column the cursor wraps to the next row;
// on the last row it stays in the corner and the call fails, which ends
// the text being written.
int waddch(WINDOW *win, chtype ch) {
    chtype colour = (ch & A_COLOR) != 0 ? ch & A_COLOR : win->attrs & A_COLOR;
    win->cells[win->cury][win->curx] = (ch & ~A_COLOR) | (win->attrs & ~A_COLOR) | colour;
    if (++win->curx < WEB_COLS) {
        return OK;
    }
    if (win->cury == WEB_ROWS - 1) {
        win->curx = WEB_COLS - 1;
        return ERR;
    }
    win->cury++;
    win->curx = 0;
    return OK;
}

int mvwaddch(WINDOW *win, int y, int x, chtype ch) {
    return wmove(win, y, x) == ERR ? ERR : waddch(win, ch);
}

int mvwprintw(WINDOW *win, int y, int x, const char *format, ...) {
    if (wmove(win, y, x) == ERR) {
        return ERR;
    }
    char text[WEB_ROWS * WEB_COLS + 1];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    for (const char *at = text; *at != '\0'; at++) {
        if (waddch(win, static_cast<unsigned char>(*at)) == ERR) {
            return ERR;
        }
    }
    return OK;
}

// Finished cells, copied as they are; the cursor stays.
int mvwaddchnstr(WINDOW *win, int y, int x, const chtype *cells, int n) {
    if (y < 0 || y >= WEB_ROWS || x < 0 || x >= WEB_COLS) {
        return ERR;
    }
    for (int i = 0; i < n && x + i < WEB_COLS && cells[i] != 0; i++) {
        win->cells[y][x + i] = cells[i];
    }
    return OK;
}
