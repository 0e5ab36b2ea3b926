#!/usr/bin/env bash
# Runs the Karvex client from a demo install folder under Wine.
#
#   scripts/run-client.sh            install what is missing, build, install the demo, start the client
#   scripts/run-client.sh menu       open the tray menu, as a right-click on the icon does
#   scripts/run-client.sh alert N    show the alert pop-up of type N (1..11 blocked actions, 12..14
#                                    update results), as the protection component and the updater do
#   scripts/run-client.sh about      open the About box, as the tray menu's "关于..." does
#   scripts/run-client.sh shot       save a screenshot of the display
#   scripts/run-client.sh stop       end the client, Wine and the virtual display
#
# The client runs on $DISPLAY when there is one, else on a virtual display;
# then the start saves a screenshot with the tray menu open.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${KARVEX_BUILD_DIR:-$root/build}
demo=$build/demo
harness=$root/tests/wine/harness.sh
install_dir='C:\Karvex'

kvpost() { "$harness" exec "$demo" "$install_dir\\kvpost.exe" "$@"; }
display() { cat "$demo/display"; }

# Three small databases, version 1.0002, with a few random records each.
write_databases() {
    python3 - "$1" <<'PY'
import os, struct, sys
for name, records in (("url.db", 115), ("adv.db", 40), ("qua.db", 12)):
    with open(os.path.join(sys.argv[1], name), "wb") as f:
        f.write(struct.pack("<III", 0, 1, 2) + bytes(20) + os.urandom(16 * records))
PY
}

start() {
    "$root/scripts/install-deps.sh"
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
    cmake --build "$build"

    [ -d "$demo" ] && stop >/dev/null 2>&1 || true
    KARVEX_DISPLAY=${DISPLAY:-} "$harness" setup "$demo"
    local folder=$demo/pfx/drive_c/Karvex
    mkdir -p "$folder"
    # The 32-bit build, or the 64-bit one on a machine that cannot run 32-bit programs.
    local bin=$build/win/bin
    [ "$("$root/tests/wine/wine-arch.sh")" = win64 ] && bin=$build/win64/bin
    for file in karvex.exe karvex.dll update.exe uninstall.exe kvpost.exe; do
        cp "$bin/$file" "$folder/"
    done
    write_databases "$folder"

    "$harness" spawn "$demo" client "$install_dir\\karvex.exe"
    for _ in $(seq 100); do kvpost notify mousemove >/dev/null 2>&1 && break; sleep 0.2; done
    if ! kvpost notify mousemove >/dev/null 2>&1; then
        echo "run-client: the client did not start; see $demo/logs" >&2
        exit 1
    fi

    if [ -z "${DISPLAY:-}" ]; then
        kvpost notify rbuttonup
        sleep 1
        shot "$demo/karvex-menu.png"
        DISPLAY=$(display) xdotool key Escape || true
    fi
    cat <<MSG

Karvex is running from $install_dir in the Wine prefix $demo/pfx (display $(display)).
  Right-click its shield in the notification area, or run: scripts/run-client.sh menu
  Report a blocked action (types 1..11), as the component does: scripts/run-client.sh alert 3
  Open the About box:                                           scripts/run-client.sh about
  Stop it (and Wine with it):                                   scripts/run-client.sh stop
MSG
}

shot() {
    local file=${1:-$demo/karvex.png}
    import -display "$(display)" -window root "$file"
    echo "screenshot: $file"
}

stop() {
    kvpost command 32771 >/dev/null 2>&1 || true
    sleep 0.5
    "$harness" teardown "$demo"
    rm -rf "$demo"
    echo "stopped"
}

case ${1:-start} in
    start) start ;;
    menu) kvpost notify rbuttonup ;;
    alert) kvpost alert "${2:?alert type}" ;;
    about) kvpost command 32775 ;;
    shot) shot "${2:-}" ;;
    stop) stop ;;
    *) sed -n '2,14p' "$0" >&2; exit 2 ;;
esac
