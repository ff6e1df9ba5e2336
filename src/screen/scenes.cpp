// The scenes the rules ask for: the frozen scene of a level outcome with its
// message, the victory screen, and a file error over the current screen.
// Each waits for one key, whose value is discarded.
#include "screen.h"

#include "../game/game_state.h"

// Indexed by outcome_kind; the game-won outcome has no message of its own.
static const char *const OUTCOME_MESSAGES[] = {
    nullptr,
    "OUCH CRAP I STEPPED ON A MINE",
    "OH NO I HURT MY BUTT",
    "ARGH MAN I STARVED TO DEATH",
    "I HAVE WON THE LEVEL",
    nullptr,
};

static void outcome_scene(outcome_kind kind) {
    draw_play_view();
    draw_glyph(game.player_y, game.player_x, OUTCOME_GLYPH);
    if (kind == OUTCOME_GAME_WON) {
        return; // the victory screen follows at once
    }
    // The message takes the current text attribute: red after a play screen.
    mvwprintw(canvas, STATUS_ROW, 0, "%s", OUTCOME_MESSAGES[kind]);
    read_key();
}

static void victory_screen() {
    werase(canvas);
    // The copies run diagonally; curses cuts or wraps them at the edge.
    for (int i = 0; i < 24; i++) {
        mvwprintw(canvas, i, 7 * i, "YOU WIN");
    }
    mvwprintw(canvas, 0, 40, "Press a key to quit.");
    read_key();
}

static void file_error(const char *message) {
    // Written over whatever is showing, without erasing it.
    mvwprintw(canvas, 0, 0, "%s", message);
    mvwprintw(canvas, 1, 0, "press any key");
    read_key();
}

void connect_display() {
    display.outcome_scene = outcome_scene;
    display.victory_screen = victory_screen;
    display.file_error = file_error;
}
