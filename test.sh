#!/bin/sh
# Installs what is missing, builds everything and runs every test: once as
# a normal build with warnings as errors, linked with link-time optimisation
# so that a type or function defined two ways fails the build; once with
# AddressSanitizer and UndefinedBehaviorSanitizer; then fuzzes the level
# file, the hi-score file and the PNG loader side by side for 60 seconds.
set -e
cd "$(dirname "$0")"
. scripts/setup.sh
vantrel_install_packages
export SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy
jobs="$(nproc)"

cmake -S . -B build -DVANTREL_WERROR=ON -DVANTREL_ODR_CHECK=ON >/dev/null
cmake --build build -j"$jobs"
(cd build && ctest --output-on-failure -j"$jobs")

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:fast_unwind_on_malloc=0
export LSAN_OPTIONS="suppressions=$(pwd)/tests/lsan.supp"
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
cmake -S . -B build-asan -DVANTREL_WERROR=ON -DVANTREL_SANITIZE=ON >/dev/null
cmake --build build-asan -j"$jobs"
(cd build-asan && ctest --output-on-failure -j"$jobs")

# The fuzz targets, built with clang: all three side by side for 60 s from
# their seed corpora; a crash, hang, leak or sanitizer report fails.
cmake -S . -B build-fuzz -DCMAKE_CXX_COMPILER=clang++ -DVANTREL_FUZZ=ON -DVANTREL_TESTS=OFF >/dev/null
cmake --build build-fuzz -j"$jobs" --target fuzz_targets
fuzz/run.sh build-fuzz 60
