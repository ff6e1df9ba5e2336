#!/bin/sh
# Plays the shipped levels and a generated pack in a pseudo-terminal and
# writes the README's pictures of the screen, docs/screens/*.svg, anew from
# what the program draws. The tests fail when a committed picture no longer
# matches.
set -eu
cd "$(dirname "$0")/.."
. scripts/packages.sh
install_missing cmake make g++ libncurses-dev ncurses-base nlohmann-json3-dev libgtest-dev \
    libvterm-dev
cmake -S . -B build-screens -DCMAKE_BUILD_TYPE=RelWithDebInfo -DGRUBBLET_TESTS=ON >/dev/null
cmake --build build-screens -j "$(nproc)" --target e2e_tests >/dev/null
mkdir -p docs/screens
GRUBBLET_UPDATE_SCREENS=1 ./build-screens/tests/e2e_tests --gtest_filter='doc_screens.*' \
    --gtest_brief=1
echo "Pictures written to docs/screens/."
