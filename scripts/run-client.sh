#!/usr/bin/env bash
# Installs Karvex with its installer into a demo Wine prefix and runs the client.
#
#   scripts/run-client.sh            install what is missing, build, install through setup.exe, start the client
#   scripts/run-client.sh setup      the same, but you click through the installer's wizard yourself
#   scripts/run-client.sh menu       open the tray menu, as a right-click on the icon does
#   scripts/run-client.sh alert N    report a blocked action of type N, as the protection component does
#   scripts/run-client.sh shot       save a screenshot of the display
#   scripts/run-client.sh stop       end the client, Wine and the virtual display
#
# The client runs on $DISPLAY when there is one, else on a virtual display;
# then the start saves a screenshot with the tray menu open. The install is the
# real first run: setup.exe writes the files of this build into C:\Karvex,
# registers the component, makes the shortcuts, and Finish starts the client.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${KARVEX_BUILD_DIR:-$root/build}
demo=$build/demo
harness=$root/tests/wine/harness.sh
install_dir='C:\Karvex'

# The 32-bit build, or the 64-bit one on a machine that cannot run 32-bit programs.
bin=$build/win/bin
[ "$("$root/tests/wine/wine-arch.sh")" = win64 ] && bin=$build/win64/bin

kvpost() { "$harness" exec "$demo" "$bin/kvpost.exe" "$@"; }
display() { cat "$demo/display"; }
# A file of the host as the programs in the prefix name it.
windows_path() { printf 'Z:%s' "$1" | tr / '\\'; }

start() {
    local interactive=${1:-}
    if [ -n "$interactive" ] && [ -z "${DISPLAY:-}" ]; then
        echo "run-client: clicking through the installer needs a display (DISPLAY is not set)" >&2
        exit 2
    fi
    "$root/scripts/install-deps.sh"
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
    cmake --build "$build"

    [ -d "$demo" ] && stop >/dev/null 2>&1 || true
    KARVEX_DISPLAY=${DISPLAY:-} "$harness" setup "$demo"
    # The installer starts the client, which inherits the installer's output:
    # a file, not the caller's pipe, so that nobody waits for the client.
    local log=$demo/logs/setup.log
    if [ -n "$interactive" ]; then
        echo "run-client: the installer is open; tick the licence, choose a folder, Install, then Finish"
        "$harness" exec "$demo" "$bin/setup.exe" </dev/null >"$log" 2>&1 || true
    elif ! "$harness" exec "$demo" "$bin/kvsetup.exe" "$(windows_path "$bin/setup.exe")" "$install_dir" \
            </dev/null >"$log" 2>&1; then
        iconv -f GBK -t UTF-8 "$log" >&2 || true
        echo "run-client: the installation did not finish; see $demo/logs" >&2
        exit 1
    fi

    # Finish has started the client; wait until its tray window answers.
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

Karvex was installed by setup.exe and is running in the Wine prefix $demo/pfx (display $(display)).
  Right-click its shield in the notification area, or run: scripts/run-client.sh menu
  Report a blocked action (types 1..11), as the component does: scripts/run-client.sh alert 3
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
    setup) start interactive ;;
    menu) kvpost notify rbuttonup ;;
    alert) kvpost alert "${2:?alert type}" ;;
    shot) shot "${2:-}" ;;
    stop) stop ;;
    *) sed -n '2,14p' "$0" >&2; exit 2 ;;
esac
