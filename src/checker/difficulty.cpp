// The difficulty figure of a clearable level. Its winning sequence is played
// again through the game's turns, and at every rest on the way each of the
// seven moves is tried too: a level where most moves kill the player or
// strand them (leave a grubblet out of reach for good) punishes every slip,
// while one where most moves are harmless forgives wandering. The length of
// the way and how low the tummy runs on it make up the rest.
#include "search.h"

#include <algorithm>
#include <cmath>

namespace {

// True when, resting at (x, y) with `eaten` eaten, some grubblet still on
// the board can no longer be eaten by any play.
bool stranded(reach_map &map, int words, int x, int y, const word *eaten) {
    reach_map::prospects open;
    if (!map.prospects_at(x, y, count_bits(eaten, words), &open)) {
        return false;
    }
    const word *ever = map.eatable_at_all();
    for (int w = 0; w < words; w++) {
        if ((ever[w] & ~eaten[w] & ~open.ever[w]) != 0) {
            return true;
        }
    }
    return false;
}

// Divided last, so that the figure prints as the short decimal it is.
double rounded(double value, double per_unit) {
    return std::round(value * per_unit) / per_unit;
}

} // namespace

difficulty_figure level_difficulty(int level, const level_verdict &verdict) {
    difficulty_figure figure;
    if (verdict.answer != ANSWER_CLEARABLE) {
        return figure;
    }
    turn_driver driver(level);
    const int words = driver.words();
    std::vector<word> eaten(static_cast<std::size_t>(words)), after(eaten);
    play_state state;
    trajectory first;
    if (driver.fresh_start(&state, eaten.data(), &first) != TURN_RESTS) {
        // Cleared by the restart's own turn: nothing to do, nothing to fear.
        figure.known = verdict.keys.empty();
        figure.lowest_tummy = TUMMY_START;
        return figure;
    }
    reach_map map(driver, state.x, state.y, first);
    int lowest = state.tummy;
    double risk_sum = 0;
    for (std::size_t i = 0; i < verdict.keys.size(); i++) {
        int bad = 0;
        for (move_code move : SEARCH_MOVES) {
            play_state next;
            turn_end end = driver.play(state, eaten.data(), move, &next, after.data());
            if (end == TURN_DIES ||
                (end == TURN_RESTS && stranded(map, words, next.x, next.y, after.data()))) {
                bad++;
            }
        }
        risk_sum += bad / 7.0;
        turn_end end =
            driver.play(state, eaten.data(), move_for_key(verdict.keys[i]), &state, after.data());
        eaten.swap(after);
        const bool last = i + 1 == verdict.keys.size();
        if (end != (last ? TURN_CLEARS : TURN_RESTS)) {
            return difficulty_figure();
        }
        if (!last) {
            lowest = std::min(lowest, state.tummy);
        }
    }
    if (verdict.keys.empty()) {
        return figure;
    }
    figure.known = true;
    figure.keys = static_cast<int>(verdict.keys.size());
    figure.risk = rounded(risk_sum / figure.keys, 100);
    figure.lowest_tummy = lowest;
    // The score is made from the rounded parts, so that it can be worked out
    // again from what the report shows.
    const double hunger = std::max(0, 100 - lowest) / 100.0;
    figure.score = rounded(figure.keys * (1 + 2 * figure.risk) * (1 + hunger), 10);
    return figure;
}
