#!/usr/bin/env bash
# Installs Karvex with its installer into a demo Wine prefix and runs the client.
#
#   scripts/run-client.sh            install what is missing, build, install through setup.exe, start the client
#   scripts/run-client.sh setup      the same, but you click through the installer's wizard yourself
#   scripts/run-client.sh menu       open the tray menu, as a right-click on the icon does
#   scripts/run-client.sh alert N    show the alert pop-up of type N (1..11 blocked actions, 12..14
#                                    update results), as the protection component and the updater do
#   scripts/run-client.sh about      open the About box, as the tray menu's "关于..." does
#   scripts/run-client.sh options    open the Options dialog by a double-click on the icon, as the shell delivers it
#   scripts/run-client.sh update     publish newer databases and a program file, serve them and press "立即更新"
#   scripts/run-client.sh update options   the same, pressing "立即升级" in the Options dialog instead
#   scripts/run-client.sh update tampered  a newer karvex.exe announced, another program served in its
#                                    place: the client refuses it (its log says why)
#   scripts/run-client.sh shot       save a screenshot of the display
#   scripts/run-client.sh stop       end the client, Wine, the servers and the virtual display
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

# A database's version and record count, as "1.0002 (115 records)".
db_info() { "$build/tools/publisher/karvex-publisher" info "$1" | awk '{a[$1] = $2} END {print a["version"] " (" a["records"] " records)"}'; }

# The next version of each installed database (some records gone, some new),
# written as <name>-<version>.db beside the installed one's copy, in $1.
write_next_databases() {
    python3 - "$demo/pfx/drive_c/Karvex" "$1" <<'PY'
import os, struct, sys
installed, out = sys.argv[1], sys.argv[2]
for name in ("url.db", "adv.db", "qua.db"):
    data = open(os.path.join(installed, name), "rb").read()
    reserved, major, minor = struct.unpack("<III", data[:12])
    records = [data[i:i + 16] for i in range(32, len(data), 16)]
    records = records[::3] + records[1::3] + [os.urandom(16) for _ in range(len(records) // 4)]
    records.sort(key=lambda r: r[0] | r[1] << 8)
    base = name[:-3]
    open(os.path.join(out, "%s-%d.db" % (base, minor)), "wb").write(data)
    with open(os.path.join(out, "%s-%d.db" % (base, minor + 1)), "wb") as f:
        f.write(struct.pack("<III", 0, major, minor + 1) + bytes(20) + b"".join(records))
PY
}

# The host names this build's programs ask for.
server_hosts() {
    for variable in KARVEX_WEB_HOST KARVEX_UPDATE_HOST1 KARVEX_UPDATE_HOST2 KARVEX_UPDATE_HOST3 KARVEX_STAT_HOST; do
        sed -n "s/^$variable:STRING=//p" "$build/CMakeCache.txt"
    done
}

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
  Update it from local servers (newer databases, a program file): scripts/run-client.sh update
  Open the About box:                                           scripts/run-client.sh about
  Open the Options dialog (settings, update now / stop):        scripts/run-client.sh options
  Stop it (and Wine with it):                                   scripts/run-client.sh stop
MSG
}

# A real update from real servers: the next version of each database and a
# program file, published with karvex-publisher and signed with the test key
# this build accepts, served by nginx (routed to through the demo prefix's
# system proxy), fetched by the running client. Started from the tray menu,
# or with "options" from the Options dialog, which then shows the pass.
# "tampered" announces a newer karvex.exe but serves another program in its
# place, as anyone on the way to the client could, and shows the refusal.
update() {
    local from=${1:-menu}
    case $from in menu | options | tampered) ;; *) echo "run-client: update [options|tampered]" >&2; exit 2 ;; esac
    kvpost notify mousemove >/dev/null 2>&1 || { echo "run-client: start the client first: scripts/run-client.sh" >&2; exit 1; }
    local folder=$demo/pfx/drive_c/Karvex work=$demo/publish
    rm -rf "$work" && mkdir -p "$work"
    write_next_databases "$work"
    local before
    before=$(db_info "$folder/url.db")
    # shellcheck disable=SC2046
    "$root/tests/wine/servers/update-servers.sh" start "$demo" $(server_hosts)
    local tree=$demo/pfx/drive_c/KarvexServer/srv/ieupdate
    rm -rf "$tree"
    local dbs=() base
    for base in url adv qua; do
        dbs+=("--$base" "$work/$base"-*.db)  # oldest first
    done
    local key=$root/tests/keys/update-test.key
    if [ "$from" = tampered ]; then
        "$build/tools/publisher/karvex-publisher" publish "$tree" --key "$key" \
            --file "karvex.exe=1.3.2.0:$bin/next_release.exe" >/dev/null
        cp "$bin/uninstall.exe" "$tree/file/karvex.exe"  # not what the index vouches for
    else
        "$build/tools/publisher/karvex-publisher" publish "$tree" --key "$key" "${dbs[@]}" \
            --file "demo.exe=1.3.2.0:$bin/next_release.exe" >/dev/null
    fi
    local port
    port=$(cat "$demo/pfx/drive_c/KarvexServer/port")
    "$harness" exec "$demo" reg add 'HKCU\Software\Microsoft\Windows\CurrentVersion\Internet Settings' \
        /v ProxyEnable /t REG_DWORD /d 1 /f >/dev/null
    "$harness" exec "$demo" reg add 'HKCU\Software\Microsoft\Windows\CurrentVersion\Internet Settings' \
        /v ProxyServer /t REG_SZ /d "127.0.0.1:$port" /f >/dev/null

    if [ "$from" = tampered ]; then
        tampered_update "$folder"
        return
    fi
    if [ "$from" = options ]; then
        # 立即升级 in the dialog, once: pressed again it would stop the pass.
        kvpost command 32772
        sleep 1
        kvpost click 1013
    fi
    # 立即更新; pressed again while an earlier pass (the one at start-up, which
    # had no servers) still runs, since the command does nothing then.
    for i in $(seq 150); do
        [ -e "$folder/demo.exe" ] && [ "$(db_info "$folder/url.db" 2>/dev/null || true)" != "$before" ] && break
        [ "$from" = menu ] && [ $((i % 10)) -eq 1 ] && kvpost command 32774
        sleep 0.2
    done
    kvpost notify mousemove
    echo
    echo "url.db before: $before"
    echo "url.db now:    $(db_info "$folder/url.db")"
    echo "adv.db now:    $(db_info "$folder/adv.db"), qua.db now: $(db_info "$folder/qua.db")"
    echo "demo.exe:      $([ -e "$folder/demo.exe" ] && echo installed || echo "not installed (see $demo/servers)")"
    echo "What the client asked the servers (C:\\KarvexServer\\access.log):"
    sed 's/^/  /' "$demo/pfx/drive_c/KarvexServer/access.log"
    [ -n "${DISPLAY:-}" ] || shot "$demo/karvex-update.png"
    [ "$from" = menu ] || echo "The Options dialog shows the new url.db version; \"立即升级\" is back."
    echo "Hover over the shield: its tooltip shows the new database version."
}

# The pass of "update tampered", from the Options dialog, whose log shows the
# refusal; karvex.exe stays as it was.
tampered_update() {
    local folder=$1 before
    before=$(sha256sum <"$folder/karvex.exe")
    kvpost command 32772
    sleep 1
    kvpost click 1013
    for _ in $(seq 100); do
        kvpost log 2>/dev/null | iconv -f GBK -t UTF-8 | grep -q 'file/karvex.exe' && break
        sleep 0.2
    done
    sleep 1
    echo
    echo "The Options dialog's update log (a hidden list the updater writes to; kvpost log reads it):"
    kvpost log | iconv -f GBK -t UTF-8 | sed 's/^/  /'
    echo "karvex.exe: $([ "$(sha256sum <"$folder/karvex.exe")" = "$before" ] && echo unchanged || echo CHANGED)"
    echo "What the client asked the servers (C:\\KarvexServer\\access.log):"
    sed 's/^/  /' "$demo/pfx/drive_c/KarvexServer/access.log"
    [ -n "${DISPLAY:-}" ] || shot "$demo/karvex-tampered.png"
    echo "The pop-up reports \"升级失败\"."
}

# The Options dialog, opened by a double-click on the icon delivered the way
# the shell delivers it; on a virtual display with a screenshot of it.
options() {
    kvpost notify dblclk
    if [ -z "${DISPLAY:-}" ]; then
        sleep 1
        shot "$demo/karvex-options.png"
    fi
}

shot() {
    local file=${1:-$demo/karvex.png}
    import -display "$(display)" -window root "$file"
    echo "screenshot: $file"
}

stop() {
    kvpost command 32771 >/dev/null 2>&1 || true
    sleep 0.5
    "$root/tests/wine/servers/update-servers.sh" stop "$demo"
    "$harness" teardown "$demo"
    rm -rf "$demo"
    echo "stopped"
}

case ${1:-start} in
    start) start ;;
    setup) start interactive ;;
    menu) kvpost notify rbuttonup ;;
    alert) kvpost alert "${2:?alert type}" ;;
    update) update "${2:-}" ;;
    about) kvpost command 32775 ;;
    options) options ;;
    shot) shot "${2:-}" ;;
    stop) stop ;;
    *) sed -n '2,19p' "$0" >&2; exit 2 ;;
esac
