#!/bin/sh
# Builds the Debian package of the game, grubblet_VERSION_ARCH.deb, in DIR
# (the top of the repository unless given; relative to the current directory,
# made when missing), laid out as Debian lays out games: the grubblet command,
# the level checker and the level generator in /usr/games, the game itself in
# /usr/lib/games/grubblet, the shipped levels in /usr/share/games/grubblet,
# the manual pages, copyright, changelog and a note on where the commands
# are (README.Debian) under /usr/share. Installs what it
# needs first (Debian). Prints the package's path; any tool's failure ends it
# with that tool's messages.
set -eu
repo=$(cd "$(dirname "$0")/.." && pwd)
mkdir -p "${1:-$repo}"
out=$(cd "${1:-$repo}" && pwd)
cd "$repo"
. scripts/packages.sh
install_missing cmake make g++ libncurses-dev ncurses-base nlohmann-json3-dev dpkg-dev

# Runs a command with its output kept aside, shown only when it fails.
quietly() {
    if ! "$@" >"$build/log" 2>&1; then
        cat "$build/log" >&2
        echo "package.sh: $* failed" >&2
        exit 1
    fi
}

version=$(sed -n 's/^project(grubblet VERSION \([0-9.]*\) .*/\1/p' CMakeLists.txt)
arch=$(dpkg --print-architecture)
build=$(mktemp -d)
trap 'rm -rf "$build"' EXIT
stage="$build/stage"

# Debian's build flags (hardening among them), a release build for /usr.
quietly env CXXFLAGS="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)" \
    LDFLAGS="$(dpkg-buildflags --get LDFLAGS)" \
    cmake -S . -B "$build/cmake" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
    -DCMAKE_INSTALL_BINDIR=games -DCMAKE_INSTALL_LIBEXECDIR=lib/games \
    -DCMAKE_INSTALL_DATADIR=share/games
quietly cmake --build "$build/cmake" -j "$(nproc)" --target grubblet grubblet-check grubblet-gen
quietly env DESTDIR="$stage" cmake --install "$build/cmake"

game="$stage/usr/lib/games/grubblet/grubblet"
quietly strip --strip-unneeded --remove-section=.comment --remove-section=.note \
    "$game" "$stage/usr/games/grubblet-check" "$stage/usr/games/grubblet-gen"
gzip -9n "$stage/usr/share/man/man6/grubblet.6" "$stage/usr/share/man/man1/grubblet-check.1" \
    "$stage/usr/share/man/man6/grubblet-gen.6"
doc="$stage/usr/share/doc/grubblet"
mkdir -p "$doc"
cp packaging/copyright "$doc/copyright"
cp packaging/README.Debian "$doc/README.Debian"
gzip -9nc packaging/changelog >"$doc/changelog.gz"
find "$stage" -type d -exec chmod 0755 {} +
find "$stage" -type f -exec chmod 0644 {} +
chmod 0755 "$stage/usr/games/grubblet" "$stage/usr/games/grubblet-check" \
    "$stage/usr/games/grubblet-gen" "$game"

# Dependencies from the libraries the programs are linked with.
mkdir -p "$build/meta/debian"
printf 'Source: grubblet\n\nPackage: grubblet\nArchitecture: any\n' >"$build/meta/debian/control"
quietly sh -c 'cd "$1" && shift && dpkg-shlibdeps -O "$@" >substvars' dpkg-shlibdeps "$build/meta" \
    "$game" "$stage/usr/games/grubblet-check" "$stage/usr/games/grubblet-gen"
depends=$(sed -n 's/^shlibs:Depends=//p' "$build/meta/substvars")
if [ -z "$depends" ]; then
    echo "package.sh: dpkg-shlibdeps found no dependencies" >&2
    exit 1
fi

mkdir -p "$stage/DEBIAN"
(cd "$stage" && find usr -type f | LC_ALL=C sort | xargs md5sum) >"$stage/DEBIAN/md5sums"
chmod 0644 "$stage/DEBIAN/md5sums"
{
    echo "Package: grubblet"
    echo "Version: $version"
    echo "Architecture: $arch"
    echo "Maintainer: $(sed -n 's/^ -- \(.*>\)  .*/\1/p' packaging/changelog | head -n 1)"
    echo "Installed-Size: $(du -sk --exclude=DEBIAN "$stage" | cut -f1)"
    echo "Depends: $depends"
    echo "Section: games"
    echo "Priority: optional"
    echo "Description: $(cat packaging/description)"
} >"$stage/DEBIAN/control"

deb="$out/grubblet_${version}_${arch}.deb"
quietly dpkg-deb --root-owner-group -Zxz --build "$stage" "$deb"
echo "$deb"
