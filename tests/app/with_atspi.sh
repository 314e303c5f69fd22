#!/usr/bin/env bash
# Runs a command with an X server and a session bus of its own, where the accessibility bus
# starts on demand as on a desktop; both end with the command. The X server never resets: its
# first clients (the accessibility bus) come and go before the program connects.
set -u
dir=$(mktemp -d)
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$dir/display" 2>"$dir/xvfb.log" &
xvfb=$!
trap 'kill "$xvfb" 2>/dev/null; wait "$xvfb" 2>/dev/null; rm -rf "$dir"' EXIT
for _ in $(seq 100); do
  [[ -s "$dir/display" ]] && break
  sleep 0.1
done
if [[ ! -s "$dir/display" ]]; then
  echo "with_atspi: Xvfb did not start" >&2
  exit 1
fi
export DISPLAY=":$(head -n1 "$dir/display")"
# Colouring kept by other runs must not come back in this one.
export XDG_DATA_HOME="$dir/data"
unset NO_AT_BRIDGE
timeout 120 dbus-run-session -- "$@"
