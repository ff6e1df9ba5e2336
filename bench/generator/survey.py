#!/usr/bin/env python3
"""Packs from grubblet-gen over many seeds, as a player meets them: for each
difficulty, the longest proven route and the hardest figure of each pack, the
hungry levels (every win runs the tummy down to 40 or less), the packs with a
designed trap, the layouts a pack uses, the time a pack takes on one core,
the median figure at each position, and any two levels of all the packs
that share half their walls and grubblets or more. Every level is checked again by grubblet-check, apart from the
generator.

    bench/generator/survey.py BUILD_DIR [SEEDS]

BUILD_DIR holds grubblet-gen and grubblet-check (a release build); SEEDS
defaults to 100. Prints a Markdown table and the near duplicates."""
import json
import os
import re
import resource
import statistics
import subprocess
import sys
import tempfile

build, seeds = sys.argv[1], int(sys.argv[2]) if len(sys.argv) > 2 else 100
LINE = re.compile(r"level (\d): \d+ grubblets, .* \((\w+)\)$")


def cells(lines):
    return {(r, c, ch) for r, row in enumerate(lines) for c, ch in enumerate(row) if ch in "&="}


def pack(difficulty, seed, path):
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    gen = subprocess.run([f"{build}/grubblet-gen", "--seed", str(seed), "--difficulty", difficulty,
                          "--jobs", "1", "-o", path], capture_output=True, text=True, check=True)
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    cpu = after.ru_utime - before.ru_utime + after.ru_stime - before.ru_stime
    layouts = [m.group(2) for m in map(LINE.search, gen.stderr.splitlines()) if m]
    check = subprocess.run([f"{build}/grubblet-check", "--json", "--strict", path],
                           capture_output=True, text=True)
    report = json.loads(check.stdout)
    with open(path) as f:
        text = f.read().split("\n")
    boards = [text[i * 25:i * 25 + 24] for i in range(9)]
    return cpu, layouts, report, boards, check.returncode


rows, seen, near = [], [], []
with tempfile.TemporaryDirectory() as tmp:
    for difficulty in ("easy", "normal", "hard"):
        longest, hardest, hungry, trapped, kinds, times, proven, strict = [], [], [], 0, [], [], 0, 0
        by_position = [[] for _ in range(9)]
        for seed in range(1, seeds + 1):
            cpu, layouts, report, boards, status = pack(difficulty, seed, os.path.join(tmp, "p.txt"))
            levels = report["levels"]
            times.append(cpu)
            strict += status == 0
            proven += sum(l["shortest"] for l in levels)
            longest.append(max(l["difficulty"]["keys"] for l in levels))
            hardest.append(max(l["difficulty"]["score"] for l in levels))
            hungry.append(sum(l["difficulty"]["lowest_tummy"] <= 40 for l in levels))
            trapped += any(l["traps"] for l in levels)
            kinds.append(len(set(layouts)))
            for n, level in enumerate(levels):
                by_position[n].append(level["difficulty"]["score"])
            for n, board in enumerate(boards):
                mine = cells(board)
                for other, (where, theirs) in enumerate(seen):
                    shared = len(mine & theirs)
                    if shared / (len(mine) + len(theirs) - shared) >= 0.5:
                        near.append((f"{difficulty} {seed} level {n + 1} ({layouts[n]})", where))
                seen.append((f"{difficulty} {seed} level {n + 1} ({layouts[n]})", mine))
        rows.append((difficulty, longest, hardest, hungry, trapped, kinds, times, proven, strict,
                     [statistics.median(p) for p in by_position]))

print(f"| Over seeds 1 to {seeds} | easy | normal | hard |")
print("|---|---|---|---|")


def row(name, cell):
    print(f"| {name} | " + " | ".join(cell(r) for r in rows) + " |")


row("longest route in a pack, keys: median (least, most)",
    lambda r: f"{statistics.median(r[1]):g} ({min(r[1])}, {max(r[1])})")
row("hardest figure in a pack: median (least)",
    lambda r: f"{statistics.median(r[2]):g} ({min(r[2])})")
row("hungry levels (tummy 40 or less) in a pack: least, most",
    lambda r: f"{min(r[3])}, {max(r[3])}")
row("packs with a designed trap", lambda r: f"{r[4]}")
row("layouts in a pack: least", lambda r: f"{min(r[5])}")
row("levels proven shortest", lambda r: f"{r[7]} of {9 * seeds}")
row("packs passing grubblet-check --strict", lambda r: f"{r[8]}")
row("time a pack, one core: mean, most (s)",
    lambda r: f"{statistics.mean(r[6]):.2f}, {max(r[6]):.2f}")
print()
print("| Median figure at level | " + " | ".join(str(n) for n in range(1, 10)) + " |")
print("|---|" + "---|" * 9)
for r in rows:
    print(f"| {r[0]} | " + " | ".join(f"{m:g}" for m in r[9]) + " |")
print()
print(f"{len(near)} pairs of levels share half their walls and grubblets or more")
kinds_of = {}
for a, b in near:
    pair = " and ".join(sorted(x[x.index("(") + 1:-1] for x in (a, b)))
    kinds_of[pair] = kinds_of.get(pair, 0) + 1
for pair, count in sorted(kinds_of.items()):
    print(f"  {count} of {pair}")
for a, b in near[:20]:
    print(f"  {a} and {b}")
