#!/bin/sh
# Checks the manual pages and the install: both pages render without a
# warning, every key the program accepts is explained in the game's page, and
# an install into a fresh prefix holds every file it should.
# Usage: check_install_and_pages.sh SOURCE_DIR BUILD_DIR
set -eu
src=$1
build=$2
failed=0
fail() {
    echo "FAIL: $*"
    failed=1
}

# 1. The pages render without warnings.
for page in "$src/man/grubblet.6" "$src/man/grubblet-check.1"; do
    warnings=$(groff -man -ww -z "$page" 2>&1) || fail "groff failed on $page"
    [ -z "$warnings" ] || fail "groff warns about $page: $warnings"
    warnings=$(MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null) || fail "man failed on $page"
    [ -z "$warnings" ] || fail "man warns about $page: $warnings"
done

# 2. Every key the program accepts appears as a key in the game's page. The
# keys are taken from the play and editor key readers themselves.
tags=$(groff -man -Tascii -P-cbou "$src/man/grubblet.6" 2>/dev/null |
    awk '/^(PLAY|EDITOR) KEYS/ { keys = 1; next }
         /^[A-Z]/ { keys = 0 }
         keys && /^       [^ ]/ {
             tag = substr($0, 8); sub(/  .*/, "", tag)
             n = split(tag, parts, ", ")
             for (i = 1; i <= n; i++) print parts[i]
         }')
has_tag() {
    printf '%s\n' "$tags" | grep -qxF -- "$1"
}
for file in "$src/src/main.cpp" "$src/src/editor/editor_view.cpp"; do
    keys=$(sed -n "s/.*case '\\(.*\\)':.*/\\1/p" "$file")
    for key in $keys; do
        case "$key" in
        '\t') key=Tab ;;
        esac
        if has_tag "$key"; then continue; fi
        # Letters work in either case; the page may name only one.
        lower=$(printf '%s' "$key" | tr 'A-Z' 'a-z')
        upper=$(printf '%s' "$key" | tr 'a-z' 'A-Z')
        if has_tag "$lower" || has_tag "$upper"; then continue; fi
        fail "key '$key' of $(basename "$file") is not in the game's page"
    done
done
grep -q "case ' ':" "$src/src/editor/editor_view.cpp" && { has_tag space || fail "space is not in the page"; }
grep -q "case KEY_UP:" "$src/src/editor/editor_view.cpp" && { has_tag "arrow keys" || fail "the arrow keys are not in the page"; }
grep -q "case CTL_UP:" "$src/src/editor/editor_view.cpp" && { has_tag "control+arrow keys" || fail "the control+arrow keys are not in the page"; }
grep -q "== 'Y'" "$src/src/editor/editor_actions.cpp" && { has_tag Y || fail "the confirming Y is not in the page"; }

# 3. An install into a fresh prefix.
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null
for file in bin/grubblet bin/grubblet-check share/grubblet/boards.txt \
    share/man/man6/grubblet.6 share/man/man1/grubblet-check.1; do
    [ -f "$prefix/$file" ] || fail "the install lacks $file"
done
[ -x "$prefix/bin/grubblet" ] || fail "grubblet is not executable"
cmp -s "$prefix/share/grubblet/boards.txt" "$src/boards.txt" || fail "the installed levels differ"
"$prefix/bin/grubblet-check" "$prefix/share/grubblet/boards.txt" >/dev/null ||
    fail "the installed checker does not pass the installed levels"

if [ "$failed" -ne 0 ]; then
    exit 1
fi
echo "1 passed, 0 failed"
