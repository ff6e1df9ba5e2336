#!/bin/sh
# Installs what the build and the tests need (Debian), builds the game and the
# tests with AddressSanitizer and UndefinedBehaviorSanitizer, fuzzes the level
# file reader for half a minute where clang is present, and runs every test
# through CTest.
set -eu
cd "$(dirname "$0")/.."
. scripts/packages.sh
install_missing cmake make g++ libncurses-dev ncurses-base nlohmann-json3-dev libgtest-dev libvterm-dev libbenchmark-dev acl \
    groff-base man-db dpkg-dev lintian
# The web version: its build (scripts/web.sh installs the rest) and a browser.
install_missing emscripten chromium
command -v node >/dev/null 2>&1 || install_missing nodejs
cmake -S . -B build-test -DCMAKE_BUILD_TYPE=Debug -DGRUBBLET_TESTS=ON -DGRUBBLET_BENCH=ON -DGRUBBLET_SANITIZE=ON
cmake --build build-test -j "$(nproc)"

if command -v clang++ >/dev/null 2>&1; then
    install_missing libclang-rt-14-dev
    CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DGRUBBLET_FUZZ=ON >/dev/null
    cmake --build build-fuzz --target board_reader_fuzz -j "$(nproc)"
    # New inputs go to a scratch corpus; the committed one stays as it is.
    scratch=$(mktemp -d)
    trap 'rm -rf "$scratch"' EXIT
    mkdir "$scratch/corpus"
    if ! ./build-fuzz/board_reader_fuzz -max_total_time=30 -print_final_stats=1 \
        -artifact_prefix="$scratch/" "$scratch/corpus" fuzz/corpus >"$scratch/log" 2>&1; then
        tail -n 60 "$scratch/log"
        echo "Fuzzing the level file reader found a fault (input kept in the log above)."
        exit 1
    fi
    echo "Fuzzed the level file reader: $(grep -E '^stat::number_of_executed_units' "$scratch/log")"
fi

ctest --test-dir build-test -j "$(nproc)" --output-on-failure
