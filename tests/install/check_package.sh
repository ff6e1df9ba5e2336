#!/bin/sh
# The Debian package as a player gets it: built by scripts/package.sh (into a
# directory named relative to another current directory, not there yet), its
# files, control fields and lintian's verdict (no error, no warning); then
# unpacked, its game linked without the C++ runtime, and its grubblet command
# played in a pseudo-terminal from directories without levels.
#
# Usage: check_package.sh SOURCE_DIR E2E_TESTS
set -u
src=$1
e2e=$2
failed=0
fail() {
    echo "FAILED: $*"
    failed=1
}

out=$(mktemp -d)
work=$(mktemp -d)
trap 'rm -rf "$work" "$out"' EXIT
deb=$(cd "$out" && sh "$src/scripts/package.sh" made/here) || {
    echo "FAILED: the package did not build"
    exit 1
}
case "$deb" in "$out/made/here/"*) ;; *) fail "the package is not where it was asked for: $deb" ;; esac

expected="./usr/games/grubblet
./usr/games/grubblet-check
./usr/games/grubblet-gen
./usr/lib/games/grubblet/grubblet
./usr/share/doc/grubblet/README.Debian
./usr/share/doc/grubblet/changelog.gz
./usr/share/doc/grubblet/copyright
./usr/share/games/grubblet/boards.txt
./usr/share/man/man1/grubblet-check.1.gz
./usr/share/man/man6/grubblet-gen.6.gz
./usr/share/man/man6/grubblet.6.gz"
files=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { print $6 }' | LC_ALL=C sort)
[ "$files" = "$expected" ] || fail "the package holds other files: $files"

[ "$(dpkg-deb -f "$deb" Package)" = grubblet ] || fail "Package"
[ "$(dpkg-deb -f "$deb" Section)" = games ] || fail "Section"
case "$deb" in *"/grubblet_$(dpkg-deb -f "$deb" Version)_$(dpkg --print-architecture).deb") ;;
*) fail "the file name $deb does not name the version and architecture" ;; esac
depends=$(dpkg-deb -f "$deb" Depends)
for lib in libc6 libncurses6 libtinfo6; do
    case "$depends" in *"$lib"*) ;; *) fail "Depends lacks $lib: $depends" ;; esac
done
dpkg-deb -f "$deb" Description | grep -q "platform game" || fail "the description"
for command in grubblet grubblet-check grubblet-gen /usr/games; do
    dpkg-deb -f "$deb" Description | grep -q -- " $command" || fail "the description lacks $command"
done

verdict=$(lintian "$deb" 2>&1 | grep -v "root privileges")
echo "$verdict" | grep -q "^[EW]:" && fail "lintian reports errors or warnings: $verdict"
# The packaging notes' lintian command names exactly the tags they list.
tags=$(lintian -I --pedantic "$deb" 2>/dev/null | sed -n 's/^[IP]: grubblet: \([^ ]*\).*/\1/p' | sort -u)
listed=$(sed -n '/`lintian -I --pedantic`/,/^The copyright/p' "$src/docs/packaging.md" |
    sed -n 's/^- `\([a-z-]*\).*/\1/p' | sort -u)
[ -n "$tags" ] && [ "$tags" = "$listed" ] || fail "lintian -I --pedantic names $tags; docs/packaging.md lists $listed"

dpkg-deb -x "$deb" "$work"
game="$work/usr/lib/games/grubblet/grubblet"
runtime=$(ldd "$game" | grep -E 'libstdc\+\+|libgcc_s|libm\.so')
[ -z "$runtime" ] || fail "the game loads a C++ runtime: $runtime"
cmp -s "$work/usr/share/games/grubblet/boards.txt" "$src/boards.txt" || fail "the packaged levels differ"

GRUBBLET_INSTALLED_COMMAND="$work/usr/games/grubblet" \
GRUBBLET_INSTALLED_GAME="$game" \
GRUBBLET_INSTALLED_LEVELS="$work/usr/share/games/grubblet/boards.txt" \
    "$e2e" --gtest_filter='installed.*' --gtest_brief=1 || fail "the packaged game does not play"

if [ "$failed" -ne 0 ]; then
    exit 1
fi
echo "1 passed, 0 failed"
