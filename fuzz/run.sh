#!/bin/sh
# Runs the three fuzz targets side by side, each from its seed corpus for a
# bounded time, and fails when any of them finds something.
#   fuzz/run.sh BUILD_DIR SECONDS [PROCESSES]
# BUILD_DIR is a build made with -DVANTREL_FUZZ=ON and clang++. PROCESSES
# (default 1) runs that many fuzzing processes per target, sharing its
# corpus. New inputs are kept in BUILD_DIR/fuzz-corpus/<target>, what a
# target finds in BUILD_DIR/fuzz-findings/, the output of each target in
# BUILD_DIR/fuzz-logs/<target>/.
set -u
here="$(cd "$(dirname "$0")" && pwd)"
build="$(cd "$1" && pwd)"
seconds="$2"
processes="${3:-1}"

# The targets change their working directory: every path they get is absolute.
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export LSAN_OPTIONS="suppressions=$here/../tests/lsan.supp"
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy
# Each process makes its scratch run folder in here; in memory where it can.
scratch_base=/dev/shm
[ -d "$scratch_base" ] || scratch_base="${TMPDIR:-/tmp}"
VANTREL_FUZZ_TMP="$(mktemp -d "$scratch_base/vantrel_fuzz_run_XXXXXX")"
export VANTREL_FUZZ_TMP
trap 'rm -rf "$VANTREL_FUZZ_TMP"' EXIT
mkdir -p "$build/fuzz-findings"

run_one() {
    name="$1"
    seeds="$2"  # the seed folders, split at blanks
    shift 2
    corpus="$build/fuzz-corpus/$name"
    logs="$build/fuzz-logs/$name"
    mkdir -p "$corpus" "$logs"
    rm -f "$logs"/*.log
    parallel=""
    [ "$processes" -gt 1 ] && parallel="-jobs=$processes -workers=$processes"
    # stdout carries the game's log lines; libFuzzer reports on stderr. With
    # -jobs each process writes its own fuzz-N.log in the working directory.
    (cd "$logs" && "$build/fuzz/fuzz_$name" $parallel -max_total_time="$seconds" -timeout=60 \
        -rss_limit_mb=2048 -close_fd_mask=1 -print_final_stats=1 \
        -artifact_prefix="$build/fuzz-findings/$name-" "$@" \
        "$corpus" $seeds >"$logs/main.log" 2>&1)
}

run_one levels "$here/corpus/levels $here/../levels" -dict="$here/levels.dict" &
levels=$!
run_one hi_scores "$here/corpus/hi_scores" &
hi_scores=$!
run_one png "$build/fuzz-seeds/png" -dict="$here/png.dict" &
png=$!

failed=0
for pair in levels:$levels hi_scores:$hi_scores png:$png; do
    name="${pair%%:*}"
    if wait "${pair#*:}"; then
        echo "fuzz_$name: nothing found in ${seconds}s ($(ls "$build/fuzz-corpus/$name" | wc -l) inputs in its corpus)"
    else
        failed=1
        echo "fuzz_$name: FOUND SOMETHING; the end of its log:"
        for log in "$build/fuzz-logs/$name"/*.log; do
            grep -q 'ERROR\|SUMMARY\|Test unit written' "$log" && tail -n 60 "$log"
        done
    fi
done
ls "$build/fuzz-findings" | sed 's/^/  finding: /'
exit $failed
