#!/usr/bin/env bash
# Takes the README's pictures from the real game window under a virtual X
# server, so they can be remade whenever the art changes:
#   docs/menu.png   the menu as the game shows it
#   docs/play.png   a moment of the two-paddle match
#   docs/rally.gif  a short rally, the paddles steered by this script
# The grabs are scaled to twice their size, pixel for pixel, for the README.
#
# Usage: art/screenshots.sh [BUILD_DIR]     (default: build-shots, built here)
# Needs Xvfb, xdotool and ImageMagick (tools/setup test installs them). Run by
# hand; it takes about half a minute.
#
# The game runs at a few hundred frames a second, faster than a screen grab,
# so the rally is filmed in steps: the game is stopped (SIGSTOP), its window
# grabbed, the ball found by its colour, the paddle keys sent, and the game let
# run for a few milliseconds (SIGCONT) before the next grab.
set -euo pipefail
cd "$(dirname "$0")/.."

build=${1:-build-shots}
step_s=0.03            # game time between two frames of the rally
gif_delay_cs=3         # the same, in the GIF's hundredths of a second
rally_frames=150       # frames of the rally to film
ball_colour='#F8A820'  # the ball's body colour, used by nothing else in play
hit_left=10            # ball x at which the left paddle sends it back
hit_right=305          # ball x at which the right paddle sends it back
court_h=240            # the ball turns at y 0 and y 240

if [ ! -x "$build/rebondo" ]; then
  cmake -S . -B "$build" -DBUILD_TESTING=OFF >/dev/null
  cmake --build "$build" --target rebondo >/dev/null
fi

work=$(mktemp -d)
xvfb_pid="" game_pid=""
cleanup() {
  # The game turns SIGTERM into an event it ignores: only SIGKILL ends it.
  [ -n "$game_pid" ] && kill -9 "$game_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# A free display number.
display=90
while [ -e "/tmp/.X${display}-lock" ] || [ -e "/tmp/.X11-unix/X${display}" ]; do
  display=$((display + 1))
done
Xvfb ":$display" -screen 0 640x480x24 -noreset >/dev/null 2>&1 &
xvfb_pid=$!
disown
export DISPLAY=":$display"
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done

"$build/rebondo" &
game_pid=$!
disown  # no "Killed" notice at the end
window=""
for _ in $(seq 50); do
  window=$(xdotool search --name '^Rebondo$' 2>/dev/null | head -1) && [ -n "$window" ] && break
  sleep 0.1
done
[ -n "$window" ] || { echo "screenshots: the game window did not appear" >&2; exit 1; }
# Keys reach the window only while the pointer is inside it.
xdotool mousemove --window "$window" 160 120
sleep 0.5

# Doubles a grab's pixels: $1 to $2.
enlarge() { convert "$1" -scale 200% "$2"; }

mkdir -p docs
import -window "$window" "$work/menu.png"
enlarge "$work/menu.png" docs/menu.png

# --- The rally ---------------------------------------------------------------

# Prints "x y" of the ball's top-left corner in a grab, or nothing.
ball_at() {
  local box
  box=$(convert "$1" -fuzz 10% -fill black +opaque "$ball_colour" -format '%@' info: 2>/dev/null)
  # box is WxH+X+Y; a grab without the ball trims to nothing (0x0 or 1x1).
  [[ $box =~ ^([0-9]+)x([0-9]+)\+([0-9]+)\+([0-9]+)$ ]] || return 0
  if [ "${BASH_REMATCH[1]}" -ge 3 ]; then echo "${BASH_REMATCH[3]} ${BASH_REMATCH[4]}"; fi
}

# Where along y the ball will be when it reaches x=$3, from (x, y) = ($1, $2)
# moving one pixel a frame along (dx, dy) = ($4, $5): unfolded, then folded
# back between the top and the bottom.
predict_y() {
  local x=$1 y=$2 target=$3 dx=$4 dy=$5
  local frames=$(( (target - x) * dx ))
  local t=$(( (y + dy * frames) % (2 * court_h) ))
  [ "$t" -lt 0 ] && t=$(( t + 2 * court_h ))
  [ "$t" -gt "$court_h" ] && t=$(( 2 * court_h - t ))
  echo "$t"
}

# Paddle tops as the game moves them: 25 pixels a press, put back at 0 or 180
# by the press after an overshoot. Both start at 90.
left_y=90 right_y=90
# One press at most per frame, towards a top that centres the ball's y ($2).
steer() {
  local side=$1 want=$(( $2 - 28 )) now up down
  if [ "$side" = left ]; then now=$left_y up=q down=a; else now=$right_y up=Up down=Down; fi
  if [ "$now" -gt $(( want + 12 )) ]; then
    xdotool key "$up"
    if [ "$now" -gt 0 ]; then now=$(( now - 25 )); else now=0; fi
  elif [ "$now" -lt $(( want - 12 )) ] && [ "$now" -le 179 ]; then
    xdotool key "$down"
    now=$(( now + 25 ))
  fi
  if [ "$side" = left ]; then left_y=$now; else right_y=$now; fi
}

xdotool key b
sleep 0.2
kill -STOP "$game_pid"
prev_x="" prev_y="" hits=0 last_dx=0 play_taken=""
for i in $(seq -w 1 "$rally_frames"); do
  frame="$work/frame$i.png"
  import -window "$window" "$frame"
  pos=$(ball_at "$frame")
  x="" y=""
  [ -n "$pos" ] && read -r x y <<<"$pos"
  if [ -n "$x" ] && [ -n "$prev_x" ] && [ "$x" -ne "$prev_x" ] && [ "$y" -ne "$prev_y" ]; then
    dx=$(( x > prev_x ? 1 : -1 )) dy=$(( y > prev_y ? 1 : -1 ))
    [ "$dx" -ne "$last_dx" ] && [ "$last_dx" -ne 0 ] && hits=$((hits + 1))
    last_dx=$dx
    if [ "$dx" -gt 0 ]; then
      steer right "$(predict_y "$x" "$y" "$hit_right" "$dx" "$dy")"
    else
      steer left "$(predict_y "$x" "$y" "$hit_left" "$dx" "$dy")"
    fi
    # The still of play: after the first return, the ball in mid-court.
    if [ -z "$play_taken" ] && [ "$hits" -ge 1 ] && [ "$x" -ge 180 ] && [ "$x" -le 230 ]; then
      enlarge "$frame" docs/play.png
      play_taken=yes
    fi
  fi
  [ -n "$x" ] && prev_x=$x prev_y=$y
  kill -CONT "$game_pid"
  sleep "$step_s"
  kill -STOP "$game_pid"
done
kill -CONT "$game_pid"

[ -n "$play_taken" ] || enlarge "$frame" docs/play.png
convert -delay "$gif_delay_cs" -loop 0 "$work"/frame*.png -scale 200% -layers Optimize docs/rally.gif
echo "screenshots: docs/menu.png docs/play.png docs/rally.gif ($hits returns filmed)"
