// Turn resolution in the game: the rules' turn (rules.h) played on the game's
// records, with the outcomes it meets shown and their consequences applied
// on the way. A cleared level is reset to the next one in mid-turn, and the
// turn goes on there: the fall so far still counts, as does the trail's
// painful mark.
#include "game_state.h"

void record_trail_step() {
    if (game.trail_len >= TRAIL_CAPACITY) {
        return;
    }
    game.trail_x[game.trail_len] = game.player_x;
    game.trail_y[game.trail_len] = game.player_y;
    game.trail_len += 1;
}

static play_state state_of_game() {
    return {game.player_x, game.player_y,         game.tummy,
            game.health,   game.eaten_this_level, game.grubblets_left};
}

static void store_state(const play_state &s) {
    game.player_x = s.x;
    game.player_y = s.y;
    game.tummy = s.tummy;
    game.health = s.health;
    game.eaten_this_level = s.eaten;
    game.grubblets_left = s.grubblets_left;
}

// Runs the turn's steps on the play board until the player rests or an
// outcome stops them; the records show where it stopped.
static outcome_kind advance_in_game(turn_motion &motion) {
    play_state s = state_of_game();
    turn_trail trail;
    trail.len = game.trail_len;
    trail.fall_mark = game.fall_mark;
    for (int i = 0; i < game.trail_len; i++) {
        trail.x[i] = game.trail_x[i];
        trail.y[i] = game.trail_y[i];
    }
    motion.rise_left = game.rise_left;
    motion.drift = game.drift;
    const outcome_kind outcome = advance_turn(play_cells(), s, motion, &trail);
    store_state(s);
    game.rise_left = motion.rise_left;
    game.drift = motion.drift;
    for (int i = game.trail_len; i < trail.len; i++) {
        game.trail_x[i] = trail.x[i];
        game.trail_y[i] = trail.y[i];
    }
    game.trail_len = trail.len;
    game.fall_mark = trail.fall_mark;
    return outcome;
}

void run_turn() {
    reset_trail();
    turn_motion motion = start_motion(game.pending_move, game.eaten_this_level);
    if (game.pending_move == MOVE_GAUGE) {
        game.show_gauge = 1;
    }
    game.pending_move = MOVE_NONE;
    game.rise_left = motion.rise_left;
    game.drift = motion.drift;

    for (;;) {
        const outcome_kind met = advance_in_game(motion);
        if (met == OUTCOME_MINE) {
            show_outcome(OUTCOME_MINE);
            return;
        }
        if (met != OUTCOME_LEVEL_WON) {
            break; // at rest
        }
        if (game.level == LEVEL_COUNT - 1) {
            // The game is over once the victory has been shown. Stopping
            // here also keeps a last level without grubblets, whose start
            // is unsupported, from raising the victory again and again.
            show_outcome(OUTCOME_GAME_WON);
            return;
        }
        show_outcome(OUTCOME_LEVEL_WON);
    }

    play_state s = state_of_game();
    bool hurt = false;
    const outcome_kind cost = end_turn(s, motion, &hurt);
    store_state(s);
    if (hurt) {
        game.show_hurt = 1;
    }
    // After starving the level is reset, health with it, so a fatal fall
    // in the same turn is not shown as well.
    if (cost != OUTCOME_NONE) {
        show_outcome(cost);
    }
}
