#!/bin/sh
# Runs a command on a virtual display of its own under the openbox window manager, so that
# frames, focus and minimising behave as on a desktop without disturbing other tests' windows.
set -eu
exec xvfb-run -a -s "-screen 0 1280x1024x24" sh -c '
  openbox --sm-disable >/dev/null 2>&1 &
  wm=$!
  sleep 1
  status=0
  "$@" || status=$?
  kill "$wm" 2>/dev/null || true
  exit "$status"' under_window_manager "$@"
