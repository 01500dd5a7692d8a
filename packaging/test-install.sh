#!/usr/bin/env bash
# Install checks, each on a fresh install into a temporary prefix.
# Usage: test-install.sh launch|metadata|deb BUILD_DIR
#   launch    the installed tree is complete; PREFIX/bin/rebondo, started from an
#             unrelated folder under a private Xvfb, opens the "Rebondo" window
#             and quits with Y (status 0, nothing written); the same after the
#             whole tree is moved, started through a symbolic link
#   metadata  desktop-file-validate and man --warnings find nothing to say about
#             the desktop entry and the man page; the icon shows data/ico.bmp
#   deb       cpack builds a .deb holding the same tree under /usr, depending on
#             SDL 1.2 or its compatibility replacement
set -euo pipefail
mode=$1
build=$(cd "$2" && pwd)
src=$(cd "$(dirname "$0")/.." && pwd)

tmp=$(mktemp -d)
xvfb_pid=""
game_pid=""
cleanup() {
  if [ -n "$game_pid" ]; then kill -9 "$game_pid" 2>/dev/null || true; fi
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; fi
  wait 2>/dev/null || true
  rm -rf "$tmp"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

images=(background.bmp ball.bmp bar_l.bmp bar_r.bmp ico.bmp menu.bmp)
prefix=$tmp/prefix
cmake --install "$build" --prefix "$prefix" >"$tmp/install.log" || { cat "$tmp/install.log"; fail "install"; }

# The files of an installed tree, relative to its prefix.
check_tree() {
  local root=$1 f
  for f in bin/rebondo libexec/rebondo; do
    [ -f "$root/$f" ] && [ -x "$root/$f" ] || fail "$f is missing or not executable"
  done
  for f in "${images[@]}"; do
    cmp -s "$src/data/$f" "$root/share/rebondo/data/$f" || fail "share/rebondo/data/$f differs from data/$f"
  done
  for f in share/applications/rebondo.desktop share/icons/hicolor/32x32/apps/rebondo.png \
           share/man/man6/rebondo.6; do
    [ -s "$root/$f" ] || fail "$f is missing"
  done
}

start_xvfb() {
  Xvfb -displayfd 1 -screen 0 640x480x24 -nolisten tcp -noreset >"$tmp/display" 2>"$tmp/xvfb.log" &
  xvfb_pid=$!
  for _ in $(seq 200); do [ -s "$tmp/display" ] && break; sleep 0.05; done
  [ -s "$tmp/display" ] || { cat "$tmp/xvfb.log" >&2; fail "Xvfb did not start"; }
  export DISPLAY=":$(cat "$tmp/display")"
}

# Starts LAUNCHER from an empty folder, waits for its window, presses Y until
# it ends, and expects status 0 with nothing on stdout or stderr.
play_and_quit() {
  local launcher=$1 status=0
  mkdir -p "$tmp/elsewhere"
  (cd "$tmp/elsewhere" && LSAN_OPTIONS="suppressions=$src/packaging/lsan-x11.supp:print_suppressions=0" exec "$launcher") \
    >"$tmp/out" 2>"$tmp/err" &
  game_pid=$!
  for _ in $(seq 200); do
    kill -0 "$game_pid" 2>/dev/null || { cat "$tmp/err" >&2; fail "$launcher: ended before its window showed"; }
    xdotool search --onlyvisible --name '^Rebondo$' >"$tmp/window" 2>/dev/null && break
    sleep 0.1
  done
  [ -s "$tmp/window" ] || fail "$launcher: no Rebondo window"
  # Without a window manager keys go to the window under the pointer.
  xdotool mousemove --window "$(head -n1 "$tmp/window")" 10 10
  for _ in $(seq 50); do
    kill -0 "$game_pid" 2>/dev/null || break
    xdotool key y
    sleep 0.2
  done
  kill -0 "$game_pid" 2>/dev/null && fail "$launcher: Y did not end the game"
  wait "$game_pid" || status=$?
  game_pid=""
  [ "$status" -eq 0 ] || { cat "$tmp/err" >&2; fail "$launcher: exit status $status"; }
  [ ! -s "$tmp/out" ] && [ ! -s "$tmp/err" ] || { cat "$tmp/out" "$tmp/err" >&2; fail "$launcher: wrote output"; }
}

case "$mode" in
launch)
  check_tree "$prefix"
  start_xvfb
  play_and_quit "$prefix/bin/rebondo"
  mv "$prefix" "$tmp/moved"
  mkdir "$tmp/links"
  ln -s "$tmp/moved/bin/rebondo" "$tmp/links/rebondo"
  play_and_quit "$tmp/links/rebondo"
  ;;
metadata)
  desktop-file-validate "$prefix/share/applications/rebondo.desktop" >"$tmp/dfv" 2>&1 || true
  [ ! -s "$tmp/dfv" ] || { cat "$tmp/dfv" >&2; fail "desktop-file-validate"; }
  grep -qx 'Categories=Game;ArcadeGame;' "$prefix/share/applications/rebondo.desktop" ||
    fail "the desktop entry is not in Game;ArcadeGame"
  LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$prefix/share/man/man6/rebondo.6" >"$tmp/man" 2>"$tmp/manerr" ||
    fail "man could not format the page"
  [ ! -s "$tmp/manerr" ] || { cat "$tmp/manerr" >&2; fail "man --warnings"; }
  for section in NAME SYNOPSIS DESCRIPTION KEYS FILES "EXIT STATUS"; do
    grep -qx "$section" "$tmp/man" || fail "the man page has no $section section"
  done
  grep -qF "$prefix/share/rebondo/data/" "$tmp/man" || fail "the man page does not name the installed data folder"
  # The icon is the window icon, pixel for pixel (within the rounding of a
  # 16-bit image's colours).
  icon=$prefix/share/icons/hicolor/32x32/apps/rebondo.png
  [ "$(identify -format '%m %wx%h' "$icon")" = "PNG 32x32" ] || fail "the icon is not a 32x32 PNG"
  differing=$(compare -fuzz 3% -metric AE "$src/data/ico.bmp" "$icon" null: 2>&1) || true
  [ "$differing" = 0 ] || fail "the icon differs from data/ico.bmp in $differing pixels"
  ;;
deb)
  (cd "$build" && cpack -G DEB -B "$tmp/deb" >"$tmp/cpack.log" 2>&1) || { cat "$tmp/cpack.log" >&2; fail "cpack"; }
  deb=$(ls "$tmp"/deb/rebondo_*.deb)
  depends=$(dpkg-deb -f "$deb" Depends)
  echo "Depends: $depends"
  [[ "$depends" =~ (^|,\ )libsdl1\.2debian(\ \([^\)]*\))?\ \|\ libsdl1\.2-compat(,|$) ]] ||
    fail "Depends does not name SDL 1.2 or its compatibility library: $depends"
  [ "$(dpkg-deb -f "$deb" Section)" = games ] || fail "the package is not in section games"
  dpkg-deb -x "$deb" "$tmp/root"
  check_tree "$tmp/root/usr"
  grep -qF "/usr/share/rebondo/data/" "$tmp/root/usr/share/man/man6/rebondo.6" ||
    fail "the packaged man page does not name /usr/share/rebondo/data/"
  ;;
*)
  fail "unknown check: $mode"
  ;;
esac
echo "ok: $mode"
