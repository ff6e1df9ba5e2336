// The program shell: start-up, the main loop that runs play frames or editor
// frames, the play keys, and shut-down.
//
// Exit status: 0 after a quit or the end of the game (what ending the curses
// mode returned), 1 when start-up fails.
#include "editor/editor.h"
#include "game/game_state.h"
#include "levels/levels.h"
#include "screen/screen.h"

#include <cstdlib>

[[noreturn]] static void shut_down() {
    free_boards();
    std::exit(end_terminal());
}

// Waits for a play key and records its move or performs its command. Any
// other key is read and dropped.
static void read_play_key() {
    for (;;) {
        switch (read_key()) {
        case '1': game.pending_move = MOVE_WALK_LEFT; return;
        case '3': game.pending_move = MOVE_WALK_RIGHT; return;
        case '4': game.pending_move = MOVE_SPRINT_LEFT; return;
        case '6': game.pending_move = MOVE_SPRINT_RIGHT; return;
        case '7': game.pending_move = MOVE_HIGH_LEFT; return;
        case '9': game.pending_move = MOVE_HIGH_RIGHT; return;
        case '8': game.pending_move = MOVE_HIGH_UP; return;
        case '0': game.pending_move = MOVE_GAUGE; return;
        case 'r':
        case 'R': reset_level(); return;
        case 'q':
        case 'Q':
        case KEY_INPUT_ENDED: game.quit_requested = 1; return;
        case '/': set_mode(MODE_EDIT); return;
        default: break;
        }
    }
}

// One turn, its screen, and the next key. Once the game is won no key is
// read: the main loop shuts down.
static void play_frame() {
    run_turn();
    draw_play_screen();
    if (!game.game_won) {
        read_play_key();
    }
}

int main() {
    if (start_game() != 0) {
        return 1;
    }
    connect_display();
    if (load_boards() != 0) {
        mvprintw(0, 0, "Error loading boards.txt. Quitting! RUNNING AWAY");
        read_key();
        free_boards();
        end_terminal();
        return 1;
    }
    show_title();
    reset_level();
    for (;;) {
        if (game.quit_requested) {
            shut_down();
        }
        if (game.mode == MODE_PLAY) {
            play_frame();
        } else {
            editor_frame();
        }
    }
}
