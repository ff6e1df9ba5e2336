#!/bin/sh
# Builds the web version and runs the browser tests on it:
# run_browser_tests.sh SOURCE_DIR TERMINAL_SCREENS GRUBBLET_CHECK GRUBBLET_GEN
set -eu
cd "$1"
sh scripts/web.sh --build-only
exec node tests/web/browser_test.js "$1/build-web/site" "$2" "$3" "$4"
