# What the smoke tests share; sourced by them. Each writes an inner script
# that smoke_start begins and smoke_quit ends, runs it with smoke_run, and
# adds its own checks.

# Makes a fresh folder to run the game in: the run folder RUN_DIR's game,
# pictures and sounds with empty levels/ and save/; prints its path.
smoke_work_dir() {
    _work=$(mktemp -d)
    mkdir -p "$_work/levels" "$_work/save"
    ln -s "$1/images" "$_work/images"
    ln -s "$1/sounds" "$_work/sounds"
    cp "$1/vantrel" "$_work/vantrel"
    echo "$_work"
}

# Readies a test of the run folder RUN_DIR: sets run_dir (made absolute),
# work (a fresh folder from smoke_work_dir), log (the game's output there)
# and inner (the path of the inner script).
smoke_setup() {
    run_dir=$(cd "$1" && pwd)
    work=$(smoke_work_dir "$run_dir")
    log=$work/output
    inner=$work/inner.sh
}

# Prints the start of an inner script: the game started with its output in
# LOG from the folder DIR, and its window found and focused (as $win, the
# game's process as $pid). SIGINT reaches it as from a terminal, though a
# script's background job would have it ignored.
smoke_start() {
    cat <<INNER
set -u
cd "$1" || exit 90
env --default-signal=INT ./vantrel --window > "$2" 2>&1 &
pid=\$!
# A window that goes away while xdotool looks at it ends the search with
# an X error: search again.
win=
for try in 1 2 3 4 5; do
    win=\$(timeout 30 xdotool search --sync --onlyvisible --name Vantrel 2>/dev/null | head -n 1)
    [ -n "\$win" ] && break
    sleep 0.5
done
[ -n "\$win" ] || { kill -9 \$pid; echo "no window"; exit 91; }
xdotool windowfocus --sync "\$win" 2>/dev/null || true
INNER
}

# Prints the end of an inner script: Escape until the game ends, as a slow
# machine may miss a key; then SIGKILL as the last resort.
smoke_quit() {
    cat <<'INNER'
for i in $(seq 1 30); do
    xdotool key Escape
    sleep 1
    kill -0 $pid 2>/dev/null || break
done
if kill -0 $pid 2>/dev/null; then kill -9 $pid; echo "still running after Escape"; exit 92; fi
wait $pid
INNER
}

# Runs the inner script INNER under a virtual X server and prints its exit
# code and the game's output LOG; fails when either shows a fault.
smoke_run() {
    xvfb-run -a -s "-screen 0 640x480x24" sh "$1"
    rc=$?
    echo "exit code: $rc"
    echo "--- game output ---"
    cat "$2"
    [ "$rc" -eq 0 ] || return 1
    if grep -E "FATAL ERROR|Could not open|not a valid" "$2" >/dev/null; then
        echo "the game reported missing or broken data"
        return 1
    fi
    return 0
}
