#!/bin/sh
# Damages one frame the virtual unit sends (--corrupt-frame N) for N over a
# range and runs backup, export --all, list and recall under it. Every run
# must either give output byte-identical to an undamaged run, or exit 1
# naming what is missing. Prints one line per run and the totals.
#
#   scripts/corrupt-frame-sweep.sh [BUILD_DIR] [FIRST] [LAST] [STEP]
#
# Defaults: build, 1, 500, 10.
set -u
build=${1:-build}
first=${2:-1}
last=${3:-500}
step=${4:-10}
sim="$build/bin/kt900-sim"
cli="$build/bin/kt900"
work=$(mktemp -d "${TMPDIR:-/tmp}/kt900sweep.XXXXXX")
trap 'rm -rf "$work"' EXIT

run() { # state-file fault-args... -- kt900-args...
    state=$1; shift
    "$sim" --state "$state" "$@"
}

fresh() { rm -f "$1"; } # a missing state file is the factory unit

# Reference outputs from undamaged runs.
fresh "$work/ref.state"
run "$work/ref.state" -- "$cli" backup "$work/ref.tbf" >/dev/null 2>&1 || { echo "reference backup failed"; exit 2; }
fresh "$work/ref.state"
run "$work/ref.state" -- "$cli" list > "$work/ref.list" 2>/dev/null || { echo "reference list failed"; exit 2; }
fresh "$work/ref.state"
run "$work/ref.state" -- "$cli" export --all "$work/ref.export" >/dev/null 2>&1 || { echo "reference export failed"; exit 2; }
fresh "$work/ref.state"
run "$work/ref.state" -- "$cli" recall "$work/ref.tbf" >/dev/null 2>&1 || { echo "reference recall failed"; exit 2; }
cp "$work/ref.state" "$work/ref.recalled.state"

identical=0; failed_named=0; bad=0; runs=0
verdict() { # name n exit same errfile
    runs=$((runs + 1))
    if [ "$3" -eq 0 ] && [ "$4" = yes ]; then
        identical=$((identical + 1)); echo "$1 N=$2: identical"
    elif [ "$3" -eq 1 ] && [ -s "$5" ]; then
        failed_named=$((failed_named + 1)); echo "$1 N=$2: exit 1: $(grep '^kt900:' "$5" | head -1)"
    else
        bad=$((bad + 1)); echo "$1 N=$2: BAD (exit $3, identical $4)"
    fi
}

n=$first
while [ "$n" -le "$last" ]; do
    s="$work/s.state"
    fresh "$s"; rm -f "$work/b.tbf"
    run "$s" --corrupt-frame "$n" -- "$cli" backup "$work/b.tbf" >/dev/null 2>"$work/err"; rc=$?
    same=no; cmp -s "$work/b.tbf" "$work/ref.tbf" && same=yes
    verdict backup "$n" "$rc" "$same" "$work/err"

    fresh "$s"
    run "$s" --corrupt-frame "$n" -- "$cli" list >"$work/l" 2>"$work/err"; rc=$?
    same=no; cmp -s "$work/l" "$work/ref.list" && same=yes
    verdict list "$n" "$rc" "$same" "$work/err"

    fresh "$s"; rm -rf "$work/e"
    run "$s" --corrupt-frame "$n" -- "$cli" export --all "$work/e" >/dev/null 2>"$work/err"; rc=$?
    same=no; diff -r -q "$work/e" "$work/ref.export" >/dev/null 2>&1 && same=yes
    verdict export "$n" "$rc" "$same" "$work/err"

    fresh "$s"
    run "$s" --corrupt-frame "$n" -- "$cli" recall "$work/ref.tbf" >/dev/null 2>"$work/err"; rc=$?
    same=no; cmp -s "$s" "$work/ref.recalled.state" && same=yes
    verdict recall "$n" "$rc" "$same" "$work/err"
    n=$((n + step))
done
echo "runs: $runs, identical: $identical, exit 1 naming the item: $failed_named, bad: $bad"
[ "$bad" -eq 0 ]
