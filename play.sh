#!/bin/sh
# Installs what is missing, builds the game and its data, and starts it in
# the run folder build/run. Arguments go to the game (--window, -r800x600).
set -e
cd "$(dirname "$0")"
. scripts/setup.sh
vantrel_install_packages
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target run_folder
cd build/run
exec ./vantrel "$@"
