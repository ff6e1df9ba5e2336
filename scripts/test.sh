#!/bin/sh
# Installs what the build and the tests need (Debian), builds the game and the
# tests with AddressSanitizer and UndefinedBehaviorSanitizer, fuzzes the level
# file reader, writer and checker for about a minute, and runs every test
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

# Fuzzing, with clang's libFuzzer: the reader alone on short inputs for a
# million of them, the reader and writer together on whole files, and the
# level checker. Each starts from its committed corpus; what it adds goes to
# a scratch directory, and the committed corpora stay as they are.
install_missing clang libclang-rt-14-dev
CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DGRUBBLET_FUZZ=ON >/dev/null
cmake --build build-fuzz --target board_reader_fuzz board_round_trip_fuzz checker_fuzz -j "$(nproc)"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fuzz() {
    target=$1
    what=$2
    shift 2
    mkdir "$scratch/$target"
    if ! "./build-fuzz/$target" -print_final_stats=1 -dict=fuzz/level_file.dict \
        -artifact_prefix=build-fuzz/ "$@" "$scratch/$target" "fuzz/corpus/$target" \
        >"$scratch/$target.log" 2>&1; then
        tail -n 60 "$scratch/$target.log"
        echo "Fuzzing $what found a fault; the input is kept in build-fuzz/ (named in the log above)."
        exit 1
    fi
    echo "Fuzzed $what: $(grep -E '^stat::number_of_executed_units' "$scratch/$target.log" |
        sed 's/.*: *//') inputs, $(grep -E '^stat::average_exec_per_sec' "$scratch/$target.log" |
        sed 's/.*: *//') a second."
}
fuzz board_reader_fuzz "the level file reader" -runs=1000000 -max_total_time=150 -max_len=256
fuzz board_round_trip_fuzz "the reader and writer together" -max_total_time=20 -max_len=20000
fuzz checker_fuzz "the level checker on whole files" -max_total_time=45 -max_len=256

ctest --test-dir build-test -j "$(nproc)" --output-on-failure
