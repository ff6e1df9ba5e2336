#!/bin/sh
# Installs what the build and the tests need (Debian), builds the game and the
# tests with AddressSanitizer and UndefinedBehaviorSanitizer, and runs every
# test through CTest.
set -eu
cd "$(dirname "$0")/.."
. scripts/packages.sh
install_missing cmake make g++ libncurses-dev ncurses-base libgtest-dev libvterm-dev libbenchmark-dev
cmake -S . -B build-test -DCMAKE_BUILD_TYPE=Debug -DGRUBBLET_TESTS=ON -DGRUBBLET_BENCH=ON -DGRUBBLET_SANITIZE=ON
cmake --build build-test -j "$(nproc)"
ctest --test-dir build-test -j "$(nproc)" --output-on-failure
