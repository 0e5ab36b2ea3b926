#!/usr/bin/env bash
# The catch-all entry of one Wine test program: runs every test of the program
# that none of its ctest entries names, so a new suite runs before anyone
# gives it an entry of its own, and fails when a test is named by two entries,
# which would run it twice. The program itself tells which tests a filter
# names (--gtest_list_tests).
#
#   unlisted-tests.sh HARNESS RUN_DIR NAME PROGRAM ENTRY=FILTER...
#
# One ENTRY=FILTER per ctest entry of PROGRAM: the entry's name and its gtest
# filter, patterns to run and none to leave out (tests/wine/host/CMakeLists.txt
# passes them all, from the same calls that register the entries).
set -euo pipefail

[ $# -ge 4 ] || { echo "usage: unlisted-tests.sh HARNESS RUN_DIR NAME PROGRAM ENTRY=FILTER..." >&2; exit 2; }
harness=$1 run_dir=$2 name=$3 program=$4
shift 4

# The full names of the tests that `filter` selects, one a line. gtest lists a
# suite as "Suite." and its tests below it, indented, each perhaps followed
# by a comment with its parameter; other lines (gtest_main's greeting) are
# neither.
tests_of() {
    local filter=$1 listing
    listing=$("$harness" exec "$run_dir" "$program" --gtest_list_tests "--gtest_filter=$filter") || {
        echo "unlisted-tests: $program does not list its tests" >&2; return 1; }
    tr -d '\r' <<<"$listing" |
        awk '/^[A-Za-z0-9_\/]+\.$/ { suite = $1; next } /^[^ ]/ { suite = "" } /^  [^ ]/ && suite { print suite $1 }'
}

status=0
union=
declare -A entry_of
for entry in "$@"; do
    entry_name=${entry%%=*}
    filter=${entry#*=}
    union+=${union:+:}$filter
    tests=$(tests_of "$filter")
    if [ -z "$tests" ]; then
        # A suite renamed under its entry: the entry would pass running nothing.
        echo "unlisted-tests: the filter of wine.$entry_name names no test of $(basename "$program")" >&2
        status=1
    fi
    while IFS= read -r test; do
        [ -n "$test" ] || continue
        if [ -n "${entry_of[$test]:-}" ]; then
            echo "unlisted-tests: $test runs in wine.${entry_of[$test]} and again in wine.$entry_name:" \
                 "leave it in one filter" >&2
            status=1
        else
            entry_of[$test]=$entry_name
        fi
    done <<<"$tests"
done

unlisted=$(tests_of "-$union")
if [ -z "$unlisted" ]; then
    echo "unlisted-tests: every test of $(basename "$program") is in an entry's filter"
else
    echo "unlisted-tests: in no entry's filter, so run here (give them an entry in tests/wine/host/CMakeLists.txt):"
    sed 's/^/    /' <<<"$unlisted"
    "$harness" run "$run_dir" "$name" "$program" "--gtest_filter=-$union" || status=$?
fi
exit "$status"
