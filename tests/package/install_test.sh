#!/bin/sh
# The Debian package as a user gets it: built with CPack, installed with
# dpkg -i, the installed program started on an X server and a session bus
# of its own against the local service, checked to reach the sign-in page
# from its installed data, started a second time, then removed.
#   install_test.sh <build folder> <vantero-devservice> <media folder>
# Exits 77 (skipped) when not run as root: dpkg -i changes the machine.
set -eu
BUILD=$1
SERVICE=$2
MEDIA=$3
if [ "$(id -u)" -ne 0 ]; then
    echo "skipped: installing a package needs root"
    exit 77
fi
HERE=$(cd "$(dirname "$0")" && pwd)
WORK=$(mktemp -d)
SERVICE_PID=""
cleanup() {
    [ -n "$SERVICE_PID" ] && kill "$SERVICE_PID" 2>/dev/null || true
    dpkg -r vantero >/dev/null 2>&1 || true
    rm -rf "$WORK"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; for f in "$WORK"/*.log; do echo "== $f"; tail -n 30 "$f"; done; exit 1; }

# make package, into a folder of the test's own.
(cd "$BUILD" && cpack -G DEB -B "$WORK/package") >"$WORK/cpack.log" 2>&1 || fail "cpack"
DEB=$(ls "$WORK"/package/vantero_*.deb)
DEPENDS=$(dpkg-deb -f "$DEB" Depends)
echo "Depends: $DEPENDS"
for dep in libqt5widgets5 libqt5dbus5 libvlc5 vlc-plugin-base vlc-plugin-video-output; do
    echo "$DEPENDS" | grep -q "$dep" || fail "$dep missing from Depends"
done

dpkg -i "$DEB" >"$WORK/dpkg.log" 2>&1 || fail "dpkg -i"
[ -x /usr/bin/vantero ] || fail "no /usr/bin/vantero"
for f in lang_en.qm lang_ru.qm "Lobster 1.4.otf"; do
    [ -f "/usr/share/vantero/$f" ] || fail "no /usr/share/vantero/$f"
done
desktop-file-validate /usr/share/applications/example.vantero.Vantero.desktop || fail "desktop entry"
appstreamcli validate --no-net /usr/share/metainfo/example.vantero.Vantero.metainfo.xml \
    >"$WORK/appstream.log" 2>&1 || fail "metainfo"
for size in 16x16 32x32 48x48 256x256; do
    [ -f "/usr/share/icons/hicolor/$size/apps/vantero.png" ] || fail "no $size icon"
done
[ -f /usr/share/icons/hicolor/scalable/apps/vantero.svg ] || fail "no scalable icon"

# A user of its own, pointed at the local service on free ports.
export HOME="$WORK/home"
export XDG_CONFIG_HOME="$HOME/.config" XDG_DATA_HOME="$HOME/.local/share" XDG_CACHE_HOME="$HOME/.cache"
mkdir -p "$XDG_CONFIG_HOME"
"$SERVICE" --data "$WORK/service" --media-dir "$MEDIA" --api-port 0 --web-port 0 \
    --geo-port 0 --media-port 0 --client-config "$XDG_CONFIG_HOME/vantero/vantero.conf" \
    >"$WORK/service.log" 2>&1 &
SERVICE_PID=$!
timeout 300 sh -c "until grep -q '^READY ' '$WORK/service.log'; do sleep 0.2; done" ||
    fail "the local service did not start"

cd "$WORK"
QT_XCB_GL_INTEGRATION=none xvfb-run -a -s "-screen 0 1280x1024x24" \
    dbus-run-session -- sh "$HERE/installed_session.sh" "$WORK" >"$WORK/session.log" 2>&1 ||
    fail "the installed program"
cat "$WORK/session.log"

dpkg -r vantero >>"$WORK/dpkg.log" 2>&1 || fail "dpkg -r"
[ ! -e /usr/bin/vantero ] || fail "/usr/bin/vantero left after removal"
[ ! -e /usr/share/vantero ] || fail "/usr/share/vantero left after removal"
echo "package installed, started, removed"
