// The difficulty figure of a clearable level. Its winning sequence is played
// again, and at every rest on the way each of the seven moves is tried too:
// a level where most moves kill the player or leave them where the level can
// no longer be cleared punishes every slip, while one where most moves are
// harmless forgives wandering. The length of the way and how low the tummy
// runs on it make up the rest.
#include "search.h"

#include <algorithm>
#include <cmath>

// Divided last, so that the figure prints as the short decimal it is.
static double rounded(double value, double per_unit) {
    return std::round(value * per_unit) / per_unit;
}

difficulty_figure measure_difficulty(level_play &play, reach_map &map, const std::string &keys) {
    std::vector<word> eaten(static_cast<std::size_t>(play.words())), after(eaten);
    play_state state;
    if (keys.empty() || play.fresh_start(&state, eaten.data()) != OUTCOME_NONE) {
        return difficulty_figure();
    }
    int lowest = state.tummy;
    double risk_sum = 0;
    for (std::size_t i = 0; i < keys.size(); i++) {
        int bad = 0;
        for (move_code move : PLAYER_MOVES) {
            play_state next;
            const outcome_kind end = play.play(state, eaten.data(), move, &next, after.data());
            if ((end != OUTCOME_NONE && end != OUTCOME_LEVEL_WON) ||
                (end == OUTCOME_NONE && !can_still_win(map, next.x, next.y, after.data()))) {
                bad++;
            }
        }
        risk_sum += bad / double(PLAYER_MOVE_COUNT);
        const outcome_kind end =
            play.play(state, eaten.data(), move_for_key(keys[i]), &state, after.data());
        eaten.swap(after);
        const bool last = i + 1 == keys.size();
        if (end != (last ? OUTCOME_LEVEL_WON : OUTCOME_NONE)) {
            return difficulty_figure();
        }
        if (!last) {
            lowest = std::min(lowest, state.tummy);
        }
    }
    difficulty_figure figure;
    figure.known = true;
    figure.keys = static_cast<int>(keys.size());
    figure.risk = rounded(risk_sum / figure.keys, 100);
    figure.lowest_tummy = lowest;
    // The score is made from the rounded parts, so that it can be worked out
    // again from what the report shows.
    const double hunger = std::max(0, 100 - lowest) / 100.0;
    figure.score = rounded(figure.keys * (1 + 2 * figure.risk) * (1 + hunger), 10);
    return figure;
}
