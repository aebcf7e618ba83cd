#!/usr/bin/env bash
# End-to-end run of the image panel under a virtual X server, driven by real
# mouse and key events:
#   run_e2e_image.sh <dravik> <helper> <this folder> <build folder> <formats>
# The helper writes a project whose form holds one image object without a
# picture per format (60 x 50 dots from (10, 20), 75 dots apart; the program
# runs with short keys, whose palette has no image tool) and, for each
# format, a picture of four colour blocks (64 x 32: red, lime over blue,
# yellow). Each object is chosen with the mouse and gets its picture through
# the panel's "Load" and the file dialog, the path typed. A file that is no
# picture is refused with the panel's message and changes nothing. The
# screenshot must show each block at its place, the objects fitted to the
# pictures (30 dots high); the project is saved with Ctrl+S, the program
# closed and started again on the file, and the screenshot must show the same.
set -euo pipefail

if [ -z "${DVK_E2E_INNER:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1280x1024x24" env DVK_E2E_INNER=1 "$0" "$@"
fi

dravik=$1
helper=$2
src=$3
build=$4
read -r -a formats <<< "${5:-BMP}"

# shellcheck source-path=SCRIPTDIR source=e2e_common.sh
source "$src/e2e_common.sh"
"$helper" options 240 128 || fail "cannot write the option file"
project=$work/images.dvk
"$helper" frames "$project" "${#formats[@]}" || fail "cannot write the project"
pictures=()
for format in "${formats[@]}"; do
  extension=${format,,}
  [ "$extension" = jpeg ] && extension=jpg
  picture=$work/blocks.$extension
  "$helper" blocks "$picture" "$format" || fail "cannot write the $format picture"
  pictures+=("$picture")
done
bad=$work/notes.png
printf 'These are notes, not a picture.\n' > "$bad"
shot=$build/dravik-e2e-image.png

# The property host lies right of the palette (38 wide) and below the form
# bar (30 high) under the menu and the tool bar (49): "Load" at (8, 8) of it,
# 80 x 24.
load_x=86 load_y=$((49 + 30 + 8 + 12))

# Every check of the screenshot, "<colour> <x> <y>" or "not <x> <y>" for a
# pixel that must be no colour of a picture: per object, two points inside
# each block of 30 x 15 dots, and one below the fitted picture inside the
# rectangle the object had before it was fitted.
checks=()
for i in "${!formats[@]}"; do
  left=$((10 + 75 * i))
  for block in "FF0000 0 20" "00FF00 30 20" "0000FF 0 35" "FFFF00 30 35"; do
    read -r colour dx top <<< "$block"
    checks+=("$colour $(px $((left + dx + 6))) $(py $((top + 4)))")
    checks+=("$colour $(px $((left + dx + 24))) $(py $((top + 11)))")
  done
  checks+=("not $(px $((left + 30))) $(py 62)")
done
picture_colours='FF0000|00FF00|0000FF|FFFF00'

# What of the screenshot is wrong, nothing when all is right.
judge() {
  local check colour x y seen
  for check in "${checks[@]}"; do
    read -r colour x y <<< "$check"
    seen=$("$helper" pixel "$shot" "$x" "$y") || { echo "no pixel at $x, $y"; return; }
    if [ "$colour" = not ]; then
      if grep -Eqx "$picture_colours" <<< "$seen"; then
        echo "($x, $y) outside the pictures is $seen"
        return
      fi
    elif [ "$seen" != "$colour" ]; then
      echo "($x, $y) is $seen, not $colour"
      return
    fi
  done
}

# A screenshot judged every half second for up to five seconds.
check_screen() {
  local verdict=unjudged
  for _ in $(seq 1 10); do
    sleep 0.5
    "$helper" screenshot "$shot" || fail "cannot take a screenshot"
    verdict=$(judge)
    [ -z "$verdict" ] && return 0
  done
  fail "$1: the screenshot $shot: $verdict"
}

# Chooses object i with a click on its top edge, then loads a file into it
# through "Load" and the file dialog.
load() {  # <object> <path>
  local left=$((10 + 75 * $1))
  xdotool windowfocus --sync "$main"
  xdotool mousemove --window "$main" "$(px $((left + 30)))" "$(py 20)" click 1
  sleep 0.5
  xdotool mousemove --window "$main" "$load_x" "$load_y" click 1
  dialog 'Select an Image File' || fail "Load opened no file dialog"
  xdotool type --delay 20 "$2"
  xdotool key Return
  sleep 1
}

# ---- First run: load the pictures, a bad file, save, close.
"$dravik" "$project" &
pid=$!
main=$(find_window 'images.dvk - Dravik') || fail "run 1: the program shows no window"
before=$(md5sum < "$project")
sleep 0.5
for i in "${!formats[@]}"; do
  load "$i" "${pictures[$i]}"
done
"$helper" screenshot "$build/dravik-e2e-image-loaded.png" || true
load 0 "$bad"
expected="Loading Failed|Cannot load image from $bad"
eventually grep -qxF "$expected" "$work/ui.log" || fail "the file that is no picture was not refused"
[ "$(wc -l < "$work/ui.log")" -eq 1 ] || fail "more than the one message"
rm "$work/ui.log"
check_screen "run 1"
xdotool windowfocus --sync "$main"
xdotool key --clearmodifiers ctrl+s
saved() { [ "$(md5sum < "$project")" != "$before" ]; }
eventually saved || fail "Ctrl+S did not save the project"
close_program 'images.dvk - Dravik'
[ ! -s "$work/ui.log" ] || fail "run 1: the program asked questions"

# ---- Second run on the saved file: the pictures are back.
"$dravik" "$project" &
pid=$!
main=$(find_window 'images.dvk - Dravik') || fail "run 2: the program shows no window"
check_screen "run 2"
close_program 'images.dvk - Dravik'
[ ! -s "$work/ui.log" ] || fail "the program asked questions"
echo "e2e: passed (${formats[*]}); screenshot $shot"
