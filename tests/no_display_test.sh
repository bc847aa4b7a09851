#!/bin/sh
# Starts the real game with no display and no video driver asked for: SDL
# then falls back to a driver that shows nothing, and the game must end by
# itself with exit code 0 and the start-up failure message on standard
# error. Usage: no_display_test.sh RUN_DIR
set -u
run_dir=$1
out=$(mktemp)
err=$(mktemp)
cd "$run_dir" || exit 1
env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER timeout -s KILL 30 ./vantrel --window > "$out" 2> "$err"
rc=$?
echo "exit code: $rc"
echo "--- standard output ---"
cat "$out"
echo "--- standard error ---"
cat "$err"
status=0
[ "$rc" -eq 0 ] || { echo "the game did not end by itself with exit code 0"; status=1; }
if ! grep -q "^Couldn't initialize SDL: no display found" "$err"; then
    echo "no start-up failure message"
    status=1
fi
[ -s "$out" ] && { echo "the game went on past the start-up"; status=1; }
rm -f "$out" "$err"
exit $status
