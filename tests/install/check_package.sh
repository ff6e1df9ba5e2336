#!/bin/sh
# The Debian package as a player gets it: built by scripts/package.sh, its
# files, control fields and lintian's verdict; then unpacked, its game linked
# without the C++ runtime, and played in a pseudo-terminal on its own levels
# to the first play screen and out again with q.
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
deb=$(sh "$src/scripts/package.sh" "$out") || { echo "FAILED: the package did not build"; exit 1; }

expected="./usr/games/grubblet
./usr/games/grubblet-check
./usr/games/grubblet-gen
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

verdict=$(lintian "$deb" 2>&1 | grep -v "root privileges")
echo "$verdict" | grep -q "^E:" && fail "lintian reports errors: $verdict"

dpkg-deb -x "$deb" "$work"
runtime=$(ldd "$work/usr/games/grubblet" | grep -E 'libstdc\+\+|libgcc_s|libm\.so')
[ -z "$runtime" ] || fail "the game loads a C++ runtime: $runtime"

GRUBBLET_PACKAGED_GAME="$work/usr/games/grubblet" \
GRUBBLET_PACKAGED_BOARDS="$work/usr/share/games/grubblet/boards.txt" \
    "$e2e" --gtest_filter='package.*' --gtest_brief=1 || fail "the packaged game does not play"

if [ "$failed" -ne 0 ]; then
    exit 1
fi
echo "1 passed, 0 failed"
