#!/bin/sh
# Installs what the benchmarks need (Debian), builds them optimised, and runs
# them; then times grubblet-check, start to end with its peak memory, on files
# of hard levels; then starts the game and four curses games from Debian side
# by side in the same pseudo-terminal size, for the memory, bytes and time of
# their first screens. Extra arguments go to the benchmark program (for
# example --benchmark_filter=flood).
set -eu
cd "$(dirname "$0")/.."
. scripts/packages.sh
install_missing cmake make g++ libncurses-dev ncurses-base nlohmann-json3-dev libbenchmark-dev time \
    ninvaders moon-buggy nsnake bastet
cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DGRUBBLET_BENCH=ON >/dev/null
cmake --build build-bench -j "$(nproc)" >/dev/null
./build-bench/grubblet_bench "$@"

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
# check FILE LABEL: one line of time, peak memory and the checker's summary.
check() {
    /usr/bin/time -o "$scratch/time" -f "%e s, peak %M KB" \
        ./build-bench/grubblet-check "$1" >"$scratch/out" || true
    echo "  $2: $(tail -n 1 "$scratch/time"): $(tail -n 1 "$scratch/out")"
}
echo
echo "grubblet-check on files of nine play-through levels of 12 to 100 grubblets:"
for seed in 1 2 3 4 5; do
    ./build-bench/make_hard_levels "$scratch/hard.txt" "$seed"
    check "$scratch/hard.txt" "seed $seed"
done
./build-bench/make_hard_levels "$scratch/walled.txt" 1 walled
check "$scratch/walled.txt" "seed 1, each level with one more grubblet walled in"

echo
echo "The first screen, side by side (80 x 25, medians of 9 starts each):"
cp boards.txt "$scratch/boards.txt"
./build-bench/first_screen 9 "$scratch" \
    -- grubblet x "$(pwd)/build-bench/grubblet" \
    -- ninvaders Space /usr/games/ninvaders \
    -- moon-buggy Space /usr/games/moon-buggy \
    -- nsnake Enter /usr/games/nsnake \
    -- bastet Enter /usr/games/bastet
