#!/usr/bin/env bash
# Runs Windows programs under Wine for the tests: one private prefix, one Xvfb
# and one warm wineserver per test run, all inside RUN_DIR.
#
#   harness.sh setup RUN_DIR [HOLDER]         create the prefix, start Xvfb and wineserver
#                                             (and HOLDER, which keeps one desktop for the run)
#   harness.sh run RUN_DIR NAME PROGRAM ARGS  run one test program; on failure keep a screenshot
#   harness.sh exec RUN_DIR PROGRAM ARGS      run a program and pass its exit code on
#   harness.sh spawn RUN_DIR NAME PROGRAM ARGS  start a program and leave it running
#   harness.sh teardown RUN_DIR               stop everything; remove RUN_DIR unless a run failed
#                                             (screenshots the tests took stay, as PNG, in
#                                             RUN_DIR-shots)
#   harness.sh shell RUN_DIR                  print the environment, for looking around by hand
#
# With KARVEX_DISPLAY set, setup uses that X display instead of starting Xvfb.
set -euo pipefail

usage() { echo "usage: harness.sh setup|run|exec|spawn|teardown|shell RUN_DIR [NAME] [PROGRAM ARGS...]" >&2; exit 2; }
[ $# -ge 2 ] || usage
command=$1
run_dir=$(realpath -m "$2")
shots_dir=$run_dir-shots
shift 2

wine_env() {
    export WINEPREFIX=$run_dir/pfx WINEARCH=$(cat "$run_dir/arch" 2>/dev/null || echo win32) HOME=$run_dir/home
    if [ "$WINEARCH" = win64 ]; then
        # Debian's wine script picks the 32-bit loader whenever it is
        # installed, even where the kernel cannot run it; wineboot and winepath
        # call it by name, so it is shadowed by one that takes the 64-bit loader.
        export WINELOADER=/usr/lib/wine/wine64 PATH=$run_dir/bin:$PATH
    fi
    # No Mono or Gecko prompts, and no menu entries written into the real home.
    export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
    export WINEDEBUG=${KARVEX_WINEDEBUG:--all}
    export DISPLAY=$(cat "$run_dir/display")
}

# Wine takes the ANSI code page from the Unix locale (936, GBK, for the
# client's texts) and the character set of Unix file names from it too, so the
# locale must exist: setup compiles it into RUN_DIR. It is set through env so
# that this shell does not try to switch to it.
in_locale() { env LOCPATH="$run_dir/locale" LC_ALL=zh_CN.UTF-8 LANG=zh_CN.UTF-8 "$@"; }

stop() {
    if [ -f "$run_dir/display" ] && [ -d "$run_dir/pfx" ]; then
        (wine_env; in_locale wineserver -k 2>/dev/null; in_locale wineserver -w 2>/dev/null) || true
    fi
    if [ -f "$run_dir/xvfb.pid" ]; then
        local pid
        pid=$(cat "$run_dir/xvfb.pid")
        if kill "$pid" 2>/dev/null; then
            for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
        fi
        rm -f "$run_dir/xvfb.pid"
    fi
}

setup() {
    stop
    rm -rf "$run_dir" "$shots_dir"
    mkdir -p "$run_dir/home" "$run_dir/logs" "$run_dir/shots" "$run_dir/locale" "$run_dir/bin"
    local arch=${KARVEX_WINE_ARCH:-$("$(dirname "$0")/wine-arch.sh")}
    echo "$arch" >"$run_dir/arch"
    if [ "$arch" = win64 ]; then
        for name in wine wine-stable; do
            printf '#!/bin/sh\nexec /usr/lib/wine/wine64 "$@"\n' >"$run_dir/bin/$name"
            chmod +x "$run_dir/bin/$name"
        done
    fi
    localedef -i zh_CN -f UTF-8 "$run_dir/locale/zh_CN.UTF-8" >"$run_dir/logs/localedef.log" 2>&1 || {
        cat "$run_dir/logs/localedef.log" >&2; echo "harness: cannot make the zh_CN.UTF-8 locale" >&2; exit 1; }

    if [ -n "${KARVEX_DISPLAY:-}" ]; then
        echo "$KARVEX_DISPLAY" >"$run_dir/display"
    else
        # Xvfb picks a free display and writes its number to fd 3.
        setsid Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp \
            3>"$run_dir/display.number" </dev/null >"$run_dir/logs/xvfb.log" 2>&1 &
        echo $! >"$run_dir/xvfb.pid"
        for _ in $(seq 100); do [ -s "$run_dir/display.number" ] && break; sleep 0.1; done
        [ -s "$run_dir/display.number" ] || { echo "harness: Xvfb did not start" >&2; exit 1; }
        echo ":$(cat "$run_dir/display.number")" >"$run_dir/display"
    fi

    wine_env
    # A persistent server keeps every later start warm. It is detached from
    # our descriptors, so callers reading our output do not wait for it.
    mkdir -p "$WINEPREFIX"
    in_locale wineserver -p </dev/null >"$run_dir/logs/wineserver.log" 2>&1
    in_locale wineboot -i </dev/null >"$run_dir/logs/wineboot.log" 2>&1

    # The dialogs are laid out for 宋体 9 pt (6 x 12 dialog base units): a
    # font with those metrics, derived from the installed CJK font, stands in.
    /usr/bin/python3 "$(dirname "$0")/make-dialog-font.py" "$WINEPREFIX/drive_c/windows/Fonts/dialogsong.ttf" \
        >>"$run_dir/logs/wineboot.log" 2>&1 || { echo "harness: cannot make the dialog font" >&2; exit 1; }

    # No window manager runs under Xvfb: without this every hide or destroy of
    # a top-level window waits for one. Chinese faces map to the dialog font
    # so the texts draw crisply, and menus, captions and message boxes use
    # 宋体 9 pt as on a Chinese system.
    local reg=$run_dir/settings.reg
    local songti
    songti=$(python3 -c 'import struct; face = "宋体".encode("utf-16-le").ljust(64, b"\0")
print(",".join("%02x" % b for b in struct.pack("<5l8B", -12, 0, 0, 0, 400, 0, 0, 0, 134, 0, 0, 0, 0) + face))')
    {
        printf 'Windows Registry Editor Version 5.00\r\n\r\n'
        printf '[HKEY_CURRENT_USER\\Control Panel\\Desktop\\WindowMetrics]\r\n'
        for font in CaptionFont SmCaptionFont MenuFont StatusFont MessageFont IconFont; do
            printf '"%s"=hex:%s\r\n' "$font" "$songti"
        done
        printf '\r\n'
        [ -n "${KARVEX_DISPLAY:-}" ] ||
            printf '[HKEY_CURRENT_USER\\Software\\Wine\\X11 Driver]\r\n"Managed"="N"\r\n\r\n'
        printf '[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion\\FontSubstitutes]\r\n'
        for face in 宋体 SimSun NSimSun 新宋体; do
            printf '"%s"="Dialog Song"\r\n' "$face"
        done
    } | iconv -f UTF-8 -t UTF-16 >"$reg"
    in_locale wine regedit /S "$(in_locale winepath -w "$reg")" >>"$run_dir/logs/wineboot.log" 2>&1
    if [ $# -ge 1 ]; then
        in_locale setsid wine "$1" "$(in_locale winepath -w "$run_dir/desktop.ready")" \
            </dev/null >"$run_dir/logs/desktop_holder.log" 2>&1 &
        for _ in $(seq 600); do [ -e "$run_dir/desktop.ready" ] && break; sleep 0.1; done
        [ -e "$run_dir/desktop.ready" ] || { echo "harness: the desktop did not start" >&2; exit 1; }
    fi
    echo "harness: $WINEARCH prefix ready in $run_dir (display $DISPLAY)"
}

run() {
    [ $# -ge 2 ] || usage
    local name=$1
    shift
    wine_env
    local log=$run_dir/logs/$name.log
    local status=0
    # Screenshots that tests take for review (tests/wine/support/screen.h).
    KARVEX_SHOT_DIR=$(in_locale winepath -w "$run_dir/shots")
    export KARVEX_SHOT_DIR
    # Output goes to a file, not a pipe: a program left running must not keep
    # the caller waiting.
    in_locale timeout --kill-after=10 "${KARVEX_RUN_TIMEOUT:-600}" wine "$@" >"$log" 2>&1 || status=$?
    cat "$log"
    if [ "$status" -ne 0 ]; then
        import -display "$DISPLAY" -window root "$run_dir/shots/$name.png" 2>/dev/null || true
        echo "$name" >>"$run_dir/failed"
        echo "harness: $name failed ($status); log and screenshot in $run_dir" >&2
    fi
    return "$status"
}

spawn() {
    [ $# -ge 2 ] || usage
    local name=$1
    shift
    wine_env
    in_locale setsid wine "$@" </dev/null >"$run_dir/logs/$name.log" 2>&1 &
}

teardown() {
    stop
    local shot
    for shot in "$run_dir"/shots/*.bmp; do
        [ -e "$shot" ] || continue
        mkdir -p "$shots_dir"
        /usr/bin/convert "$shot" "$shots_dir/$(basename "${shot%.bmp}").png" && rm -f "$shot"
    done
    if [ -f "$run_dir/failed" ]; then
        echo "harness: kept $run_dir for diagnosis (failed: $(tr '\n' ' ' <"$run_dir/failed"))"
    else
        rm -rf "$run_dir"
    fi
}

case $command in
    setup) setup "$@" ;;
    run) run "$@" ;;
    exec) [ $# -ge 1 ] || usage; wine_env; in_locale wine "$@" ;;
    spawn) spawn "$@" ;;
    teardown) teardown ;;
    shell) wine_env; for v in WINEPREFIX WINEARCH HOME WINEDLLOVERRIDES WINEDEBUG DISPLAY \
                             ${WINELOADER:+WINELOADER PATH}; do
               printf "export %s='%s'\n" "$v" "${!v}"; done
           echo "alias wine='env LOCPATH=$run_dir/locale LC_ALL=zh_CN.UTF-8 LANG=zh_CN.UTF-8 wine'" ;;
    *) usage ;;
esac
