#!/bin/sh
# Makes the README's screenshots from the game itself, in a 640 x 480
# window under a virtual X server: docs/play.png (the first level in flight,
# saved by the game's own Print Screen key), docs/tow.png (the ship lifting
# a ball off its source with the beam, saved the same way) and
# docs/shop.png (the shop with a weapon's details, grabbed from the window:
# the shop reads no keys but Escape). Builds the game and its data first if
# needed.
#   scripts/screenshots.sh [BUILD_DIR]     (default: the project's build)
# Needs xvfb-run, xdotool and ImageMagick (scripts/setup.sh installs them).
set -eu
here=$(pwd)
cd "$(dirname "$0")/.."
case ${1:-} in
'') build=build ;;
/*) build=$1 ;;
*) build=$here/$1 ;;
esac
for tool in xvfb-run xdotool convert import; do
    command -v $tool >/dev/null || { echo "$tool is missing: see scripts/setup.sh" >&2; exit 1; }
done

[ -f "$build/CMakeCache.txt" ] || cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"$(nproc)" --target run_folder >/dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p docs

# A scratch copy of the run folder, so no screenshot, score or changed
# level file is left in the real one.
scratch() {
    cp -R "$build/run" "$work/$1"
}

# What the game printed, when something went wrong.
fail() {
    echo "$1" >&2
    cat "$work"/*.log >&2 2>/dev/null || true
    exit 1
}

# Runs the shell commands in $work/$1.sh against the game started in
# $work/$1 under a virtual X server. The commands find the game's window in
# $win; afterwards the game is stopped.
run_game() {
    cat > "$work/$1.run" <<RUN
set -eu
cd "$work/$1"
SDL_AUDIODRIVER=dummy ./vantrel --window > "$work/$1.log" 2>&1 &
pid=\$!
win=\$(timeout 30 xdotool search --sync --onlyvisible --name '^Vantrel\$' | head -n 1)
[ -n "\$win" ] || { kill -9 \$pid; echo "the game opened no window" >&2; exit 1; }
xdotool windowfocus --sync "\$win" 2>/dev/null || true
. "$work/$1.sh"
# SIGKILL: the game reads SIGTERM as a quit request, which play and the
# shop do not act on.
kill -9 \$pid 2>/dev/null || true
wait \$pid 2>/dev/null || true
RUN
    xvfb-run -a -s "-screen 0 640x480x24" sh "$work/$1.run" || fail "the $1 run failed"
}

# Play: the first shipped level, the ship thrusting up and to the right
# with its Peashooter firing.
scratch play
cat > "$work/play.sh" <<'KEYS'
sleep 2
xdotool key Return          # the title screen: any key but Escape
sleep 2
xdotool key Return          # the level's description
sleep 1
xdotool keydown Right
sleep 0.25
xdotool keyup Right
xdotool keydown Up keydown space
sleep 0.8
xdotool key Print           # VantrelScreenShot0.bmp in the run folder
sleep 0.5
xdotool keyup Up keyup space
KEYS
run_game play
[ -f "$work/play/VantrelScreenShot0.bmp" ] || fail "the game saved no screenshot"
convert "$work/play/VantrelScreenShot0.bmp" docs/play.png

# Tow: a room of its own whose spawn stands three tiles straight above a
# ball's source; the beam takes the ball at once, and short bursts of
# thrust lift the ship with the ball hanging under it. Z is held over a few
# frames: a key pressed and let go within one frame would not reach play.
scratch tow
cat > "$work/tow/levels/levels.txt" <<'LEVEL'
A room with a ball three tiles under the spawn and a sink beside it.
L:START
A:####################
A:#7................9#
A:#..................#
A:#..................#
A:#..................#
A:#..................#
A:#..................#
A:#..................#
A:#.....S............#
A:#..................#
A:#..................#
A:#1....B.....T.....5#
A:####################
L:END
LEVEL
cat > "$work/tow.sh" <<'KEYS'
sleep 2
xdotool key Return          # the title screen
sleep 0.2
xdotool keydown z
sleep 0.15
xdotool keyup z
xdotool keydown Up
sleep 1.3
xdotool key Print           # VantrelScreenShot0.bmp in the run folder
xdotool keyup Up
sleep 0.5
KEYS
run_game tow
[ -f "$work/tow/VantrelScreenShot0.bmp" ] || fail "the game saved no screenshot of the tow"
convert "$work/tow/VantrelScreenShot0.bmp" docs/tow.png

# Shop: a room of its own whose spawn stands right above a shop tile; the
# ship falls onto it and the shop opens. A click on a weapon's row shows its
# details. On the 640 x 480 window the list stands at x 426 to 526, its
# rows 25 pixels apart from y 50: the fourth row is (476, 135).
scratch shop
cat > "$work/shop/levels/levels.txt" <<'LEVEL'
A room with a shop tile under the spawn.
L:START
A:#######
A:#.....#
A:#..S..#
A:#..s..#
A:#.....#
A:#######
L:END
LEVEL
cat > "$work/shop.sh" <<KEYS
sleep 2
xdotool key Return          # the title screen
sleep 3
xdotool mousemove --window "\$win" 476 135 click 1
sleep 1
xdotool mousemove --window "\$win" 630 10   # the pointer out of the way
sleep 0.5
import -window "\$win" "$work/shop.png"
KEYS
run_game shop
[ -f "$work/shop.png" ] || fail "no picture of the shop"
convert "$work/shop.png" docs/shop.png

echo "wrote docs/play.png, docs/tow.png and docs/shop.png"
