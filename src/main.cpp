// The program shell: start-up, the main loop that runs play frames or editor
// frames, the play keys, and shut-down.
//
// Exit status: 0 after a quit or the end of the game (what ending the curses
// mode returned), 1 when start-up fails.
#include "editor/editor.h"
#include "game/game_state.h"
#include "levels/levels.h"
#include "screen/screen.h"

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

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

// After a start without a readable boards.txt, once the terminal is back:
// where the game looked, what stood in the way when it was something other
// than a missing file, and where the levels it ships with are. A game run
// from its build tree points to the repository's copy; an installed one to
// the data directory it was installed with.
static void point_to_shipped_levels() {
    char here[PATH_MAX];
    if (getcwd(here, sizeof here) == nullptr) {
        std::strcpy(here, "the current directory");
    }
    char self[PATH_MAX];
    ssize_t len = readlink("/proc/self/exe", self, sizeof self - 1);
    self[len > 0 ? len : 0] = '\0';
    const char *build = GRUBBLET_BUILD_DIR "/";
    bool from_build = std::strncmp(self, build, std::strlen(build)) == 0;
    const char *shipped =
        from_build ? GRUBBLET_SOURCE_DIR "/boards.txt" : GRUBBLET_DATA_DIR "/boards.txt";
    struct stat st;
    const char *kind = nullptr;
    if (stat(BOARD_FILE_NAME, &st) == 0) {
        kind = file_kind_name(st.st_mode);
    } else if (lstat(BOARD_FILE_NAME, &st) == 0) {
        kind = "a symbolic link to nothing";
    }
    if (kind != nullptr) {
        // A copy cannot go where something else has the name: it moves aside.
        std::fprintf(stderr,
                     "grubblet: boards.txt in %s is %s, not a level file; to play the shipped "
                     "levels: mv boards.txt boards.txt.old && cp %s .\n",
                     here, kind, shipped);
    } else if (access(BOARD_FILE_NAME, F_OK) == 0 && access(BOARD_FILE_NAME, R_OK) != 0) {
        std::fprintf(stderr,
                     "grubblet: boards.txt in %s cannot be read: %s; as its owner: chmod u+rw "
                     "boards.txt; or, in a folder of your own: cp %s .\n",
                     here, std::strerror(errno), shipped);
    } else {
        std::fprintf(stderr,
                     "grubblet: no readable boards.txt in %s; to play the shipped levels: cp %s "
                     ".\n",
                     here, shipped);
    }
}

int main() {
    if (start_game() != 0) {
        return 1;
    }
    connect_display();
    if (load_boards() != 0) {
        mvwprintw(canvas, 0, 0, "Error loading boards.txt. Quitting! RUNNING AWAY");
        read_key();
        free_boards();
        end_terminal();
        point_to_shipped_levels();
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
