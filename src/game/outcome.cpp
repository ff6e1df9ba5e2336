// Level outcomes: what follows a death, a cleared level or the cleared last
// level. The scene and the key wait are the display's; the consequence is
// the rules'.
#include "game_state.h"

void show_outcome(outcome_kind kind) {
    if (display.outcome_scene != nullptr) {
        display.outcome_scene(kind);
    }
    // Deaths keep the level; there are no lives.
    if (kind == OUTCOME_LEVEL_WON && game.level < LEVEL_COUNT - 1) {
        game.level += 1;
    }
    if (kind == OUTCOME_GAME_WON) {
        show_victory();
        game.quit_requested = 1;
    }
    reset_level();
}

void show_victory() {
    game.game_won = 1;
    if (display.victory_screen != nullptr) {
        display.victory_screen();
    }
}
