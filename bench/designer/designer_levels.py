#!/usr/bin/env python3
"""Write Grubblet Plonko level files shaped like the ones level designers make.

Each file holds 9 levels of 24 rows x 80 columns, each row followed by a
newline and each level followed by one empty line.  The levels are meant as
a workload for a level checker: many can be cleared, some cannot.

Kinds:
  shelves  rows of shelves (walls 3-15 wide, with gaps) 2-4 rows apart
  towers   tall stacks of small ledges in 3-7 wandering columns
  rooms    open rooms with walls, doors, a few mines and ledges
  mazes    the corridors of a maze cut out of solid wall

Grubblets always rest on a wall or on the bottom row; the start '@' is on
the floor (bottom row or directly above a wall).  Same seed, same file.

  python3 designer_levels.py --seed N --out FILE
          [--kinds shelves,towers,rooms,mazes] [--grubblets 6-100]
"""

import argparse
import random
import sys

ROWS, COLS = 24, 80
LEVELS = 9
KINDS = ("shelves", "towers", "rooms", "mazes")
MIN_G, MAX_G = 6, 100


class Board:
    def __init__(self):
        self.g = [["."] * COLS for _ in range(ROWS)]

    def get(self, r, c):
        return self.g[r][c]

    def put(self, r, c, ch):
        if 0 <= r < ROWS and 0 <= c < COLS:
            self.g[r][c] = ch

    def hline(self, r, c0, c1, ch="&"):
        for c in range(max(0, c0), min(COLS - 1, c1) + 1):
            self.put(r, c, ch)

    def vline(self, c, r0, r1, ch="&"):
        for r in range(max(0, r0), min(ROWS - 1, r1) + 1):
            self.put(r, c, ch)

    def rests(self, r, c):
        """An empty cell a grubblet or the player can rest in."""
        if self.g[r][c] != ".":
            return False
        return r == ROWS - 1 or self.g[r + 1][c] == "&"

    def resting_cells(self):
        return [(r, c) for r in range(ROWS) for c in range(COLS) if self.rests(r, c)]

    def text(self):
        return "".join("".join(row) + "\n" for row in self.g) + "\n"


# ---------------------------------------------------------------- kinds

def make_shelves(rng, want):
    b = Board()
    floor_solid = rng.random() < 0.4
    if floor_solid:
        b.hline(ROWS - 1, 0, COLS - 1)
    base = ROWS - 2 if floor_solid else ROWS - 1
    # Shelf rows from just above the floor upward, 2-4 rows apart.
    r = base - rng.randint(2, 4)
    rows = []
    while r >= 3:
        rows.append(r)
        r -= rng.randint(2, 4)
    for r in rows:
        c = rng.randint(0, 6)
        while c < COLS:
            w = rng.randint(3, 15)
            b.hline(r, c, c + w - 1)
            # Now and then a thick shelf (two rows of wall).
            if rng.random() < 0.1 and r + 1 < base:
                b.hline(r + 1, c, c + w - 1)
            c += w + rng.randint(2, 9)
    start_rows = [base]
    return b, {"floor_rows": start_rows, "prefer_high": 0.7}


def make_towers(rng, want):
    b = Board()
    if rng.random() < 0.5:
        b.hline(ROWS - 1, 0, COLS - 1)
        base = ROWS - 2
    else:
        base = ROWS - 1
    ncol = rng.randint(3, 7)
    span = COLS // ncol
    for k in range(ncol):
        x = k * span + rng.randint(1, max(1, span - 6))
        r = base - rng.randint(2, 4)
        top = rng.randint(1, 5)
        while r >= top:
            w = rng.randint(2, 5)
            b.hline(r, x, x + w - 1)
            # A ledge now and then hangs a short post below it.
            if rng.random() < 0.1:
                b.put(r + 1, x, "&")
            r -= rng.randint(2, 4)
            x += rng.randint(-4, 4)
            x = max(0, min(COLS - 5, x))
    return b, {"floor_rows": [base], "start_floor_only": True, "prefer_high": 0.85}


def make_rooms(rng, want):
    b = Board()
    b.hline(ROWS - 1, 0, COLS - 1)
    # Storeys: floors across the board with door gaps.
    storeys = rng.randint(2, 4)
    h = (ROWS - 1) // storeys
    floors = [ROWS - 1 - h * k for k in range(1, storeys)]
    for fr in floors:
        b.hline(fr, 0, COLS - 1)
        for _ in range(rng.randint(2, 4)):
            d = rng.randint(1, COLS - 5)
            b.hline(fr, d, d + rng.randint(1, 3), ".")
    levels = [ROWS - 1] + floors + [0]
    # Side walls now and then.
    if rng.random() < 0.5:
        b.vline(0, 0, ROWS - 2)
        b.vline(COLS - 1, 0, ROWS - 2)
    # Room dividers with doors, and ledges inside the rooms.
    for i in range(len(levels) - 1):
        lo, hi = levels[i], levels[i + 1]   # lo: floor row, hi: ceiling row
        inner_top = hi + 1
        inner_bot = lo - 1
        if inner_bot - inner_top < 2:
            continue
        x = rng.randint(8, 20)
        while x < COLS - 6:
            b.vline(x, inner_top, inner_bot)
            door = rng.randint(2, min(4, inner_bot - inner_top + 1))
            kind = rng.random()
            if kind < 0.6:      # door at floor level
                b.vline(x, inner_bot - door + 1, inner_bot, ".")
            elif kind < 0.9:    # door higher up
                dtop = rng.randint(inner_top, inner_bot - door + 1)
                b.vline(x, dtop, dtop + door - 1, ".")
            # else: a closed wall
            x += rng.randint(10, 24)
        for _ in range(rng.randint(1, 4)):
            lr = rng.randint(inner_top + 1, max(inner_top + 1, inner_bot - 2))
            lc = rng.randint(1, COLS - 8)
            b.hline(lr, lc, lc + rng.randint(2, 7))
    # A few mines resting on floors.
    mines = 0
    spots = b.resting_cells()
    rng.shuffle(spots)
    for (r, c) in spots[: rng.randint(1, 5)]:
        b.put(r, c, "X")
        mines += 1
    return b, {"floor_rows": [ROWS - 2], "prefer_high": 0.5}


def make_mazes(rng, want):
    b = Board()
    # Maze cells: ch open rows + 1 wall row, cw open columns + 1 wall column.
    ch = rng.choice((2, 3, 3, 4))
    cw = rng.choice((3, 4, 5, 6))
    nr = (ROWS - 1) // (ch + 1)
    nc = (COLS - 1) // (cw + 1)
    for r in range(ROWS):
        for c in range(COLS):
            b.put(r, c, "&")

    # Spare rows go to the top, so the bottom corridor's floor is row 23;
    # spare columns are split between both sides.
    roff = (ROWS - 1) - nr * (ch + 1)
    coff = ((COLS - 1) - nc * (cw + 1)) // 2

    def cell_box(i, j):
        r0 = 1 + roff + i * (ch + 1)
        c0 = 1 + coff + j * (cw + 1)
        return r0, c0

    for i in range(nr):
        for j in range(nc):
            r0, c0 = cell_box(i, j)
            for r in range(r0, r0 + ch):
                b.hline(r, c0, c0 + cw - 1, ".")
    # Depth-first carving.
    seen = {(0, 0)}
    stack = [(0, 0)]
    while stack:
        i, j = stack[-1]
        nbrs = [(i + di, j + dj) for di, dj in ((1, 0), (-1, 0), (0, 1), (0, -1))
                if 0 <= i + di < nr and 0 <= j + dj < nc and (i + di, j + dj) not in seen]
        if not nbrs:
            stack.pop()
            continue
        ni, nj = rng.choice(nbrs)
        r0, c0 = cell_box(i, j)
        if ni != i:  # open part of the floor/ceiling between them
            wall_r = r0 + ch if ni > i else r0 - 1
            gap = rng.randint(1, min(3, cw))
            gc = rng.randint(c0, c0 + cw - gap)
            b.hline(wall_r, gc, gc + gap - 1, ".")
        else:        # open the side wall
            wall_c = c0 + cw if nj > j else c0 - 1
            b.vline(wall_c, r0, r0 + ch - 1, ".")
        seen.add((ni, nj))
        stack.append((ni, nj))
    # A few extra openings make loops, as hand-made mazes usually have.
    for _ in range(rng.randint(0, nr * nc // 6)):
        i, j = rng.randrange(nr), rng.randrange(nc)
        r0, c0 = cell_box(i, j)
        if j + 1 < nc:
            b.vline(c0 + cw, r0, r0 + ch - 1, ".")
    # Sometimes the bottom wall row is opened so row 23 becomes a corridor.
    if rng.random() < 0.3:
        b.hline(ROWS - 1, 1, COLS - 2, ".")
    return b, {"floor_rows": None, "prefer_high": 0.5}


MAKERS = {"shelves": make_shelves, "towers": make_towers,
          "rooms": make_rooms, "mazes": make_mazes}


# ---------------------------------------------------------------- placing

def place(rng, b, opts, want):
    spots = b.resting_cells()
    if not spots:
        b.put(ROWS - 1, 0, ".")
        spots = b.resting_cells()
    # Start: on the floor (bottom row or on a wall).
    floor_rows = opts.get("floor_rows")
    cand = spots
    if opts.get("start_floor_only") and floor_rows:
        cand = [s for s in spots if s[0] in floor_rows] or spots
    elif rng.random() < 0.6:
        low = max(r for r, _ in spots)
        cand = [s for s in spots if s[0] == low]
    start = rng.choice(cand)
    spots = [s for s in spots if s != start]
    # Grubblets: prefer spots off the floor (on shelves/ledges), as designers do.
    high = [s for s in spots if floor_rows is None or s[0] not in floor_rows]
    low = [s for s in spots if not (floor_rows is None or s[0] not in floor_rows)]
    rng.shuffle(high)
    rng.shuffle(low)
    chosen = []
    n_high = min(len(high), int(round(want * opts.get("prefer_high", 0.5))))
    chosen += high[:n_high]
    rest = high[n_high:] + low
    rng.shuffle(rest)
    chosen += rest[: want - len(chosen)]
    for (r, c) in chosen:
        b.put(r, c, "=")
    b.put(start[0], start[1], "@")
    return len(chosen)


def make_level(rng, kind, want):
    for _ in range(50):
        b, opts = MAKERS[kind](rng, want)
        if len(b.resting_cells()) >= want + 1:
            break
    got = place(rng, b, opts, want)
    return b, got


def check(b):
    """Sanity: the level rules the generator promises."""
    starts = [(r, c) for r in range(ROWS) for c in range(COLS) if b.get(r, c) == "@"]
    assert len(starts) == 1
    for r in range(ROWS):
        for c in range(COLS):
            if b.get(r, c) in "=@":
                assert r == ROWS - 1 or b.get(r + 1, c) == "&", (r, c)


def parse_range(s):
    if "-" in s:
        a, b = s.split("-", 1)
        lo, hi = int(a), int(b)
    else:
        lo = hi = int(s)
    if lo > hi:
        lo, hi = hi, lo
    lo, hi = max(MIN_G, lo), min(MAX_G, hi)
    if lo > hi:
        raise ValueError("empty grubblet range")
    return lo, hi


def main(argv=None):
    ap = argparse.ArgumentParser(description="Write a file of 9 designer-style levels.")
    ap.add_argument("--seed", type=int, required=True)
    ap.add_argument("--out", required=True)
    ap.add_argument("--kinds", default=",".join(KINDS),
                    help="comma-separated subset of " + ",".join(KINDS))
    ap.add_argument("--grubblets", default="6-100",
                    help="count or range LO-HI of grubblets a level (6-100)")
    ap.add_argument("--quiet", action="store_true")
    a = ap.parse_args(argv)
    kinds = [k.strip() for k in a.kinds.split(",") if k.strip()]
    for k in kinds:
        if k not in MAKERS:
            ap.error("unknown kind %r (known: %s)" % (k, ", ".join(KINDS)))
    try:
        lo, hi = parse_range(a.grubblets)
    except ValueError as e:
        ap.error("bad --grubblets: %s" % e)
    rng = random.Random(a.seed)
    out = []
    notes = []
    for i in range(LEVELS):
        kind = kinds[i % len(kinds)]
        want = rng.randint(lo, hi)
        b, got = make_level(rng, kind, want)
        check(b)
        out.append(b.text())
        notes.append("%d:%s/%d" % (i + 1, kind, got))
    data = "".join(out)
    assert len(data) == LEVELS * (ROWS * (COLS + 1) + 1)
    with open(a.out, "w", newline="\n") as f:
        f.write(data)
    if not a.quiet:
        print("%s: %s" % (a.out, " ".join(notes)), file=sys.stderr)
    return 0


if __name__ == "__main__":
    sys.exit(main())
