#!/usr/bin/env bash
# Runs a program on Qt's X11 platform under a virtual X server with no window
# manager, where the keyboard focus goes only where the program puts it.
# Usage: under_xvfb.sh PROGRAM [ARGUMENT]...
# Exit code 77 (skipped) when xvfb-run is not installed.
set -euo pipefail
if ! command -v xvfb-run >/dev/null; then
  echo "skipped: xvfb-run is not installed"
  exit 77
fi
unset WAYLAND_DISPLAY
export QT_QPA_PLATFORM=xcb
# A server number of our own, away from the first ones that others use.
exec xvfb-run -a -n $((300 + RANDOM % 500)) -s "-screen 0 1024x768x24" "$@"
