#!/usr/bin/env bash
# Runs a command on a fresh virtual X display of its own, optionally with
# openbox as the window manager: run-on-virtual-display.sh [--window-manager] COMMAND...
set -euo pipefail
# No accessibility bus on a virtual display; say so instead of waiting for it.
export NO_AT_BRIDGE=1
if [ "${1:-}" = "--window-manager" ]; then
  shift
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" --inside-with-window-manager "$@"
fi
if [ "${1:-}" = "--inside-with-window-manager" ]; then
  shift
  openbox --sm-disable >/dev/null 2>&1 &
  wm=$!
  trap 'kill $wm 2>/dev/null || true' EXIT
  # Wait until the window manager has claimed the screen.
  for _ in $(seq 100); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id" && break
    sleep 0.1
  done
  "$@"
  exit $?
fi
exec xvfb-run -a -s "-screen 0 1280x1024x24" "$@"
