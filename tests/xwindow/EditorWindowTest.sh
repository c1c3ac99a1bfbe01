#!/usr/bin/env bash
# The editor in a real X11 window: the editor host opens it through the VST opcodes under Xvfb,
# xdotool drags the knob, clicks "Right" and drags again, and the test checks that the parameters
# changed in the plug-in, that the host received the automation and that the LCD followed. Then the
# editor is closed and reopened a few times, the wheel turns the knob, and the plug-in is closed with
# its editor open.
# Usage: EditorWindowTest.sh EDITOR_HOST OUTPUT_DIR   (exit 77: skipped, no Xvfb or xdotool here)
set -euo pipefail
host_binary="$1"
out="$2"
for tool in Xvfb xdotool import compare; do
    command -v "$tool" >/dev/null || { echo "skipped: $tool is not installed"; exit 77; }
done

mkdir -p "$out"
log="$out/editor-host.log"
input="$out/editor-host.input"
rm -f "$log" "$input" "$out"/editor-window-*.png
mkfifo "$input"

cleanup() {
    exec 4>&- 2>/dev/null || true
    [ -n "${host_pid:-}" ] && kill "$host_pid" 2>/dev/null || true
    [ -n "${xvfb_pid:-}" ] && kill "$xvfb_pid" 2>/dev/null || true
    rm -f "$input"
}
trap cleanup EXIT

Xvfb -displayfd 3 -screen 0 640x400x24 -nolisten tcp 3>"$out/display" 2>/dev/null &
xvfb_pid=$!
for _ in $(seq 100); do [ -s "$out/display" ] && break; sleep 0.1; done
export DISPLAY=":$(head -n 1 "$out/display")"

"$host_binary" <"$input" >"$log" 2>"$out/editor-host.errors" &
host_pid=$!
exec 4>"$input"

fail() { echo "FAIL: $*"; echo "--- host log"; cat "$log"; echo "--- host errors"; grep -v '^X error' "$out/editor-host.errors" || true; exit 1; }
wait_for() { for _ in $(seq 100); do grep -q "$1" "$log" && return 0; sleep 0.1; done; fail "no '$1' from the host"; }

wait_for '^ready '
window=$(xdotool search --sync --name "Halvorn editor host" | head -n 1)
sleep 0.5

shot() { import -window root -crop 430x110+0+0 +repage "$out/editor-window-$1.png"; }
lcd_changed() {
    local pixels
    pixels=$(compare -metric AE -crop 188x40+139+32 "$out/editor-window-$1.png" "$out/editor-window-$2.png" null: 2>&1 || true)
    [ "${pixels%% *}" != "0" ]
}
drag_knob_up() {
    xdotool mousemove --window "$window" 51 53 mousedown 1
    for y in 49 45 41 37 33 29 25; do xdotool mousemove --window "$window" 51 "$y"; sleep 0.05; done
    xdotool mouseup 1
    sleep 0.3
}

shot start
drag_knob_up
shot mix
xdotool mousemove --window "$window" 120 88 click 1
sleep 0.3
shot selected
drag_knob_up
shot predelay

for round in 1 2 3; do
    echo reopen >&4
    for _ in $(seq 100); do [ "$(grep -c '^reopened' "$log")" -ge "$round" ] && break; sleep 0.1; done
done
[ "$(grep -c '^reopened' "$log")" -eq 3 ] || fail "the editor did not reopen three times"
sleep 0.5
shot reopened

# The wheel over the knob edits too: the pointer is over the control, though no button is down.
before_wheel=$(grep -c '^automate 0 ' "$log")
xdotool mousemove --window "$window" 51 53
sleep 0.2
for _ in 1 2 3; do xdotool click 4; sleep 0.1; done
sleep 0.3
[ "$(grep -c '^automate 0 ' "$log")" -gt "$before_wheel" ] || fail "the mouse wheel over the knob did not reach the host"

exec 4>&-
wait "$host_pid" || fail "the host did not end cleanly"
host_pid=

grep -q '^automate 0 ' "$log" || fail "no automation of Mix reached the host"
grep -q '^automate 1 ' "$log" || fail "no automation of Predelay reached the host after clicking Right"
mix=$(awk '$1 == "value" && $2 == 0 { print $3 }' "$log")
predelay=$(awk '$1 == "value" && $2 == 1 { print $3 }' "$log")
awk -v v="$mix" 'BEGIN { exit !(v > 0.55) }' || fail "Mix is $mix, not raised by the drag"
awk -v v="$predelay" 'BEGIN { exit !(v > 0.15) }' || fail "Predelay is $predelay, not raised by the drag"
lcd_changed start mix || fail "the LCD did not follow the knob"
lcd_changed mix selected || fail "the LCD did not follow the selector"
lcd_changed selected predelay || fail "the LCD did not follow the second drag"
lcd_changed predelay reopened || fail "a reopened editor does not show Mix selected again"
echo "editor window test passed; screenshots in $out"
