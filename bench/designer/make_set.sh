#!/bin/sh
# Write a set of 14 level files (126 levels) made by designer_levels.py
# into the folder given as argument:
#   mixed-gNNN.txt   all four kinds, NNN grubblets each (6 12 20 30 50 100)
#   KIND-small.txt   one kind, 6-30 grubblets   (shelves towers rooms mazes)
#   KIND-large.txt   one kind, 30-100 grubblets
# Usage: make_set.sh DIR [BASE_SEED]
set -eu
if [ $# -lt 1 ]; then
    echo "usage: $0 DIR [BASE_SEED]" >&2
    exit 2
fi
dir=$1
seed=${2:-1000}
here=$(cd "$(dirname "$0")" && pwd)
gen="python3 $here/designer_levels.py --quiet"
mkdir -p "$dir"
n=0
for g in 6 12 20 30 50 100; do
    name=$(printf 'mixed-g%03d.txt' "$g")
    $gen --seed $((seed + n)) --out "$dir/$name" --grubblets "$g"
    n=$((n + 1))
done
for k in shelves towers rooms mazes; do
    $gen --seed $((seed + n)) --out "$dir/$k-small.txt" --kinds "$k" --grubblets 6-30
    n=$((n + 1))
    $gen --seed $((seed + n)) --out "$dir/$k-large.txt" --kinds "$k" --grubblets 30-100
    n=$((n + 1))
done
echo "$dir: $n files, $((n * 9)) levels (base seed $seed)" >&2
