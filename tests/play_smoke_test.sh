#!/bin/sh
# Plays one short game of the real program in a window under a virtual X
# server: the title, the level description, a few seconds of flight with
# keys held and released that shoot down a turret, Escape, a typed name for
# the hi-score table, the fireworks and Escape on the title. Checks the exit
# code, that the name and the turret's 200 points went into save/scores and
# that every picture and sound was found. It uses the run folder's pictures
# and sounds with a level file of its own. Usage: play_smoke_test.sh RUN_DIR
set -u
run_dir=$(cd "$1" && pwd)
work=$(mktemp -d)
log=$work/output
inner=$work/inner.sh
mkdir -p "$work/levels" "$work/save"
ln -s "$run_dir/images" "$work/images"
ln -s "$run_dir/sounds" "$work/sounds"
cp "$run_dir/vantrel" "$work/vantrel"

# A closed room: the ship falls to the floor with a turret straight above
# it, facing up and away, that its Peashooter brings down in a second.
cat > "$work/levels/levels.txt" <<'LEVEL'
One room, one turret.
L:START
D: Shoot the turret above you.
D:
A:#########
A:#.......#
A:#...U...#
A:#.......#
A:#.......#
A:#...S...#
A:#.......#
A:#.......#
A:#########
L:END
LEVEL

cat > "$inner" <<INNER
set -u
cd "$work" || exit 90
./vantrel --window > "$log" 2>&1 &
pid=\$!
win=\$(timeout 30 xdotool search --sync --onlyvisible --name Vantrel | head -n 1)
[ -n "\$win" ] || { kill \$pid; echo "no window"; exit 91; }
xdotool windowfocus --sync "\$win" 2>/dev/null || true
sleep 2
xdotool key space          # the title
sleep 2
xdotool key Return         # the level description
sleep 1
xdotool keydown space      # fire
sleep 2.5
xdotool keyup space
xdotool keydown Left
sleep 0.5
xdotool keyup Left
xdotool keydown Right
sleep 0.5
xdotool keyup Right
xdotool keydown Up
sleep 0.3
xdotool keyup Up
sleep 1
xdotool key Escape         # the end of the game
sleep 2
xdotool type --delay 150 "Tester"
sleep 1
xdotool key Return         # the name
sleep 2
xdotool key space          # the fireworks
sleep 2
# Escape on the title until the game ends: a slow machine may miss one.
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
echo "--- save/scores ---"
cat "$work/save/scores" 2>/dev/null || echo "(none)"
status=0
[ "$rc" -eq 0 ] || status=1
if grep -E "FATAL ERROR|Could not open|not a valid" "$log" >/dev/null; then
    echo "the game reported missing or broken data"
    status=1
fi
# 200 beats the default table's tenth entry, 1: it takes the last row.
if ! grep -x "Tester 200" "$work/save/scores" >/dev/null 2>&1; then
    echo "the typed name and the turret's points are not in the hi-score file"
    status=1
fi
rm -rf "$work"
exit $status
