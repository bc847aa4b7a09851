#!/bin/sh
# Starts the real game in a window under a virtual X server, presses a key
# (the title shows again) and then Escape, and checks the exit code and
# that every picture and sound was found. Usage: smoke_test.sh RUN_DIR
# [SCREENSHOT.png]. With SMOKE_EXPECT_SILENT=1 the audio device is expected
# to fail and the game to say it runs silent.
set -u
run_dir=$1
shot=${2:-}
log=$(mktemp)
inner=$(mktemp)
cat > "$inner" <<INNER
set -u
cd "$run_dir" || exit 90
./vantrel --window > "$log" 2>&1 &
pid=\$!
win=\$(timeout 30 xdotool search --sync --onlyvisible --name Vantrel | head -n 1)
[ -n "\$win" ] || { kill \$pid; echo "no window"; exit 91; }
xdotool windowfocus --sync "\$win" 2>/dev/null || true
sleep 2
xdotool key space
sleep 2
if [ -n "$shot" ]; then import -window root "$shot" || true; fi
# Escape until the game ends: a slow start-up may miss the first key.
for i in \$(seq 1 30); do
    xdotool key Escape
    sleep 1
    kill -0 \$pid 2>/dev/null || break
done
if kill -0 \$pid 2>/dev/null; then kill \$pid; echo "still running after Escape"; exit 92; fi
wait \$pid
INNER
xvfb-run -a -s "-screen 0 640x480x24" sh "$inner"
rc=$?
echo "exit code: $rc"
echo "--- game output ---"
cat "$log"
status=0
[ "$rc" -eq 0 ] || status=1
if grep -E "FATAL ERROR|Could not open|not a valid" "$log" >/dev/null; then
    echo "the game reported missing or broken data"
    status=1
fi
if [ "${SMOKE_EXPECT_SILENT:-0}" = 1 ]; then
    expected=$(printf 'sound, line 37: Sound init failed\n\nvantrel, line [0-9]*: Sound initialisation failed!  Will run silently')
    if ! printf '%s\n' "$(cat "$log")" | tr '\n' '~' | grep -q "$(printf '%s' "$expected" | tr '\n' '~')"; then
        echo "the game did not report running silent"
        status=1
    fi
elif grep -E "Sound init" "$log" >/dev/null; then
    echo "the sound did not start"
    status=1
fi
rm -f "$log" "$inner"
exit $status
