#!/usr/bin/env bash
# Runs a test program under an X server of its own: a fresh Xvfb on a free display number
# (Xvfb picks it and reports it), stopped by its pid when the program ends. Listing the tests
# needs no server.
set -u
for arg in "$@"; do
  [[ "$arg" == --gtest_list_tests ]] && exec "$@"
done

dir=$(mktemp -d)
Xvfb -displayfd 3 -screen 0 1920x1440x24 -nolisten tcp 3>"$dir/display" 2>"$dir/xvfb.log" &
xvfb=$!
# However the run ends, the server and the scratch folder go with it.
trap 'kill "$xvfb" 2>/dev/null; wait "$xvfb" 2>/dev/null; rm -rf "$dir"' EXIT
for _ in $(seq 100); do
  [[ -s "$dir/display" ]] && break
  sleep 0.1
done
if [[ ! -s "$dir/display" ]]; then
  echo "with_xvfb: Xvfb did not start" >&2
  cat "$dir/xvfb.log" >&2
  exit 1
fi

# No accessibility bus in a test session; GTK would wait for one. The time limit stays below
# the test's own, so that this script is the one that ends the program.
export NO_AT_BRIDGE=1
# Colouring kept by other runs must not come back in this one.
export XDG_DATA_HOME="$dir/data"
DISPLAY=":$(head -n1 "$dir/display")" timeout 200 "$@"
