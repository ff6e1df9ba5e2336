#!/bin/sh
# Installs what the build and the tests need (Debian), builds the game and the
# tests with AddressSanitizer and UndefinedBehaviorSanitizer (warnings as
# errors), and runs every test, the quick ones first so that a fault shows
# within minutes: unit tests, end-to-end tests, then the long ones (fuzzing
# the level file reader, writer and checker, the browser, the package).
#
# Each stage prints one line; what apt, the compilers and the tests said goes
# to build-test.log, whose end is shown when a stage fails.
set -eu
cd "$(dirname "$0")/.."
. scripts/packages.sh
log=$(pwd)/build-test.log
: >"$log"
started=$(date +%s)

# stage NAME COMMAND...: runs the command with its output in the log, and
# says how it went in one line.
stage() {
    name=$1
    shift
    begin=$(date +%s)
    printf '%s: ' "$name"
    echo "== $name" >>"$log"
    if ! "$@" >>"$log" 2>&1; then
        echo "FAILED; the end of its output:"
        tail -n 80 "$log"
        echo "FAILED: $name (the whole output is in $log)"
        exit 1
    fi
    echo "done in $(($(date +%s) - begin)) s"
}

packages() {
    install_missing cmake make g++ libncurses-dev ncurses-base nlohmann-json3-dev libgtest-dev \
        libvterm-dev libbenchmark-dev acl groff-base man-db dpkg-dev lintian clang \
        libclang-rt-14-dev
    # The web version: its build (scripts/web.sh installs the rest) and a browser.
    install_missing emscripten chromium
    command -v node >/dev/null 2>&1 || install_missing nodejs
}

build() {
    cmake -S . -B build-test -DCMAKE_BUILD_TYPE=Debug -DGRUBBLET_TESTS=ON -DGRUBBLET_BENCH=ON \
        -DGRUBBLET_SANITIZE=ON -DGRUBBLET_WERROR=ON
    cmake --build build-test -j "$(nproc)"
}

# tests LABEL WHAT: the tests of one label; one line with the count, and
# each skipped test with the reason it gives.
tests() {
    begin=$(date +%s)
    printf '%s: ' "$2"
    echo "== $2" >>"$log"
    if ! ctest --test-dir build-test -j "$(nproc)" -L "^$1\$" --output-on-failure >"$log.stage" 2>&1; then
        cat "$log.stage" >>"$log"
        echo "FAILED"
        sed -n '/tests passed/,$p; /\*\*\*Failed\|\*\*\*Timeout\|\*\*\*Exception/p' "$log.stage"
        grep -E -B2 -A30 '^\[  FAILED  \]|^FAIL' "$log.stage" | head -n 120
        echo "FAILED: $2 (the whole output is in $log)"
        exit 1
    fi
    cat "$log.stage" >>"$log"
    count=$(sed -n 's/.*tests passed, 0 tests failed out of \([0-9]*\)/\1/p' "$log.stage")
    passed=$((passed + ${count:-0}))
    echo "${count:-0} passed in $(($(date +%s) - begin)) s"
    # A skipped test's reason follows the "Skipped" line of its output.
    awk '/^[0-9]+\/[0-9]+ Test: / { name = $3 }
         skipped { print "  skipped " name ": " $0; skipped = 0 }
         /: Skipped$/ { skipped = 1 }' build-test/Testing/Temporary/LastTest.log
    rm -f "$log.stage"
}

# Fuzzing with clang's libFuzzer, each target from its committed corpus; what
# it adds goes to a scratch directory. Two at a time, one a core.
fuzz_build() {
    CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DGRUBBLET_FUZZ=ON -DGRUBBLET_WERROR=ON
    cmake --build build-fuzz --target board_reader_fuzz board_round_trip_fuzz checker_fuzz \
        -j "$(nproc)"
}
scratch=$(mktemp -d)
trap 'rm -rf "$scratch" "$log.stage"' EXIT
fuzz() {
    target=$1
    what=$2
    shift 2
    mkdir "$scratch/$target"
    if ! "./build-fuzz/$target" -print_final_stats=1 -dict=fuzz/level_file.dict \
        -artifact_prefix=build-fuzz/ "$@" "$scratch/$target" "fuzz/corpus/$target" \
        >"$scratch/$target.log" 2>&1; then
        cat "$scratch/$target.log" >>"$log"
        tail -n 60 "$scratch/$target.log"
        echo "FAILED: fuzzing $what found a fault; the input is kept in build-fuzz/ (named above)."
        return 1
    fi
    echo "  fuzzed $what: $(sed -n 's/^stat::number_of_executed_units: *//p' \
        "$scratch/$target.log") inputs, $(sed -n 's/^stat::average_exec_per_sec: *//p' \
        "$scratch/$target.log") a second."
}

passed=0
echo "Testing Grubblet Plonko; the full output goes to $log"
stage "Packages" packages
stage "Build with sanitizers" build
tests unit "Unit tests"
tests e2e "End-to-end tests"
stage "Fuzz build" fuzz_build
# The web version builds while the fuzzers run their fixed time, so that the
# browser test finds it built.
sh scripts/web.sh --build-only >"$log.web" 2>&1 &
web=$!
echo "Fuzzing, about 30 s (the web version builds meanwhile):"
fuzz board_reader_fuzz "the level file reader" -runs=1000000 -max_total_time=30 -max_len=256 &
reader=$!
if ! { fuzz checker_fuzz "the level checker on whole files" -max_total_time=20 -max_len=256 &&
    fuzz board_round_trip_fuzz "the reader and writer together" -max_total_time=10 \
        -max_len=20000; }; then
    # The reader's pass and the web build end by themselves; wait for
    # them, so that nothing is left running.
    wait "$reader" || true
    wait "$web" || true
    exit 1
fi
wait "$reader" || exit 1
if ! wait "$web"; then
    cat "$log.web" >>"$log"
    tail -n 40 "$log.web"
    echo "FAILED: the web build (the whole output is in $log)"
    exit 1
fi
cat "$log.web" >>"$log"
rm -f "$log.web"
tests long "Browser and package tests"
echo "All tests passed in $(($(date +%s) - started)) s."
echo "tests: $passed passed, 0 failed"
