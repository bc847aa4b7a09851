#!/bin/sh
# Plays one short game of the real program in a window under a virtual X
# server: the title, the level description, a few seconds of flight with
# keys held and released that shoot down a turret, Escape, a typed name for
# the hi-score table (its last letter taken back with Delete), the
# fireworks and Escape on the title. Checks the exit
# code, that the name and the turret's 200 points went into save/scores and
# that every picture and sound was found. It uses the run folder's pictures
# and sounds with a level file of its own. Usage: play_smoke_test.sh RUN_DIR
set -u
. "$(dirname "$0")/smoke_common.sh"
smoke_setup "$1"

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

{
    smoke_start "$work" "$log"
    cat <<INNER
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
xdotool type --delay 150 "Testerx"
sleep 0.5
xdotool key Delete         # sent with no character
sleep 1
xdotool key Return         # the name
sleep 2
xdotool key space          # the fireworks
sleep 2
INNER
    smoke_quit  # on the title
} > "$inner"
status=0
smoke_run "$inner" "$log" || status=1
echo "--- save/scores ---"
cat "$work/save/scores" 2>/dev/null || echo "(none)"
# 200 beats the default table's tenth entry, 1: it takes the last row.
if ! grep -x "Tester 200" "$work/save/scores" >/dev/null 2>&1; then
    echo "the typed name and the turret's points are not in the hi-score file"
    status=1
fi
rm -rf "$work"
exit $status
