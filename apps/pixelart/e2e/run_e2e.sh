#!/usr/bin/env bash
# End-to-end run of the pixel-art program under a virtual X server, driven by
# real mouse and key events:
#   run_e2e.sh <orvanta> <helper> <this folder> <build folder>
# A blank pixel project and an option file (a working area of two cells at
# the canvas's top left, pixels of 13) are written, the program starts on the
# project, the pencil, the line, the filled box and the ellipse draw in the
# zoomed view and a selection moves the box. A second selection is moved
# with Esc pressed before the button is let go: the move must end where it is
# shown (expected-moved.bas) and one undo must take it back. The project is
# saved with Ctrl+S, the window closes and the program starts again on the
# file. Both times the code dialog's "Copy To Clipboard" text must equal the
# hand-written DEFCHR source expected.bas beside this script. A third run,
# with real message boxes, draws, saves as into a folder that cannot exist
# and must see "Failed to save to disk." with the title and the file
# unchanged; Esc in the code panel's text must leave the panel; closing must
# still ask to save.
# Screenshots land in the build folder.
set -euo pipefail

if [ -z "${DVK_E2E_INNER:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1280x1024x24" env DVK_E2E_INNER=1 "$0" "$@"
fi

orvanta=$1
helper=$2
src=$3
build=$4

# shellcheck source-path=SCRIPTDIR source=../../designer/e2e/e2e_common.sh
source "$src/../../designer/e2e/e2e_common.sh"

# The notice bar asks a local port where nothing listens: the run touches no
# network, and the failed request leaves the built-in notices.
export DRAVIK_NOTICE_URL=http://127.0.0.1:9/notice

state=$DRAVIK_DATA_DIR/Orvanta
mkdir -p "$state"
# The main window at the screen's origin (no window manager) with a fixed
# size, so window and screen positions are the same.
printf 'max=0&x=0&y=0&cx=1000&cy=760' > "$state/dvk_wnds_state.dat"
# Working area: cells 0 and 1 of row 0 (pixels 0..31 x 0..15); the zoomed
# view draws a pixel as 13 screen pixels with a 1-pixel grid line.
"$helper" lmroptions "$state/lmr_goption.dat" 0 0 2 1 13 || fail "cannot write the option file"
project=$work/blank.lmr
"$helper" lmrblank "$project" || fail "cannot write the blank project"
cp "$project" "$work/untouched.lmr"

# Layout of the main window: the menu bar and the tool bar above the view
# take the first VIEW_TOP pixels (as Qt lays them out here). In the engine's
# host window the zoomed tool frame starts right of the default split bar
# (370 + 4) and 5 down; its buttons (24 square) form one row from (5, 5), the
# view below them from (5, 34), its viewport without a frame (FRAME 0).
# In the view pixel x is at 40 + 14 x.
VIEW_TOP=49
FRAME=0
eframe_x=374
eframe_y=$((VIEW_TOP + 5))
zx() { echo $((eframe_x + 5 + FRAME + 40 + $1 * 14 + 6)); }
zy() { echo $((eframe_y + 34 + FRAME + 40 + $1 * 14 + 6)); }
TOOL_PENCIL=0 TOOL_LINE=1 TOOL_ELLIPSE=3 TOOL_FBOX=4 TOOL_SELECT=6
tool() {  # <index in the button row>
  xdotool mousemove --window "$main" $((eframe_x + 5 + $1 * 24 + 12)) $((eframe_y + 5 + 12)) click 1
  sleep 0.2
}
click() {  # <x> <y> in pixels
  xdotool mousemove --window "$main" "$(zx "$1")" "$(zy "$2")" click 1
  sleep 0.2
}
drag() {  # <x1> <y1> <x2> <y2> in pixels
  xdotool mousemove --window "$main" "$(zx "$1")" "$(zy "$2")" mousedown 1
  sleep 0.1
  xdotool mousemove --window "$main" "$(zx $((($1 + $3) / 2)))" "$(zy $((($2 + $4) / 2)))"
  sleep 0.1
  xdotool mousemove --window "$main" "$(zx "$3")" "$(zy "$4")"
  sleep 0.1
  xdotool mouseup 1
  sleep 0.3
}

# The code dialog lies under the whole-canvas frame: from (5, 344) of the
# host window down to 32 above its bottom, its "Copy To Clipboard" button
# (110 x 24) 5 in from its left and 5 above its bottom.
check_code() {  # <name of the step> <expected source beside this script>
  local step=$1 expected=$src/$2 host_h x y
  eval "$(xdotool getwindowgeometry --shell "$main")"
  host_h=$((HEIGHT - VIEW_TOP))
  x=$((5 + 5 + 55))
  y=$((VIEW_TOP + host_h - 32 - 5 - 12))
  # Pressed again on every try: a press that came too early is not lost.
  clip() {
    xdotool mousemove --window "$main" "$x" "$y" click 1
    "$helper" clipboard "$work/clip-$step.bas" "$build/orvanta-e2e-$step.png" 2>/dev/null &&
      cmp -s "$work/clip-$step.bas" "$expected"
  }
  eventually clip || {
    [ -f "$work/clip-$step.bas" ] && od -c "$work/clip-$step.bas" | head -40 >&2
    fail "$step: the clipboard text is not the expected DEFCHR source $2"
  }
}

start() {
  "$orvanta" "$project" &
  pid=$!
  main=$(find_window 'blank.lmr - Orvanta') || fail "no main window"
  xdotool windowfocus --sync "$main"
  sleep 0.5
}

# ---- First run: draw, move, save.
start
# Pencil: two single pixels on row 1.
tool $TOOL_PENCIL
click 1 1
click 3 1
# Line: a row of eight, and a diagonal of four.
tool $TOOL_LINE
drag 0 4 7 4
drag 10 0 13 3
# Filled box of 4 x 4 in the second cell.
tool $TOOL_FBOX
drag 18 2 21 5
# Ellipse in a box of 3 x 3.
tool $TOOL_ELLIPSE
drag 24 8 26 10
# The filled box is selected and moved 7 down.
tool $TOOL_SELECT
drag 18 2 21 5
drag 19 3 19 10
# Another tool ends the selection's move.
tool $TOOL_PENCIL
# The two pencil pixels and the row of eight (0..7 x 1..4) are selected and
# grabbed; Esc while the button is still down ends the move 3 right and 6
# down as one step and drops the selection; the release then does nothing.
tool $TOOL_SELECT
drag 0 1 7 4
xdotool mousemove --window "$main" "$(zx 3)" "$(zy 2)" mousedown 1
sleep 0.1
xdotool mousemove --window "$main" "$(zx 4)" "$(zy 5)"
sleep 0.1
xdotool mousemove --window "$main" "$(zx 6)" "$(zy 8)"
sleep 0.1
xdotool key Escape
sleep 0.2
xdotool mouseup 1
sleep 0.3
check_code move-esc expected-moved.bas
# One undo puts the pixels back where they were before the move.
xdotool key --clearmodifiers ctrl+z
check_code move-undo expected.bas

xdotool key --clearmodifiers ctrl+s
saved() { ! cmp -s "$project" "$work/untouched.lmr"; }
eventually saved || fail "Ctrl+S did not write the project"
check_code run1 expected.bas
close_program 'blank.lmr - Orvanta'

# ---- Second run: the saved file gives the same source.
start
check_code run2 expected.bas
close_program 'blank.lmr - Orvanta'

[ ! -s "$work/ui.log" ] || fail "the program asked questions"

# ---- Third run, with the program's own message boxes on the screen: a Save
# As that cannot write says so and leaves the document as it was; Esc in the
# code panel leaves the panel shown.
start_boxed() {
  env -u DRAVIK_UI_LOG "$orvanta" "$project" &
  pid=$!
  main=$(find_window 'blank.lmr - Orvanta') || fail "no main window"
  xdotool windowfocus --sync "$main"
  sleep 0.5
}
gone() { ! xdotool search --onlyvisible --name "$1" >/dev/null 2>&1; }
cp "$project" "$work/saved.lmr"
# A folder that is a plain file: nobody can write in it, not even root.
printf 'x' > "$work/plain"
start_boxed
tool $TOOL_PENCIL
click 30 14
# File > Save As: from the menu's first item past New, Open and Save.
xdotool key --clearmodifiers alt+f
sleep 0.3
xdotool key Down Down Down Return
dialog 'Save project' || fail "Save As opened no file dialog"
xdotool key ctrl+a
xdotool type --delay 20 "$work/plain/orvan.lmr"
xdotool key Return
box=$(find_window '^Error$') || fail "a Save As that cannot write said nothing"
"$helper" screenshot "$build/orvanta-e2e-savefail.png" || fail "no screenshot of the message"
[ "$(xdotool getwindowname "$box")" = "Error" ] || fail "the message box is not the error"
xdotool windowfocus --sync "$box" 2>/dev/null || true
xdotool key Return
eventually gone '^Error$' || fail "the message box did not go"
[ "$(xdotool getwindowname "$main")" = "blank.lmr - Orvanta" ] ||
  fail "a failed Save As changed the title to '$(xdotool getwindowname "$main")'"
[ ! -e "$work/plain/orvan.lmr" ] || fail "a failed Save As wrote a file"
cmp -s "$project" "$work/saved.lmr" || fail "a failed Save As changed the project file"

# Esc with the focus in the code panel's text: the panel stays. Its text and
# buttons are compared on screenshots before and after.
panel_colours() {
  local host_h
  eval "$(xdotool getwindowgeometry --shell "$main")"
  host_h=$((HEIGHT - VIEW_TOP))
  "$helper" screenshot "$build/orvanta-e2e-$1.png" || fail "no screenshot"
  "$helper" colours "$build/orvanta-e2e-$1.png" 10 $((VIEW_TOP + 344 + 57)) 280 \
    $((host_h - 344 - 32 - 57)) | sort
}
xdotool mousemove --window "$main" 60 $((VIEW_TOP + 344 + 57 + 20)) click 1
sleep 0.3
before=$(panel_colours code-before-esc)
xdotool key Escape
sleep 0.5
after=$(panel_colours code-after-esc)
# Told after the close, so that the rest of the run is checked either way.
panel_kept=yes
[ "$before" = "$after" ] || panel_kept=no

# The document is still modified: closing asks to save it.
xdotool windowfocus --sync "$main"
xdotool key --clearmodifiers alt+f
sleep 0.3
xdotool key Up Return
question=$(find_window '^Orvanta$') || fail "closing after a failed Save As asked nothing"
xdotool windowfocus --sync "$question" 2>/dev/null || true
xdotool key alt+n
wait_program_end
cmp -s "$project" "$work/saved.lmr" || fail "answering No changed the project file"
[ "$panel_kept" = yes ] || fail "Esc in the code panel's text hid the panel"

echo "e2e: passed; screenshots in $build"
