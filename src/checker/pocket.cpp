// Pockets: small parts of a level a player can drop into and, having eaten
// too little, never leave, because the jumps grow only by eating and the
// pocket holds too few grubblets to grow them enough. The reach map's other
// sets let the jumps grow freely, so they cannot see these; the search, the
// traps and the difficulty figure all learn of them through can_still_win.
//
// What must hold: a pocket holds every place a real play from its place can
// reach, at every jump length the grubblets passed in it allow, so that a
// player in a pocket is never wrongly called stuck.
#include "search.h"

#include <algorithm>

namespace {

// Past this many places a part of the level is no pocket worth the work: the
// wells and pits that catch a player hold a handful.
const std::size_t POCKET_PLACES = 48;

} // namespace

const word *reach_map::pocket_at(int place, int length) {
    const int lengths = grubblet_count_ + 1;
    if (place < 0 || length < 0 || length >= lengths) {
        return nullptr;
    }
    if (pocket_of_.empty()) {
        pocket_of_.assign(static_cast<std::size_t>(places_) * static_cast<std::size_t>(lengths),
                          -2);
    }
    int &known = pocket_of_[static_cast<std::size_t>(place * lengths + length)];
    if (known == -2) {
        known = -1;
        // The places reached with jumps from `length` up to `length + growth`,
        // growing the growth to the grubblets they pass until it holds.
        std::vector<word> passes(static_cast<std::size_t>(words_));
        for (int growth = 0;;) {
            std::vector<int> region{place};
            std::vector<char> in(static_cast<std::size_t>(places_), 0);
            in[static_cast<std::size_t>(place)] = 1;
            std::fill(passes.begin(), passes.end(), 0);
            int passable = 0;
            for (std::size_t i = 0; i < region.size(); i++) {
                for (int move = 0; move < PLAYER_MOVE_COUNT; move++) {
                    for (int l = length; l <= length + growth; l++) {
                        const motion &m = motion_of(region[i], move, l);
                        for (int k = m.passes; k < m.passes_end; k++) {
                            if (!bit_of(passes.data(), passed(k))) {
                                set_bit(passes.data(), passed(k));
                                passable++;
                            }
                        }
                        if (m.to >= 0 && !in[static_cast<std::size_t>(m.to)]) {
                            if (region.size() == POCKET_PLACES) {
                                return nullptr;
                            }
                            in[static_cast<std::size_t>(m.to)] = 1;
                            region.push_back(m.to);
                        }
                    }
                }
            }
            // Every grubblet left would have to be passed here: a pocket that
            // may hold them all may be where the level ends. Counting, not
            // only the set, keeps the traps sound: they ask with one set of
            // each size, and a pocket that holds fewer grubblets than are
            // left is lost whichever those are.
            if (passable >= grubblet_count_ - length) {
                return nullptr;
            }
            if (passable <= growth) {
                break;
            }
            growth = passable;
        }
        known = static_cast<int>(pocket_sets_.size());
        pocket_sets_.insert(pocket_sets_.end(), passes.begin(), passes.end());
    }
    return known < 0 ? nullptr : &pocket_sets_[static_cast<std::size_t>(known)];
}
