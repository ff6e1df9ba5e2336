#!/bin/sh
# Plays the shipped levels and a generated pack in a pseudo-terminal and
# writes the README's pictures of the screen, docs/screens/*.svg, anew from
# what the program draws. The tests fail when a committed picture no longer
# matches. Then takes the picture of the web page in Debian's chromium,
# docs/screens/web-page.png.
set -eu
cd "$(dirname "$0")/.."
. scripts/packages.sh
install_missing cmake make g++ libncurses-dev ncurses-base nlohmann-json3-dev libgtest-dev \
    libvterm-dev chromium
cmake -S . -B build-screens -DCMAKE_BUILD_TYPE=RelWithDebInfo -DGRUBBLET_TESTS=ON >/dev/null
cmake --build build-screens -j "$(nproc)" --target e2e_tests terminal_screens grubblet-check \
    >/dev/null
mkdir -p docs/screens
GRUBBLET_UPDATE_SCREENS=1 ./build-screens/tests/e2e_tests --gtest_filter='doc_screens.*' \
    --gtest_brief=1
sh scripts/web.sh --build-only >/dev/null
GRUBBLET_WEB_PICTURE=docs/screens/web-page.png node --test-name-pattern=victory \
    tests/web/browser_test.js "$(pwd)/build-web/site" build-screens/tests/terminal_screens \
    build-screens/grubblet-check >/dev/null
echo "Pictures written to docs/screens/."
