# shellcheck shell=bash disable=SC2034,SC2154
# Shared part of the end-to-end scripts (the designer's and the pixel-art
# program's), sourced inside the virtual X server: a work folder removed at
# the end, the program's folders in it, the waiting helpers, and the
# designer's window state and screen layout.

work=$(mktemp -d)
pid=
cleanup() {
  if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then kill -9 "$pid" || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "e2e: $*" >&2
  [ -f "$work/ui.log" ] && { echo "e2e: questions asked:" >&2; cat "$work/ui.log" >&2; }
  exit 1
}

export QT_QPA_PLATFORM=xcb
# In a sanitized build: what the system's bus library keeps is not ours.
common_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
export LSAN_OPTIONS="${LSAN_OPTIONS:+$LSAN_OPTIONS:}suppressions=$common_dir/lsan.supp"
export DRAVIK_PROGRAM_DIR=$work/program
export DRAVIK_DATA_DIR=$work/data
export DRAVIK_RUNTIME_DIR=$work/runtime
export DRAVIK_UI_LOG=$work/ui.log
mkdir -p "$DRAVIK_PROGRAM_DIR" "$DRAVIK_DATA_DIR" "$DRAVIK_RUNTIME_DIR"
chmod 700 "$DRAVIK_RUNTIME_DIR"

# Window and LCD size fixed, so every position follows from the program's
# layout constants.
printf 'max=0&x=0&y=0&cx=900&cy=700' > "$DRAVIK_PROGRAM_DIR/dvk_wnds_state.dat"

# The first window whose name matches, waiting up to thirty seconds: a
# first start on a fresh machine builds its font caches.
find_window() {
  local id
  for _ in $(seq 1 300); do
    id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1 || true)
    if [ -n "$id" ]; then echo "$id"; return 0; fi
    sleep 0.1
  done
  return 1
}

# Waits for the dialog whose name matches and gives it the keyboard focus,
# so that what is typed next reaches it whole, however slowly it came up.
dialog() {
  local id
  id=$(find_window "$1") || return 1
  xdotool windowfocus --sync "$id" 2>/dev/null || true
  sleep 0.4
}

# Runs the command until it succeeds, for up to ten seconds: what the program
# writes after a key or a dialog takes longer in a checked build.
eventually() {
  for _ in $(seq 1 100); do
    if "$@"; then return 0; fi
    sleep 0.1
  done
  return 1
}

# Closes the main window (title given) with File > Exit and waits for the
# program to end.
close_program() {
  local main
  main=$(find_window "$1") || fail "no main window to close"
  xdotool windowfocus --sync "$main"
  xdotool key --clearmodifiers alt+f
  sleep 0.3
  xdotool key Up Return
  wait_program_end
}

# Waits up to ten seconds for the program to end, which it must do cleanly.
wait_program_end() {
  for _ in $(seq 1 100); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  kill -0 "$pid" 2>/dev/null && fail "the program did not end"
  wait "$pid" || fail "the program ended with an error"
  pid=
}

# The main window sits at the screen's origin (no window manager) with the
# size of the state file, so window and screen positions are the same. The
# LCD of 240 x 128 dots fills the page less 25 pixels each side: 690 pixels
# wide, 2.875 pixels a dot, its top left at (63, 241) in the window.
px() { echo $(((63 * 1000 + $1 * 2875 + 500) / 1000)); }
py() { echo $(((241 * 1000 + $1 * 2875 + 500) / 1000)); }
# The form tabs at the right: 55 x 29 at x 793, from y 58, 54 apart.
TAB_LEFT=793 TAB_TOP=58 TAB_WIDTH=55 TAB_HEIGHT=29 TAB_PITCH=54
