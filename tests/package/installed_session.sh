#!/bin/sh
# Inside an X server and a session bus of its own: the installed program
# must show its sign-in page, offer its media controls, and hand a second
# start over to the running copy.
set -eu
WORK=$1
/usr/bin/vantero >"$WORK/vantero.log" 2>&1 &
PID=$!
fail() { echo "FAIL: $*"; tail -n 30 "$WORK/vantero.log"; kill "$PID" 2>/dev/null || true; exit 1; }

WINDOW=$(timeout 120 xdotool search --sync --onlyvisible --pid "$PID" | head -n 1) ||
    fail "no window"
GEOMETRY=$(xdotool getwindowgeometry "$WINDOW")
echo "$GEOMETRY"
# Nothing stored yet: the sign-in page, 420 x 580.
echo "$GEOMETRY" | grep -q "Geometry: 420x580" || fail "not the sign-in page's window"
POSITION=$(echo "$GEOMETRY" | sed -n 's/.*Position: \([0-9]*\),\([0-9]*\).*/\1 \2/p')
set -- $POSITION
# The page's grey background beside the fields, read from the screen once
# the page has settled (its entrance slides).
timeout 60 sh -c "until [ \"\$(import -window root -crop 1x1+$(( $1 + 15 ))+$(( $2 + 40 )) \
    -format '%[fx:int(255*r)],%[fx:int(255*g)],%[fx:int(255*b)]' info:)\" = 235,235,235 ]; \
    do sleep 0.5; done" || fail "the sign-in page is not painted"
grep -q "data folder: \"/usr/share/vantero\"" "$WORK/vantero.log" ||
    fail "the installed data was not used"

busctl --user get-property org.mpris.MediaPlayer2.vantero /org/mpris/MediaPlayer2 \
    org.mpris.MediaPlayer2 Identity | grep -q Vantero || fail "no media controls on the bus"

# A second start ends at once and leaves the first running.
timeout 60 /usr/bin/vantero >"$WORK/second.log" 2>&1 || fail "the second start failed"
grep -q "already running" "$WORK/second.log" || fail "the second start opened a copy"
kill -0 "$PID" || fail "the first copy ended"

kill "$PID"
wait "$PID" || true
echo "sign-in page reached from the installed program"
