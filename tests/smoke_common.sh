# What the smoke tests share; sourced by them. Each writes an inner script
# that smoke_start begins and smoke_quit ends, runs it with smoke_run, and
# adds its own checks.

# Prints the start of an inner script: the game started with its output in
# LOG from the folder DIR, and its window found and focused (as $win, the
# game's process as $pid).
smoke_start() {
    cat <<INNER
set -u
cd "$1" || exit 90
./vantrel --window > "$2" 2>&1 &
pid=\$!
win=\$(timeout 30 xdotool search --sync --onlyvisible --name Vantrel | head -n 1)
[ -n "\$win" ] || { kill -9 \$pid; echo "no window"; exit 91; }
xdotool windowfocus --sync "\$win" 2>/dev/null || true
INNER
}

# Prints the end of an inner script: Escape until the game ends, as a slow
# machine may miss a key; then SIGKILL, since the game turns SIGTERM into a
# quit request that play and the shop do not act on.
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
