#!/bin/sh
# Installs the Debian packages Vantrel needs to build, play and test,
# skipping those already present. Sourced by play.sh and test.sh.
set -e

VANTREL_PACKAGES="cmake g++ make pkg-config libsdl1.2-compat-dev libsdl-mixer1.2-dev libpng-dev libgtest-dev xvfb xauth xdotool imagemagick clang libclang-rt-14-dev"

vantrel_install_packages() {
    missing=""
    for pkg in $VANTREL_PACKAGES; do
        if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed"; then
            missing="$missing $pkg"
        fi
    done
    [ -z "$missing" ] && return 0
    echo "Installing:$missing"
    sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq $missing
}
