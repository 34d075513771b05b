#!/bin/bash
# The map of accepted combinations: every line of the combination list (the
# arguments of qelta_case_run, e.g. "case=2 mach=10 angle=90 level=3") runs
# as a process of its own, JOBS at a time; each prints the line, then "end
# ..." or the library's stop message.
#   bench/case_map.sh LIST [JOBS] [BINARY] [TIMEOUT_S]    (JOBS at most 4 here)
#   bench/case_map.sh --list LEVEL     prints the combinations of one level
set -u
list_level() {
    local L=$1
    for c in 2 4; do
        for m in 1.001 2 4 6 8 10; do for a in 0 30 45 60 75 90; do for g in 1.001 1.4 3; do
            echo "case=$c mach=$m angle=$a gamma=$g level=$L"
        done; done; done
        for m in 1.5 3; do for a in 15; do for g in 1.4 1.6666667; do
            echo "case=$c mach=$m angle=$a gamma=$g level=$L"
        done; done; done
    done
    for g in 1.4 1.6666667; do
        for m in 1.5 3 5 7 10; do
            echo "case=1 mach=$m gamma=$g level=$L"
            echo "case=1 mach=$m gamma=$g level=$L steady=1"
            echo "case=3 mach=$m gamma=$g level=$L"
            echo "case=101 mach=$m gamma=$g level=$L"
        done
        echo "case=5 gamma=$g level=$L"
        echo "case=6 gamma=$g level=$L"
        for m in 0.8 2 5 10; do
            echo "case=102 mach=$m angle=5 gamma=$g level=$L ns=0"
            echo "case=102 mach=$m angle=5 gamma=$g level=$L ns=1"
        done
    done
    for w in 0.01 0.02 0.1 0.5 5 10 20 100; do
        echo "case=101 mach=2 level=$L wall=$w"
        echo "case=102 mach=0.8 angle=5 level=$L wall=$w"
    done
    for s in "scheme=1" "scheme=3" "scheme=4" "scheme=5" "scheme=7 iflux=1" "scheme=7 iflux=4" "scheme=7 iflux=12" \
             "scheme=8 iflux=2" "scheme=8 iflux=13" "cfl=1" "cfl=0.05" "minlev=0" "minlev=3" "noise=0" "hmin=0.01" \
             "refine=0.05 coarse=0.01" "smooth=1"; do
        echo "case=2 mach=10 angle=90 level=$L $s"
        echo "case=1 mach=5 level=$L $s"
    done
}
if [ "${1:-}" = "--list" ]; then list_level "$2"; exit 0; fi
LIST=$1
JOBS=${2:-4}
BIN=${3:-$(dirname "$0")/../build/bin/qelta_case_run}
TMO=${4:-3600}
export BIN TMO
one() {
    out=$(timeout "$TMO" "$BIN" $1 2>&1)
    rc=$?
    last=$(printf '%s\n' "$out" | grep -E '^end |^stop |QELTA' | tr '\n' ' ')
    [ $rc -eq 124 ] && last="timeout after $TMO s $last"
    printf '%s | %s\n' "$1" "$last"
}
export -f one
grep -v '^#' "$LIST" | xargs -P "$JOBS" -I{} bash -c 'one "$@"' _ {}
