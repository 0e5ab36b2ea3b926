#!/usr/bin/env bash
# End-to-end check of karvex-publisher: databases made with `apply`, a tree
# made with `publish`, every served list applied back, and the refusals.
# Usage: cli_test.sh PATH/TO/karvex-publisher
set -euo pipefail

tool=$(realpath "$1")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

passes=0 failures=0
check() {  # check NAME COMMAND...: the command must succeed
    if "${@:2}"; then echo "ok   $1"; passes=$((passes + 1)); else echo "FAIL $1"; failures=$((failures + 1)); fi
}
refused() {  # refused NAME FILE-NAMED COMMAND...: one line naming the file, non-zero exit
    local named=$2
    if "${@:3}" >out.txt 2>err.txt; then
        echo "FAIL $1 (accepted)"; failures=$((failures + 1)); return
    fi
    if [ "$(wc -l <err.txt)" -eq 1 ] && grep -qF -- "$named" err.txt; then
        echo "ok   $1: $(cat err.txt)"; passes=$((passes + 1))
    else
        echo "FAIL $1: $(cat err.txt)"; failures=$((failures + 1))
    fi
}

records() {  # records N: N random records in full-list form
    od -An -tx1 -v -N $((16 * $1)) /dev/urandom | tr -d ' \n' | fold -w32 | sed 's/^/+/'
}

# Version 1 from a full list, 2 from a difference, 3 from a new full list.
{ echo "list one"; records 5000; } | gzip >list1.gz
"$tool" apply v1.db list1.gz --full 1.0001 >/dev/null
check "info" test "$("$tool" info v1.db)" = $'version 1.0001\nrecords 5000'
check "dump" test "$("$tool" dump v1.db | grep -c '^+[0-9a-f]\{32\}$')" -eq 5000
cp v1.db v2.db
{ echo "changes"; "$tool" dump v1.db | sed -n '1,20p' | sed 's/^+/-/'; records 30; } | gzip >changes.gz
"$tool" apply v2.db changes.gz --diff 1.0002 >/dev/null
check "difference applied" test "$("$tool" info v2.db)" = $'version 1.0002\nrecords 5010'
{ echo "list three"; "$tool" dump v2.db | sort -R | sed -n '1,4000p'; records 500; } | gzip >list3.gz
"$tool" apply v3.db list3.gz --full 1.0003 >/dev/null
printf 'MZ' >karvex.exe

"$tool" publish out --url v1.db v2.db v3.db --qua v2.db v3.db --file karvex.exe=1.3.1.0:karvex.exe >log.txt
check "tree" test "$(cd out && find . -type f | sort | tr '\n' ' ')" = \
    "./1.0001 ./1.0002 ./1.0002.qua ./1.0003 ./1.0003.qua ./current.ver ./diff/1.0001-1.0002 ./diff/1.0001-1.0003 ./diff/1.0002-1.0003 ./diff/1.0002-1.0003.qua ./file/karvex.exe "
check "manifest" test "$(cat out/current.ver)" = $'1.0003.mal\r\n1.0003.qua\r\n1.3.1.0#karvex.exe\r'
check "no busy file" test ! -e out/busy
check "difference holds only the changes" test "$(gzip -dc out/diff/1.0001-1.0002 | grep -c '^[-+]')" -eq 50
check "no temporary folder left" test "$(ls -d out.* 2>/dev/null | wc -l)" -eq 0

for pair in 1-2 2-3 1-3; do
    from=${pair%-*} to=${pair#*-}
    cp "v$from.db" client.db
    "$tool" apply client.db "out/diff/1.000$from-1.000$to" --diff "1.000$to" >/dev/null
    check "difference 1.000$from-1.000$to rebuilds v$to" cmp -s client.db "v$to.db"
done
for n in 1 2 3; do
    rm -f client.db
    "$tool" apply client.db "out/1.000$n" --full "1.000$n" >/dev/null
    check "full list 1.000$n rebuilds v$n" cmp -s client.db "v$n.db"
done

# Refusals: a one-line error naming the file, and nothing written.
cp v1.db before.db
head -c 40 v1.db >cut.db
{ head -c 32 v1.db; tail -c 16 v1.db; head -c 48 v1.db | tail -c 16; } >unordered.db
refused "publish into an existing folder" out "$tool" publish out --url v1.db
refused "database ending inside a record" cut.db "$tool" publish new --url v1.db cut.db
refused "records out of bucket order" unordered.db "$tool" publish new --url unordered.db
refused "version that does not follow" v1.db "$tool" publish new --url v2.db v1.db
refused "unreadable database" missing.db "$tool" publish new --url missing.db
refused "bad program version" karvex.exe "$tool" publish new --file karvex.exe=1.3.1:karvex.exe
refused "bad program name" karvex.exe "$tool" publish new --file ../x=1.3.1.0:karvex.exe
check "nothing half-written" test "$(ls -d new* 2>/dev/null | wc -l)" -eq 0
{ echo "h"; records 3 | sed '2s/.$//'; } | gzip >short.gz
refused "record of 31 digits" short.gz "$tool" apply v1.db short.gz --full 1.0009
printf 'not compressed' >plain.txt
refused "list that is no gzip" plain.txt "$tool" apply v1.db plain.txt --full 1.0009
refused "wrong version text" 1.x "$tool" apply v1.db list1.gz --full 1.x
refused "difference for a missing database" missing.db "$tool" apply missing.db changes.gz --diff 1.0002
check "database unchanged by the refusals" cmp -s v1.db before.db
check "no decompressed list left" test ! -e v1.db.list

echo "$passes passed, $failures failed"
[ "$failures" -eq 0 ]
