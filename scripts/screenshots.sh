#!/usr/bin/env bash
# Takes the README's pictures of Tavrel's windows from the real program on the demo data, under
# a private X server (Xvfb, no window manager, so the pictures show the windows without frames):
#   main-window.png          the main window, as ./run opens it: it must come up alone, without
#                            the Setup Connections window (CI checks the demo so)
#   setup-connections.png    the Setup Connections window with the demo's values, shown
#                            because the demo server is stopped
# The pictures show the demo's paths, so the demo is made afresh in a folder of a neutral name,
# /tmp/tavrel-demo, not in the checkout (whose path says where it was taken), and removed after.
#   scripts/screenshots.sh [BUILD_DIR [FOLDER]]   (default build/ and docs/)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
pictures=${2:-docs}
scripts/deps.sh screenshots
cmake --build "$build" --target tavrel foxsql >/dev/null
export TAVREL_DEMO_DIR=/tmp/tavrel-demo
if [[ -L $TAVREL_DEMO_DIR || (-e $TAVREL_DEMO_DIR && ! -O $TAVREL_DEMO_DIR) ]]; then
  echo "$TAVREL_DEMO_DIR is not a folder of this user's; remove it first." >&2
  exit 1
fi
source scripts/demo.sh

screen=$(mktemp -d "${TMPDIR:-/tmp}/tavrel-screen.XXXXXX")
xvfb= app=
cleanup() {
  [[ -z $app ]] || kill "$app" 2>/dev/null || true
  demo_stop
  [[ -z $demo_locked ]] || rm -rf "$TAVREL_DEMO_DIR"  # only the run that made it
  [[ -z $xvfb ]] || kill "$xvfb" 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$screen"
}
trap cleanup EXIT

Xvfb -displayfd 3 -screen 0 1024x768x24 -fbdir "$screen" -nolisten tcp -nocursor 3>"$screen/display" 2>/dev/null &
xvfb=$!
for _ in $(seq 1 100); do [[ -s $screen/display ]] && break; sleep 0.1; done
export DISPLAY=:$(<"$screen/display")

viewable() { xwininfo -name "$1" 2>/dev/null | grep -q "Map State: IsViewable"; }

# Starts Tavrel, waits for the window of that title, and writes the picture of it.
shoot() {
  local title=$1 output=$2 info=
  "$build/tavrel" 9>&- </dev/null &
  app=$!
  for _ in $(seq 1 300); do
    viewable "$title" && info=$(xwininfo -name "$title") && break
    sleep 0.1
  done
  [[ -n $info ]] || { echo "No window \"$title\" appeared." >&2; exit 1; }
  sleep 2  # the lists fill and the window paints
  ! viewable "${3:-}" || { echo "The window \"$3\" opened too." >&2; exit 1; }
  info=$(xwininfo -name "$title")
  field() { sed -n "s/^ *$1: *//p" <<<"$info"; }
  scripts/xwd-to-png.py "$screen/Xvfb_screen0" "$(field 'Absolute upper-left X')" \
    "$(field 'Absolute upper-left Y')" "$(field Width)" "$(field Height)" "$output"
  kill "$app"
  wait "$app" 2>/dev/null || true
  app=
  echo "$output"
}

mkdir -p "$pictures"
demo_start "$build" --reset
shoot Tavrel "$pictures/main-window.png" "Setup Connections"
demo_stop
shoot "Setup Connections" "$pictures/setup-connections.png" Tavrel
