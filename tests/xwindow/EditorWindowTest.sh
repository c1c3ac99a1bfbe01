#!/usr/bin/env bash
# The editor in a real X11 window: the editor host opens it through the VST opcodes under Xvfb, with
# no window manager, and drives it from its GUI thread through the editor's idle opcode as Linux hosts
# do; xdotool plays the user. Scenarios:
#   edit              xdotool drags the knob, clicks "Right" and drags again; the parameters change in
#                     the plug-in, the host receives the automation and the LCD follows. Then the editor
#                     is closed and reopened a few times, the host changes programs with the pointer
#                     resting on the knob, which sends no automation, the wheel turns the knob, and the
#                     plug-in is closed with its editor open. No X error reaches the host's handler.
#   serialising-host  a host that holds one lock around every call into the plug-in and takes it in its
#                     callback, and changes programs from its audio thread: with a mouse button held
#                     on the knob it closes the editor, reopens it and closes the plug-in, three
#                     times, each within a time limit; the editor calls the host only on its GUI thread.
#   default-x-errors  a host that keeps Xlib's default X error handler, which ends the process at the
#                     first X error, and traps X errors on a thread of its own meanwhile, opens and
#                     closes the editor ten times and exits normally; after unloading the plug-in, its
#                     X errors reach its own handler.
#   x-error-traps     a host thread traps X errors over and over, swapping the process-wide handler in
#                     and out, while the GUI thread idles, reopens the editor and raises X errors of its
#                     own. No trap finds another handler in place, and the host's errors reach its own
#                     handlers, with the plug-in loaded and after it was unloaded.
#   close-in-callbacks  during a drag on the knob, a worker holding a lock that the host's automation
#                     callback waits for asks for the editor's bounds, which answers at once that
#                     there is no editor, and closes a second instance and the editor; then the host closes
#                     the editor from inside its automation callback, after which no automation arrives
#                     until the host has opened a new one. Each close returns in time, and the host
#                     opens a new editor after each.
#   reopen-in-callback  during a drag on the knob, a worker closes the editor while the GUI thread is
#                     inside its automation callback, and the GUI thread opens a new one in the same
#                     window from inside that callback. Afterwards the editor shows in the host's
#                     window and a drag on its knob sends automation.
#   shown-at-open     a worker thread of the host's closes the editor, opens a new one and ends while
#                     the GUI thread does not idle, three times: each time the editor shows, drawn, in
#                     the host's window before anything idles it, and a drag on it sends automation
#                     once the host idles again.
#   reopened-after-quiet  the host closes the editor and idles on without one for longer than the
#                     plug-in keeps JUCE as the editor left it, then opens a new one in the same window:
#                     it shows, drawn, and a drag on its knob sends automation.
# Usage: EditorWindowTest.sh EDITOR_HOST OUTPUT_DIR [SCENARIO]   (exit 77: skipped, no Xvfb or xdotool here)
set -euo pipefail
host_binary="$1"
out="$2"
scenario="${3:-edit}"
for tool in Xvfb xdotool xwininfo import compare identify; do
    command -v "$tool" >/dev/null || { echo "skipped: $tool is not installed"; exit 77; }
done

# How long a host may take to close the editor, reopen it or close the plug-in.
host_call_limit_s=10

mkdir -p "$out"
log="$out/$scenario-host.log"
errors="$out/$scenario-host.errors"
input="$out/$scenario-host.input"
display_number="$out/$scenario-display"
rm -f "$log" "$errors" "$input" "$display_number"
mkfifo "$input"

cleanup() {
    exec 4>&- 2>/dev/null || true
    rm -f "$out/dragging"
    [ -n "${host_pid:-}" ] && kill "$host_pid" 2>/dev/null || true
    [ -n "${xvfb_pid:-}" ] && kill "$xvfb_pid" 2>/dev/null || true
    rm -f "$input"
}
trap cleanup EXIT

# Running, not merely waiting to be reaped.
host_running() { local state; state=$(ps -o stat= -p "$host_pid" 2>/dev/null) && [ "${state:0:1}" != Z ]; }
fail() { echo "FAIL ($scenario): $*"; echo "--- host log"; cat "$log"; echo "--- host errors"; cat "$errors" || true; exit 1; }
wait_for() { for _ in $(seq 100); do grep -q "$1" "$log" && return 0; sleep 0.1; done; fail "no '$1' from the host"; }
wait_for_count() {
    local pattern="$1" count="$2" what="$3"
    for _ in $(seq $((host_call_limit_s * 10))); do
        [ "$(grep -c "$pattern" "$log")" -ge "$count" ] && return 0
        host_running || fail "the host ended while it $what"
        sleep 0.1
    done
    fail "the host did not return within $host_call_limit_s s while it $what"
}

Xvfb -displayfd 3 -screen 0 640x400x24 -nolisten tcp 3>"$display_number" 2>/dev/null &
xvfb_pid=$!
for _ in $(seq 100); do [ -s "$display_number" ] && break; sleep 0.1; done
export DISPLAY=":$(head -n 1 "$display_number")"

start_host() {
    : >"$log"
    "$host_binary" "$@" <"$input" >>"$log" 2>>"$errors" &
    host_pid=$!
    exec 4>"$input"
    wait_for '^ready '
    window=$(xdotool search --sync --name "Halvorn editor host" | head -n 1)
    sleep 0.5
}

# Ends the input, on which the host closes the plug-in with its editor open, and expects it to exit
# cleanly in time.
close_host() {
    exec 4>&-
    for _ in $(seq $((host_call_limit_s * 10))); do host_running || break; sleep 0.1; done
    host_running && fail "the host did not close the plug-in within $host_call_limit_s s"
    wait "$host_pid" || fail "the host did not end cleanly"
    host_pid=
}

reopen_editor() {
    echo reopen >&4
    wait_for_count '^reopened' "$1" "closed and reopened the editor"
}

# Holds the mouse button down on the knob and keeps dragging until stop_drag, in screen coordinates,
# so the drag outlives the window it started in. The plug-in keeps asking the host for idle time and
# reporting automation meanwhile.
start_drag() {
    eval "$(xdotool getwindowgeometry --shell "$window" | sed -n 's/^X=/x0=/p; s/^Y=/y0=/p')"
    xdotool mousemove --window "$window" 51 53 mousedown 1
    touch "$out/dragging"
    x=$((x0 + 51))
    while [ -e "$out/dragging" ]; do
        # A busy X server may turn a connection away now and then; the drag goes on regardless.
        xdotool mousemove "$x" $((y0 + 49)) sleep 0.01 mousemove "$x" $((y0 + 45)) sleep 0.01 \
                mousemove "$x" $((y0 + 41)) sleep 0.01 mousemove "$x" $((y0 + 45)) sleep 0.01 2>/dev/null || true
    done 4>&- &
    dragger=$!
    sleep 0.3
}

stop_drag() {
    rm "$out/dragging"
    wait "$dragger"
    dragger=
    xdotool mouseup 1
}

shot() { import -window root -crop 430x110+0+0 +repage "$out/editor-window-$1.png"; }
lcd_changed() {
    local pixels
    pixels=$(compare -metric AE -crop 188x40+139+32 "$out/editor-window-$1.png" "$out/editor-window-$2.png" null: 2>&1 || true)
    [ "${pixels%% *}" != "0" ]
}
# The editor is mapped in the host's window and drawn there.
expect_editor_shown() {
    local showing= child colours
    for child in $(xwininfo -children -id "$window" | awk '$1 ~ /^0x/ { print $1 }'); do
        xwininfo -id "$child" | grep -q 'Map State: IsViewable' && showing=$child
    done
    [ -n "$showing" ] || fail "$1: no editor window shows in the host's window"
    shot "$1"
    colours=$(identify -format %k "$out/editor-window-$1.png")
    [ "$colours" -gt 16 ] || fail "$1: the editor's area shows $colours colours: the editor is not drawn"
}
drag_knob_up() {
    xdotool mousemove --window "$window" 51 53 mousedown 1
    for y in 49 45 41 37 33 29 25; do xdotool mousemove --window "$window" 51 "$y"; sleep 0.05; done
    xdotool mouseup 1
    sleep 0.3
}

case "$scenario" in
edit)
    rm -f "$out"/editor-window-*.png
    start_host
    shot start
    drag_knob_up
    shot mix
    xdotool mousemove --window "$window" 120 88 click 1
    sleep 0.3
    shot selected
    drag_knob_up
    shot predelay
    # As the drags left them, before the program changes below move Predelay.
    echo values >&4
    wait_for '^value 4 '

    for round in 1 2 3; do reopen_editor "$round"; done
    sleep 0.5
    shot reopened

    # With Predelay on the knob, each program change selects Mix again and so moves the knob under the
    # resting pointer: not an edit of the user's.
    xdotool mousemove --window "$window" 120 88 click 1
    sleep 0.3
    xdotool mousemove --window "$window" 51 53
    sleep 0.2
    before_programs=$(grep -c '^automate ' "$log")
    for program in 3 7 12 0; do
        echo "program $program" >&4
        wait_for "^program $program selected"
        sleep 0.2
    done
    [ "$(grep -c '^automate ' "$log")" -eq "$before_programs" ] || fail "program changes with the pointer resting on the knob sent automation to the host"

    # The wheel over the knob edits too: the pointer is over the control, though no button is down.
    before_wheel=$(grep -c '^automate 0 ' "$log")
    for _ in 1 2 3; do xdotool click 4; sleep 0.1; done
    sleep 0.3
    [ "$(grep -c '^automate 0 ' "$log")" -gt "$before_wheel" ] || fail "the mouse wheel over the knob did not reach the host"

    close_host
    grep -q '^automate 0 ' "$log" || fail "no automation of Mix reached the host"
    grep -q '^automate 1 ' "$log" || fail "no automation of Predelay reached the host after clicking Right"
    mix=$(awk '$1 == "value" && $2 == 0 { print $3; exit }' "$log")
    predelay=$(awk '$1 == "value" && $2 == 1 { print $3; exit }' "$log")
    awk -v v="$mix" 'BEGIN { exit !(v > 0.55) }' || fail "Mix is $mix, not raised by the drag"
    awk -v v="$predelay" 'BEGIN { exit !(v > 0.15) }' || fail "Predelay is $predelay, not raised by the drag"
    lcd_changed start mix || fail "the LCD did not follow the knob"
    lcd_changed mix selected || fail "the LCD did not follow the selector"
    lcd_changed selected predelay || fail "the LCD did not follow the second drag"
    lcd_changed predelay reopened || fail "a reopened editor does not show Mix selected again"
    ! grep -q '^X error' "$errors" || fail "X errors reached the host's error handler"
    ! grep -q '^off the GUI thread' "$log" || fail "the editor called the host on another thread than its GUI thread"
    ;;
serialising-host)
    for round in 1 2 3; do
        start_host --serialise-calls --play
        start_drag
        reopen_editor 1
        sleep 0.3
        close_host
        stop_drag
        grep -q '^automate 0 ' "$log" || fail "round $round: the held button dragged no automation to the host"
        ! grep -q '^off the GUI thread' "$log" || fail "round $round: the editor called the host on another thread than its GUI thread"
    done
    ;;
default-x-errors)
    start_host --default-x-errors --x-error-traps
    for round in $(seq 10); do reopen_editor "$round"; done
    close_host
    grep -q '^host X errors raised 2 received 2$' "$log" || fail "after the plug-in was unloaded, the host's X errors did not reach its own handler"
    ! grep -q '^a host X error trap was replaced' "$log" || fail "another X error handler replaced the host's trap while it was in place"
    ;;
x-error-traps)
    start_host --x-error-traps
    for round in 1 2 3 4 5; do reopen_editor "$round"; done
    echo raise-x-errors >&4
    wait_for_count '^host X errors raised' 1 "raised X errors on its own connection"
    for round in 6 7 8 9 10; do reopen_editor "$round"; done
    close_host
    [ "$(grep -c '^host X errors raised 2 received 2$' "$log")" -eq 2 ] \
        || fail "the host's X errors did not all reach its own handlers, with the plug-in loaded and after it was unloaded"
    ! grep -q '^a host X error trap was replaced' "$log" || fail "another X error handler replaced the host's trap while it was in place"
    ! grep -q '^X error' "$errors" || fail "X errors that the host did not raise reached its handler"
    ;;
close-in-callbacks)
    start_host --second-instance
    start_drag
    echo close-under-lock >&4
    wait_for_count '^closed under lock' 1 "closed an instance and the editor under a lock that its GUI thread waited for"
    grep -q '^closed under lock while the GUI thread waited' "$log" || fail "the automation callback never waited for the worker's lock"
    grep -q '^editor request under lock answered 0$' "$log" || fail "an editor request did not answer at once while the thread holding JUCE was inside a call to the host"
    wait_for_count '^reopened' 1 "opened a new editor"
    stop_drag
    start_drag
    echo close-in-automation >&4
    wait_for_count '^closed inside automation' 1 "closed the editor inside its automation callback"
    wait_for_count '^reopened' 2 "opened a new editor"
    stop_drag
    close_host
    awk '/^closed inside automation/ { closed = 1 } /^reopened/ { closed = 0 } closed && /^automate / { exit 1 }' "$log" \
        || fail "the editor sent automation after the host closed it, before the host opened a new one"
    ! grep -q '^X error' "$errors" || fail "X errors reached the host's error handler"
    ! grep -q '^off the GUI thread' "$log" || fail "the editor called the host on another thread than its GUI thread"
    ;;
reopen-in-callback)
    start_host
    start_drag
    echo reopen-in-automation >&4
    wait_for_count '^opened again inside automation' 1 "closed the editor on a worker and opened it again inside its automation callback"
    stop_drag
    sleep 0.5
    grep -q '^opened again inside automation, answered 1$' "$log" || fail "opening the editor again inside the callback failed"
    ! grep -q "^the worker's close waited" "$log" || fail "the worker's close waited for the GUI thread"
    expect_editor_shown reopened-in-callback
    before_drag=$(grep -c '^automate 0 ' "$log" || true)
    drag_knob_up
    [ "$(grep -c '^automate 0 ' "$log")" -gt "$before_drag" ] || fail "a drag on the editor opened again sent no automation"
    close_host
    ! grep -q '^X error' "$errors" || fail "X errors reached the host's error handler"
    ! grep -q '^off the GUI thread' "$log" || fail "the editor called the host on another thread than its GUI thread"
    ;;
shown-at-open)
    start_host
    for round in 1 2 3; do
        echo reopen-on-worker >&4
        wait_for_count '^reopened on a worker' "$round" "opened the editor on a worker"
        [ "$(grep -c '^reopened on a worker, answered 1$' "$log")" -eq "$round" ] || fail "round $round: opening the editor on a worker failed"
        expect_editor_shown "opened-on-worker-$round"
        echo resume-idle >&4
        wait_for_count '^idling again' "$round" "idled again"
    done
    before_drag=$(grep -c '^automate 0 ' "$log" || true)
    drag_knob_up
    [ "$(grep -c '^automate 0 ' "$log")" -gt "$before_drag" ] || fail "a drag on the editor opened on a worker sent no automation"
    close_host
    ! grep -q '^X error' "$errors" || fail "X errors reached the host's error handler"
    ;;
reopened-after-quiet)
    start_host
    for round in 1 2; do
        echo reopen-after-quiet >&4
        wait_for_count '^reopened after quiet' "$round" "opened the editor again after a while without one"
        [ "$(grep -c '^reopened after quiet, answered 1$' "$log")" -eq "$round" ] || fail "round $round: opening the editor again failed"
        sleep 0.5
        expect_editor_shown "reopened-after-quiet-$round"
        before_drag=$(grep -c '^automate 0 ' "$log" || true)
        drag_knob_up
        [ "$(grep -c '^automate 0 ' "$log")" -gt "$before_drag" ] || fail "round $round: a drag on the editor opened again sent no automation"
    done
    close_host
    ! grep -q '^X error' "$errors" || fail "X errors reached the host's error handler"
    ;;
*)
    echo "unknown scenario '$scenario'"
    exit 2
    ;;
esac
echo "editor window test ($scenario) passed; output in $out"
