#!/bin/sh
# Checks the manual pages and the install: both pages render without a
# warning, every key the program accepts is explained in the game's page, and
# an install into a fresh prefix holds every file it should.
# Usage: check_install_and_pages.sh SOURCE_DIR BUILD_DIR
set -eu
set -f # keys such as [ are not file name patterns
src=$1
build=$2
failed=0
fail() {
    echo "FAIL: $*"
    failed=1
}

# 1. The pages render without warnings.
for page in "$src/man/grubblet.6" "$src/man/grubblet-check.1" \
    "$src/man/grubblet-gen.6"; do
    warnings=$(groff -man -ww -z "$page" 2>&1) || fail "groff failed on $page"
    [ -z "$warnings" ] || fail "groff warns about $page: $warnings"
    warnings=$(MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null) || fail "man failed on $page"
    [ -z "$warnings" ] || fail "man warns about $page: $warnings"
    wide=$(MANWIDTH=80 man -l "$page" 2>/dev/null | awk 'length > 80')
    [ -z "$wide" ] || fail "lines of $page run past 80 columns: $wide"
done

# 2. Every key the program accepts appears as a key in its section of the
# game's page. The keys are taken from the game's move keys and from the play
# and editor key readers themselves.
page_text=$(groff -man -Tascii -P-cbou "$src/man/grubblet.6" 2>/dev/null)
# The keys a section names: the tags of its paragraphs, split at commas.
section_tags() {
    printf '%s\n' "$page_text" |
        awk -v section="$1" '$0 == section { keys = 1; next }
             /^[A-Z]/ { keys = 0 }
             keys && /^       [^ ]/ {
                 tag = substr($0, 8); sub(/  .*/, "", tag)
                 n = split(tag, parts, ", ")
                 for (i = 1; i <= n; i++) print parts[i]
             }'
}
play_tags=$(section_tags "PLAY KEYS")
editor_tags=$(section_tags "EDITOR KEYS")
# check_key TAGS KEY WHERE: letters work in either case, so either may be named.
check_key() {
    lower=$(printf '%s' "$2" | tr 'A-Z' 'a-z')
    upper=$(printf '%s' "$2" | tr 'a-z' 'A-Z')
    for name in "$2" "$lower" "$upper"; do
        printf '%s\n' "$1" | grep -qxF -- "$name" && return 0
    done
    fail "$3 key '$2' is not in the game's page"
}
case_keys() {
    sed -n "s/.*case '\\(.*\\)':.*/\\1/p" "$1" | sed 's/^\\t$/Tab/; s/^ $/space/'
}

move_keys=$(sed -n "s/.*MOVE_KEYS\[.*\] = {\(.*\)};/\1/p" "$src/src/game/rules.cpp" |
    sed "s/'\\\\0',//; s/[ ',]//g")
[ ${#move_keys} -eq 8 ] || fail "the move keys could not be read from the game: '$move_keys'"
for key in $(printf '%s' "$move_keys" | sed 's/./& /g') $(case_keys "$src/src/main.cpp"); do
    check_key "$play_tags" "$key" play
done
for key in $(case_keys "$src/src/editor/editor_view.cpp"); do
    check_key "$editor_tags" "$key" editor
done
grep -q "case KEY_UP:" "$src/src/editor/editor_view.cpp" && check_key "$editor_tags" "arrow keys" editor
grep -q "case CTL_UP:" "$src/src/editor/editor_view.cpp" &&
    check_key "$editor_tags" "control+arrow keys" editor
grep -q "== 'Y'" "$src/src/editor/editor_actions.cpp" && check_key "$editor_tags" Y editor

# 3. An install into a fresh prefix: the grubblet command is the launcher,
# the game itself sits out of the PATH beside its data.
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null
for file in bin/grubblet bin/grubblet-check bin/grubblet-gen libexec/grubblet/grubblet \
    share/grubblet/boards.txt share/man/man6/grubblet.6 share/man/man1/grubblet-check.1 \
    share/man/man6/grubblet-gen.6; do
    [ -f "$prefix/$file" ] || fail "the install lacks $file"
done
[ -x "$prefix/bin/grubblet" ] || fail "grubblet is not executable"
cmp -s "$prefix/share/grubblet/boards.txt" "$src/boards.txt" || fail "the installed levels differ"
"$prefix/bin/grubblet-check" "$prefix/share/grubblet/boards.txt" >/dev/null ||
    fail "the installed checker does not pass the installed levels"
# The launcher, played from anywhere, and the game's hint where there are no
# levels.
GRUBBLET_INSTALLED_COMMAND="$prefix/bin/grubblet" \
GRUBBLET_INSTALLED_GAME="$prefix/libexec/grubblet/grubblet" \
GRUBBLET_INSTALLED_LEVELS="$prefix/share/grubblet/boards.txt" \
    "$build/tests/e2e_tests" --gtest_filter='installed.*' --gtest_brief=1 ||
    fail "the installed grubblet command does not play from anywhere"

if [ "$failed" -ne 0 ]; then
    exit 1
fi
echo "1 passed, 0 failed"
