#!/usr/bin/env bash
# Runs a program on Qt's X11 platform under a virtual X server of its own with
# no window manager, where the keyboard focus goes only where the program puts
# it. The server chooses a free display itself (-displayfd), so that servers
# started side by side never meet, and the program starts once a client can
# connect. When the server or the program fails, the server's log is shown.
# Usage: under_xvfb.sh [--screen WxHxD] [--server-arg ARG]... [--log FILE]
#                      PROGRAM [ARGUMENT]...
#   --screen      the screen's size and depth (default 1024x768x24)
#   --server-arg  one more argument for Xvfb
#   --log         keep the server's log in FILE (default: removed at the end)
# Exit code 77 (skipped) when Xvfb is not installed; else the program's.
set -euo pipefail
if ! command -v Xvfb >/dev/null; then
  echo "skipped: Xvfb is not installed"
  exit 77
fi
screen=1024x768x24
server_args=()
log=""
while [ $# -gt 0 ]; do
  case "$1" in
    --screen) screen=$2; shift 2 ;;
    --server-arg) server_args+=("$2"); shift 2 ;;
    --log) log=$2; shift 2 ;;
    *) break ;;
  esac
done
[ $# -gt 0 ] || { echo "usage: $0 [OPTION]... PROGRAM [ARGUMENT]..." >&2; exit 2; }

scratch=$(mktemp -d)
server=""
program=""
stop() {
  [ -n "$program" ] && kill "$program" 2>/dev/null
  if [ -n "$server" ]; then
    kill "$server" 2>/dev/null
    wait "$server" 2>/dev/null
  fi
  rm -rf "$scratch"
  return 0
}
trap stop EXIT
trap 'exit 143' TERM
trap 'exit 130' INT
kept_log=${log:+ ($log)}
[ -n "$log" ] || log=$scratch/xvfb.log
show_log() {
  echo "$1; the X server's log$kept_log:" >&2
  sed 's/^/  Xvfb: /' "$log" >&2
}

# The server writes its display number to the pipe once it listens; it ends
# without a word when it cannot start.
mkfifo "$scratch/display"
Xvfb -displayfd 3 -screen 0 "$screen" -nolisten tcp "${server_args[@]}" \
  3>"$scratch/display" >"$log" 2>&1 &
server=$!
display=""
read -r -t 30 display <"$scratch/display" || true
if [ -z "$display" ]; then
  show_log "the X server did not start"
  exit 1
fi
export DISPLAY=:$display

# A client's view: the first of these tools found is asked until it connects.
probe=()
if command -v xdpyinfo >/dev/null; then
  probe=(xdpyinfo)
elif command -v xdotool >/dev/null; then
  probe=(xdotool getdisplaygeometry)
elif command -v xset >/dev/null; then
  probe=(xset q)
fi
if [ ${#probe[@]} -gt 0 ]; then
  tries=0
  until "${probe[@]}" >/dev/null 2>&1; do
    tries=$((tries + 1))
    if [ "$tries" -ge 100 ] || ! kill -0 "$server" 2>/dev/null; then
      show_log "no client could connect to display $DISPLAY"
      exit 1
    fi
    sleep 0.1
  done
fi

unset WAYLAND_DISPLAY
export QT_QPA_PLATFORM=xcb
# In the background, so that a TERM (a timeout) is acted on at once.
"$@" <&0 &
program=$!
status=0
wait "$program" || status=$?
program=""
if [ "$status" != 0 ]; then
  show_log "$1 ended with exit code $status on display $DISPLAY"
fi
exit "$status"
