#!/bin/sh
# Runs the zap benchmark on an X server of its own: both players must reach
# it, and the stock player runs as an unprivileged user, so access control is
# off (the server listens on a local socket only). The root window is black,
# so that the benchmark can see when a picture appears.
# Usage: bench/zap.sh <path to zap> [zap options, e.g. --runs 9]
set -eu
zap=${1:?usage: zap.sh <path to zap> [options]}
shift

fifo_dir=$(mktemp -d)
trap 'rm -rf "$fifo_dir"' EXIT
mkfifo "$fifo_dir/display"
Xvfb -displayfd 3 -ac -br -nolisten tcp -screen 0 1280x720x24 3>"$fifo_dir/display" \
    >/dev/null 2>&1 &
xvfb=$!
read -r display <"$fifo_dir/display"
trap 'kill "$xvfb" 2>/dev/null; rm -rf "$fifo_dir"' EXIT

echo "uptime: $(uptime)"
DISPLAY=":$display" QT_QPA_PLATFORM=xcb "$zap" "$@"
echo "uptime: $(uptime)"
