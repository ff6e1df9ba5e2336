#!/bin/sh
# Installs what the web build needs (Debian and npm), builds the game for the
# browser into build-web/site/ and serves that folder on
# http://127.0.0.1:8080/ (a free port where 8080 is taken). With --build-only
# it only builds.
set -eu
cd "$(dirname "$0")/.."
. scripts/packages.sh
install_missing cmake make emscripten
command -v node >/dev/null 2>&1 || install_missing nodejs
command -v npm >/dev/null 2>&1 || install_missing npm
# The page's terminal and the browser tests' driver, as the lock file pins them.
if ! cmp -s web/package-lock.json web/node_modules/.installed-lock 2>/dev/null; then
    (cd web && npm ci --no-audit --no-fund --loglevel=error)
    cp web/package-lock.json web/node_modules/.installed-lock
fi
site="$(pwd)/build-web/site"
log=$(mktemp)
trap 'rm -f "$log"' EXIT
# Debian's emscripten finds its JavaScript tools in Debian's node modules.
if ! { NODE_PATH=/usr/share/nodejs emcmake cmake -S . -B build-web/cmake \
    -DCMAKE_BUILD_TYPE=Release -DGRUBBLET_SITE_DIR="$site" &&
    NODE_PATH=/usr/share/nodejs cmake --build build-web/cmake -j 2; } >"$log" 2>&1; then
    cat "$log"
    echo "The web build failed; the messages above say why."
    exit 1
fi
echo "Built the web version into build-web/site/."
if [ "${1:-}" = "--build-only" ]; then
    exit 0
fi
exec node web/serve.js "$site" 8080
