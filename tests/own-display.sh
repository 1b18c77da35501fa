#!/bin/sh
# Runs a test on an X server of its own. The suite shares one server, where
# any test that shows a window may take the keyboard focus; a test of
# window-wide keys or of focus needs a server where only its own windows are.
# Xvfb picks a free display itself (-displayfd), so parallel tests never
# race for a number.
set -eu
dir=$(mktemp -d)
trap 'kill "$server" 2>/dev/null || true; wait "$server" 2>/dev/null || true; rm -rf "$dir"' EXIT
Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp 3>"$dir/display" >"$dir/log" 2>&1 &
server=$!
# The number arrives once the server accepts clients; a server that dies
# first says why.
while [ ! -s "$dir/display" ]; do
    if ! kill -0 "$server" 2>/dev/null; then
        cat "$dir/log" >&2
        exit 1
    fi
    sleep 0.05
done
DISPLAY=":$(head -n 1 "$dir/display")" "$@"
