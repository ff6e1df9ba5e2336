# Sourced by the other scripts: installs the Debian packages named that are
# not installed yet, and nothing when all are there.
install_missing() {
    missing=""
    for package in "$@"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "ok installed" ||
            missing="$missing $package"
    done
    if [ -n "$missing" ]; then
        echo "Installing:$missing"
        apt-get update
        DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends $missing
    fi
}
