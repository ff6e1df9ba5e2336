#!/bin/sh
# Installs what the build needs (Debian), builds the game and starts it on the
# shipped levels, boards.txt at the top of the repository.
set -eu
cd "$(dirname "$0")/.."
. scripts/packages.sh
install_missing cmake make g++ libncurses-dev ncurses-base nlohmann-json3-dev
echo "Building Grubblet Plonko in build/ (the first build takes a little while)..."
log=$(mktemp)
trap 'rm -f "$log"' EXIT
if ! { cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo &&
    cmake --build build -j "$(nproc)"; } >"$log" 2>&1; then
    cat "$log"
    echo "The build failed; the messages above say why."
    exit 1
fi
rm -f "$log"
trap - EXIT
exec ./build/grubblet
