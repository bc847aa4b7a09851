#!/bin/sh
# A shop visit in the real game, in a window under a virtual X server: a
# level of its own drops the ship onto a shop tile at once; the mouse sells
# the Peashooter, fits Lead into a system slot, looks at the engine page and
# leaves; Print Screen in play then shows the new money in the status bar.
# Escape ends the game, the hi-score display and the title. Checks the exit
# code, that the shop was open when the trade began, that the money text
# changed and the lives text did not. Usage: shop_smoke_test.sh RUN_DIR
# [SHOT_DIR]; with SHOT_DIR the screenshots are kept there as PNG files.
set -u
run_dir=$1
shots=${2:-}
for tool in import convert; do
    command -v $tool >/dev/null || { echo "$tool (ImageMagick) is missing"; exit 1; }
done

work=$(mktemp -d)
log=$work/game.log
inner=$work/inner.sh
[ -n "$shots" ] || shots=$work/shots
mkdir -p "$shots" "$work/levels" "$work/save"
shots=$(cd "$shots" && pwd)
cp "$run_dir/vantrel" "$work/vantrel" || exit 1
ln -s "$(cd "$run_dir" && pwd)/images" "$work/images"
ln -s "$(cd "$run_dir" && pwd)/sounds" "$work/sounds"
# The shop tile right under the spawn; room below it for the ship to fall
# through once the shop has closed.
cat > "$work/levels/levels.txt" <<'LEVEL'
A shop at once.
L:START
A: #######
A: #..S..#
A: #..s..#
A: #.....#
A: #.....#
A: #.....#
A: #######
L:END
LEVEL

# Positions on the 640 x 480 window: the shop's buttons and rows, the
# front centre mount and the first system slot for the game's pictures.
. "$(dirname "$0")/smoke_common.sh"
{
    smoke_start "$work" "$log"
    cat <<INNER
click() { xdotool mousemove --window "\$win" \$1 \$2 click 1; sleep 0.6; }
shot() { import -window "\$win" "$shots/\$1.png" || true; }
sleep 2
xdotool key space
sleep 3
shot before
click 213 74
click 550 433
shot weapons
click 356 65
click 153 144
click 476 115
click 495 433
shot systems
click 356 90
click 476 65
shot engine
click 605 433
sleep 1
xdotool key Print
sleep 1
shot after
INNER
    smoke_quit  # play, the hi-score display, the title
} > "$inner"
status=0
smoke_run "$inner" "$log" || status=1

# The raw pixels of a w x h area at (x, y) of a picture, as a checksum.
area() { convert "$1" -crop "$2" +repage -alpha off -depth 8 rgb:- 2>/dev/null | md5sum; }
pixel() { convert "$1" -crop "1x1+$2+$3" -alpha off -depth 8 txt:- 2>/dev/null | grep -o '#[0-9A-Fa-f]\{6\}'; }
before=$shots/before.png
after=$work/VantrelScreenShot0.bmp
if [ ! -f "$before" ] || [ ! -f "$after" ]; then
    echo "a screenshot is missing"
    status=1
else
    cp "$after" "$shots/after_print_screen.bmp" 2>/dev/null || true
    # The shop was open: its Weapons button lit; in play it is gone.
    [ "$(pixel "$before" 307 31)" = "#404080" ] || { echo "the shop was not open before the trade"; status=1; }
    [ "$(pixel "$after" 307 31)" != "#404080" ] || { echo "the shop was still shown after Exit"; status=1; }
    # "Money: " and its number from (530, 453); "Lives: 3" from (20, 453).
    if [ "$(area "$before" 110x12+530+453)" = "$(area "$after" 110x12+530+453)" ]; then
        echo "the money in the status bar did not change"
        status=1
    fi
    if [ "$(area "$before" 80x12+20+453)" != "$(area "$after" 80x12+20+453)" ]; then
        echo "the lives text changed: the two screenshots do not line up"
        status=1
    fi
fi
rm -rf "$work"
[ "$status" -eq 0 ] && echo "shop visit passed"
exit $status
