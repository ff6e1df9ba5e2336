#!/bin/sh
# Installs what the benchmarks need (Debian), builds them optimised, and runs
# them. Extra arguments go to the benchmark program (for example
# --benchmark_filter=flood).
set -eu
cd "$(dirname "$0")/.."
. scripts/packages.sh
install_missing cmake make g++ libncurses-dev ncurses-base nlohmann-json3-dev libbenchmark-dev
cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DGRUBBLET_BENCH=ON >/dev/null
cmake --build build-bench -j "$(nproc)" >/dev/null
exec ./build-bench/grubblet_bench "$@"
