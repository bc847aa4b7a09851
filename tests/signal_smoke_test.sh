#!/bin/sh
# Stops the real game with SIGTERM or SIGINT on each of its screens, in a
# window under a virtual X server: the title, a level description, play,
# the shop, the name entry and the fireworks. Each time the process must be
# gone within a few seconds with exit code 0, and save/ must be as it was
# (a name being typed is not saved). It uses the run folder's pictures and
# sounds with level files of its own. Usage: signal_smoke_test.sh RUN_DIR
set -u
. "$(dirname "$0")/smoke_common.sh"
smoke_setup "$1"

# A closed room with a description; the ship rests on its floor.
room='A room.
L:START
D: Wait here.
D:
A:#######
A:#.....#
A:#..S..#
A:#.....#
A:#######
L:END'
# The shop tile right under the spawn, as in the shop visit.
shop='A shop at once.
L:START
A: #######
A: #..S..#
A: #..s..#
A: #.....#
A: #######
L:END'
# A game's score of 0 beats the tenth entry of the first table, not of the
# second.
low_table='Ann 1000
Bob 900
Cy 800
Di 700
Ed 600
Flo 500
Gus 400
Hal 300
Ida 200
Jo -5'
high_table=$(printf '%s\n' "$low_table" | sed '$s/ -5$/ 1/')

# The names and bytes of save/.
save_state() { (cd "$work/save" && ls -la --time-style=+ . | sed 1d && cat ./* 2>/dev/null | md5sum); }

status=0
# stage NAME SIGNAL LEVELS TABLE KEYS: starts the game, runs the xdotool
# lines KEYS, sends the signal and waits up to 5 s for the game to end.
stage() {
    name=$1 sig=$2
    printf '%s\n' "$3" > "$work/levels/levels.txt"
    printf '%s\n' "$4" > "$work/save/scores"
    rm -f "$work/save/scores.bad"
    before=$(save_state)
    {
        smoke_start "$work" "$log"
        printf '%s\n' "$5"
        cat <<INNER
kill -$sig \$pid
for i in \$(seq 1 50); do
    kill -0 \$pid 2>/dev/null || break
    sleep 0.1
done
if kill -0 \$pid 2>/dev/null; then kill -9 \$pid; echo "still running 5 s after SIG$sig"; exit 93; fi
wait \$pid
INNER
    } > "$inner"
    echo "=== $name: SIG$sig ==="
    if ! smoke_run "$inner" "$log"; then
        echo "FAILED: $name"
        status=1
    fi
    if [ "$(save_state)" != "$before" ]; then
        echo "FAILED: $name: save/ changed"
        ls -la "$work/save"
        cat "$work/save/scores"
        status=1
    fi
}

stage title TERM "$room" "$low_table" 'sleep 1'
stage description INT "$room" "$low_table" 'sleep 1
xdotool key space
sleep 2'
stage play TERM "$room" "$low_table" 'sleep 1
xdotool key space
sleep 2
xdotool key Return
sleep 2'
stage shop TERM "$shop" "$low_table" 'sleep 1
xdotool key space
sleep 3'
stage "name entry" INT "$room" "$low_table" 'sleep 1
xdotool key space
sleep 2
xdotool key Return
sleep 1
xdotool key Escape
sleep 2
xdotool type --delay 150 "abc"
sleep 1'
stage fireworks TERM "$room" "$high_table" 'sleep 1
xdotool key space
sleep 2
xdotool key Return
sleep 1
xdotool key Escape
sleep 2'

rm -rf "$work"
[ "$status" -eq 0 ] && echo "every screen ends on a signal"
exit $status
