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
        int key = read_key();
        move_code move = move_for_key(key);
        if (move != MOVE_NONE) {
            game.pending_move = move;
            return;
        }
        switch (key) {
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
