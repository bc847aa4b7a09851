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
. "$(dirname "$0")/smoke_common.sh"
{
    smoke_start "$run_dir" "$log"
    cat <<INNER
sleep 2
xdotool key space
sleep 2
if [ -n "$shot" ]; then import -window root "$shot" || true; fi
INNER
    smoke_quit
} > "$inner"
status=0
smoke_run "$inner" "$log" || status=1
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
