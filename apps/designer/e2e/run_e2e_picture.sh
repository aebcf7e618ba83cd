#!/usr/bin/env bash
# End-to-end run of the designer on a project whose form holds an image
# object, under a virtual X server:
#   run_e2e_picture.sh <dravik> <helper> <this folder> <build folder>
# The helper writes the project: a picture of four colour blocks (red, lime
# over blue, yellow), stretched over dots (20, 16) to (140, 96). The program
# starts on it; the screenshot must show each block's colour at its place on
# the LCD and none outside the picture, and the form's tab must show a
# thumbnail of the form, not the plain page background. The screenshot is
# kept in the build folder.
set -euo pipefail

if [ -z "${DVK_E2E_INNER:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1280x1024x24" env DVK_E2E_INNER=1 "$0" "$@"
fi

dravik=$1
helper=$2
src=$3
build=$4

# shellcheck source-path=SCRIPTDIR source=e2e_common.sh
source "$src/e2e_common.sh"
"$helper" options 240 128 || fail "cannot write the option file"
project=$work/picture.dvk
"$helper" picture "$project" || fail "cannot write the picture project"
shot=$build/dravik-e2e-picture.png

# Every check of the screenshot: "<colour> <x> <y>" for a pixel that must
# be that colour, "not <x> <y>" for one that must be no colour of the
# picture. Points in dots, off the 5-dot grid, well inside each block.
checks=()
block() {  # <colour> <left> <top> of a block of 60 x 40 dots
  local dx dy
  for offset in "12 8" "48 32" "28 21"; do
    read -r dx dy <<< "$offset"
    checks+=("$1 $(px $(($2 + dx))) $(py $(($3 + dy)))")
  done
}
block FF0000 20 16
block 00FF00 80 16
block 0000FF 20 56
block FFFF00 80 56
for point in "11 36" "152 36" "48 112" "108 8"; do
  read -r x y <<< "$point"
  checks+=("not $(px "$x") $(py "$y")")
done
picture_colours='FF0000|00FF00|0000FF|FFFF00'

# What of the screenshot is wrong, nothing when all is right.
judge() {
  local check colour x y seen thumbnail
  for check in "${checks[@]}"; do
    read -r colour x y <<< "$check"
    seen=$("$helper" pixel "$shot" "$x" "$y") || { echo "no pixel at $x, $y"; return; }
    if [ "$colour" = not ]; then
      if grep -Eqx "$picture_colours" <<< "$seen"; then
        echo "($x, $y) outside the picture is $seen"
        return
      fi
    elif [ "$seen" != "$colour" ]; then
      echo "($x, $y) is $seen, not $colour"
      return
    fi
  done
  # Form1's tab, inside its 3D frame: the form drawn small shows colours of
  # the picture besides the LCD's.
  thumbnail=$("$helper" colours "$shot" $((TAB_LEFT + 2)) $((TAB_TOP + 2)) \
    $((TAB_WIDTH - 4)) $((TAB_HEIGHT - 4))) || { echo "no tab in the screenshot"; return; }
  if [ "$(wc -l <<< "$thumbnail")" -lt 2 ]; then
    echo "the tab is filled with $thumbnail only"
  elif ! grep -Eqx "$picture_colours" <<< "$thumbnail"; then
    echo "the tab shows no colour of the picture: $(tr "\n" " " <<< "$thumbnail")"
  fi
}

"$dravik" "$project" &
pid=$!
find_window 'picture.dvk - Dravik' >/dev/null || fail "the program shows no window"
# The thumbnails are made as the project loads, the tab's timer renews a
# stale one within 1800 ms: a screenshot is judged every half second for
# up to five seconds.
verdict=unjudged
for _ in $(seq 1 10); do
  sleep 0.5
  "$helper" screenshot "$shot" || fail "cannot take a screenshot"
  verdict=$(judge)
  [ -z "$verdict" ] && break
done
[ -z "$verdict" ] || fail "the screenshot $shot: $verdict"
close_program 'picture.dvk - Dravik'
[ ! -s "$work/ui.log" ] || fail "the program asked questions"
echo "e2e: passed; screenshot $shot"
