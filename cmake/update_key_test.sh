#!/usr/bin/env bash
# The configure step refuses a build that names a real server with the
# repository's test key (its private half is public), also when the key is
# copied elsewhere, and takes the same names with another key. Configures
# only, in a scratch folder that is removed afterwards.
# usage: update_key_test.sh SOURCE-DIR SCRATCH-DIR GENERATOR
set -euo pipefail

source=$1 scratch=$2 generator=$3
rm -rf "$scratch"
mkdir -p "$scratch"
trap 'rm -rf "$scratch"' EXIT
build=$scratch/build

failures=0
configure() {  # configure NAME WANT(pass|fail) CMAKE-ARGS...
    local status=0
    cmake -S "$source" -B "$build" -G "$generator" "${@:3}" >"$scratch/log" 2>&1 || status=$?
    if { [ "$2" = pass ] && [ "$status" -eq 0 ]; } ||
       { [ "$2" = fail ] && [ "$status" -ne 0 ] &&
         tr -s ' \n' ' ' <"$scratch/log" | grep -q "KARVEX_UPDATE_HOST1=update.karvex.com names a real server"; }; then
        echo "ok   $1"
    else
        echo "FAIL $1"; sed 's/^/    /' "$scratch/log"; failures=$((failures + 1))
    fi
}

cp "$source/tests/keys/update-test.pub" "$scratch/copy.pub"
configure "test key with a real server refused" fail -DKARVEX_UPDATE_HOST1=update.karvex.com
configure "a copy of the test key refused too" fail -DKARVEX_UPDATE_KEY="$scratch/copy.pub"
configure "another key accepted" pass -DKARVEX_UPDATE_KEY="$source/tests/keys/other-test.pub"
if ! cmp -s <(sed -n '/BEGIN PUBLIC KEY/,/END PUBLIC KEY/{s/^.*R"pem(//;p}' "$build/generated/update_key.h") \
        "$source/tests/keys/other-test.pub"; then
    echo "FAIL the client is built with the key given"; failures=$((failures + 1))
else
    echo "ok   the client is built with the key given"
fi
[ "$failures" -eq 0 ]
