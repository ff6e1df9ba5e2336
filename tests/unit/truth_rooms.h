// Small random levels for the checker's truth tests, every state of which an
// exhaustive search can try: rooms, pits and crowded rooms, each written into
// a stored level from the random numbers given, so that the same seed makes
// the same level.
#ifndef GRUBBLET_TRUTH_ROOMS_H
#define GRUBBLET_TRUTH_ROOMS_H

#include "rules_test_support.h"

#include <random>

// A small room, so every state of it can be tried: walls round it, ledges,
// pits in its floor, mines and a few grubblets at random.
void build_room(rules_test *t, int level, std::mt19937 &random);

// Ground with a pit two cells wide in it, as deep as the highest jump or a
// little more or less, the start and a few grubblets on the ground: a trap
// for a player with short jumps, or for every player.
void build_pit(rules_test *t, int level, std::mt19937 &random);

// A small room crowded with short ledges, with no pit or mine: now and then
// a grubblet sits where only short jumps get to.
void build_crowded_room(rules_test *t, int level, std::mt19937 &random, int extra);

#endif
