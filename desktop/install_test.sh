#!/usr/bin/env bash
# The installed programs, under a virtual X server:
#   install_test.sh <build folder> <helper>
# Installs the build into a temporary prefix and, from a folder outside the
# source tree with a fresh home, starts each installed program on a file
# named on its command line (a project the helper writes) and waits for its
# window titled with the file's name; screenshots land in the build folder.
# The menu entries and the file types must be valid and registered, the
# designer must keep its working files in the data folder when its own
# folder cannot be written, and the Debian package must list its
# dependencies.
set -euo pipefail

if [ -z "${DVK_E2E_INNER:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1280x1024x24" env DVK_E2E_INNER=1 "$0" "$@"
fi

build=$(cd "$1" && pwd)
helper=$2
# In a sanitized build: what the system's bus library keeps is not ours.
src=$(cd "$(dirname "$0")/.." && pwd)
export LSAN_OPTIONS="${LSAN_OPTIONS:+$LSAN_OPTIONS:}suppressions=$src/apps/designer/e2e/lsan.supp"

work=$(mktemp -d)
chmod 755 "$work"
pid=
cleanup() {
  if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then kill -9 "$pid" || true; fi
  chmod -R u+w "$work" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "install: $*" >&2
  exit 1
}

# Runs the command until it succeeds, for up to fifteen seconds.
eventually() {
  for _ in $(seq 1 150); do
    if "$@"; then return 0; fi
    sleep 0.1
  done
  return 1
}

# A home of nobody's, none of the test's own folders.
unset DRAVIK_PROGRAM_DIR DRAVIK_DATA_DIR DRAVIK_RUNTIME_DIR LD_LIBRARY_PATH
export HOME=$work/home
export XDG_DATA_HOME=$HOME/.local/share XDG_CONFIG_HOME=$HOME/.config XDG_CACHE_HOME=$HOME/.cache
export XDG_RUNTIME_DIR=$work/runtime
export QT_QPA_PLATFORM=xcb
# The notice bar asks a local port where nothing listens.
export DRAVIK_NOTICE_URL=http://127.0.0.1:9/notice
mkdir -p "$HOME" "$XDG_RUNTIME_DIR" "$work/files"
chmod 700 "$XDG_RUNTIME_DIR"

prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" > "$work/install.log" 2>&1 ||
  { cat "$work/install.log" >&2; fail "cmake --install failed"; }
share=$prefix/share

# The programs find their libraries in the prefix, not in the build.
for program in dravik orvanta; do
  [ -x "$prefix/bin/$program" ] || fail "no $program installed"
  ldd "$prefix/bin/$program" > "$work/ldd.txt"
  grep -q "not found" "$work/ldd.txt" && fail "$program misses a library: $(grep 'not found' "$work/ldd.txt")"
  for lib in libdravikplatform.so "$([ "$program" = dravik ] && echo libveldrane.so || echo liblumaret.so)"; do
    grep -q "$lib => $prefix/[^ ]*/$lib" "$work/ldd.txt" || fail "$program does not find $lib in the prefix"
  done
done

# Menu entries, file types and icons.
desktop-file-validate "$share/applications/dravik.desktop" "$share/applications/orvanta.desktop" ||
  fail "a menu entry is not valid"
xmllint --noout "$share/mime/packages/dravik.xml" "$share/mime/packages/orvanta.xml" ||
  fail "a file-type package is not well-formed"
for glob in "application/x-dvk-document:\*.dvk" "application/x-dravik-form:\*.dkf" \
            "application/x-orvanta-document:\*.lmr"; do
  grep -q ":$glob\$" "$share/mime/globs2" || fail "the file types do not register ${glob//\\/}"
done
# A file manager starts the entry's program by the search path of the
# session, which need not hold the prefix (~/.local/bin only joins it at the
# next login): the entry names the installed program itself.
for program in dravik orvanta; do
  exec_line=$(grep '^Exec=' "$share/applications/$program.desktop")
  [ "$exec_line" = "Exec=$prefix/bin/$program %f" ] ||
    fail "the menu entry of $program starts '$exec_line', not the installed program"
done
grep -q '^application/x-dvk-document=dravik.desktop;' "$share/applications/mimeinfo.cache" ||
  fail "project files do not open in dravik"
grep -q '^application/x-orvanta-document=orvanta.desktop;' "$share/applications/mimeinfo.cache" ||
  fail "pixel projects do not open in orvanta"
for size in 16 48 256; do
  for program in dravik orvanta; do
    [ -s "$share/icons/hicolor/${size}x$size/apps/$program.png" ] || fail "no $size-pixel icon of $program"
  done
done

# Each program on a file named on its command line, as a file manager starts
# it, from a folder outside the source tree.
"$helper" blank "$work/files/sample.dvk" || fail "cannot write the project"
"$helper" lmrblank "$work/files/sample.lmr" || fail "cannot write the pixel project"
cd "$work/files"
run_on() {  # <program> <file> <title>
  "$prefix/bin/$1" "$2" &
  pid=$!
  local window
  window=$(eventually xdotool search --onlyvisible --name "$3" | head -1) ||
    fail "$1 shows no window '$3'"
  sleep 0.5
  "$helper" screenshot "$build/install-$1.png" || fail "no screenshot"
  xdotool windowfocus --sync "$window"
  xdotool key --clearmodifiers alt+f
  sleep 0.3
  xdotool key Up Return
  eventually bash -c "! kill -0 $pid 2>/dev/null" || fail "$1 did not end"
  wait "$pid" || fail "$1 ended with an error"
  pid=
}
run_on dravik sample.dvk 'sample.dvk - Dravik'
# Its working slots beside the installed program, whose folder is writable.
[ -d "$prefix/bin/prj0" ] || fail "dravik keeps no working slot beside itself"
run_on orvanta sample.lmr 'sample.lmr - Orvanta'

# A program folder that cannot be written (root may write anywhere: the
# designer runs as nobody there): the slots go to the data folder.
chmod a-w "$prefix/bin"
other=$work/other
mkdir -p "$other/home" "$other/runtime"
chmod 700 "$other/runtime"
as=()
if [ "$(id -u)" -eq 0 ]; then
  chown -R 65534:65534 "$other"
  as=(setpriv --reuid=65534 --regid=65534 --clear-groups)
fi
# (The run ends killed: no leak check, and the other user need not read the
# suppressions in the source tree.)
"${as[@]}" env -u LSAN_OPTIONS HOME="$other/home" XDG_DATA_HOME="$other/home/.local/share" \
  XDG_RUNTIME_DIR="$other/runtime" QT_QPA_PLATFORM=offscreen "$prefix/bin/dravik" &
pid=$!
eventually test -d "$other/home/.local/share/dravik/program/prj0" ||
  fail "with its folder read-only, dravik keeps no working slot in the data folder"
kill -9 "$pid"
wait "$pid" 2>/dev/null || true
pid=

# The Debian package of the same tree, made in a folder of its own.
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/package" > "$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log" >&2; fail "cpack failed"; }
deb=$(find "$work/package" -maxdepth 1 -name '*.deb' | head -1)
[ -n "$deb" ] || fail "cpack made no package"
dpkg-deb --info "$deb" > "$work/info.txt"
grep -E '^ Depends:.*libqt6widgets6' "$work/info.txt" || fail "the package lists no dependencies"
dpkg-deb --contents "$deb" > "$work/contents.txt"
for file in usr/bin/dravik usr/bin/orvanta usr/lib.*/dravik/libveldrane.so \
            usr/share/applications/orvanta.desktop usr/share/mime/packages/dravik.xml; do
  grep -q " \./$file\$" "$work/contents.txt" || fail "the package lacks /$file"
done
dpkg-deb --fsys-tarfile "$deb" | tar -xO ./usr/share/applications/dravik.desktop |
  grep -qx 'Exec=/usr/bin/dravik %f' || fail "the packaged menu entry does not start /usr/bin/dravik"
echo "install: all passed"
