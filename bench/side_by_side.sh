#!/usr/bin/env bash
# The three programs changing one database at once: the tray launcher driven through its window,
# and two letterbayctl loops, for a while (default 120 s). Each loop runs once alone first, for the
# same time, as its baseline. Prints, per loop, the operations done and failed alone and side by
# side, the throughput ratio, and the failures of each kind ("database is locked" and busy
# refusals counted apart). Nothing passes or fails; exit 0 unless nothing could be measured.
#
#   bench/side_by_side.sh [BUILD_DIR] [SECONDS]     (LBCTL=path: another letterbayctl to compare)
set -uo pipefail
build=$(cd "${1:-build}" && pwd)
duration=${2:-120}
here=$(cd "$(dirname "$0")/.." && pwd)
ctl=${LBCTL:-$build/bin/letterbayctl}
tray=$build/bin/lb_traywick_driver
[ -x "$ctl" ] && [ -x "$tray" ] || { echo "build letterbayctl and lb_traywick_driver first" >&2; exit 1; }

home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
export HOME=$home XDG_DATA_HOME=$home/data XDG_CONFIG_HOME=$home/config XDG_CACHE_HOME=$home/cache
export LETTERBAY_HOME=$home/letterbay LETTERBAY_SHARE=$build/share/letterbay QT_QPA_PLATFORM=offscreen
mkdir -p "$XDG_DATA_HOME/fonts"
cp "$here"/tests/fixtures/fonts/*-Regular.ttf "$here"/tests/fixtures/fonts/FixtureSans-Bold.ttf \
    "$XDG_DATA_HOME/fonts/"
"$ctl" refresh >/dev/null
for s in A B C; do "$ctl" add-set $s >/dev/null; done
"$ctl" assign A "Fixture Sans" "Alpha Test" >/dev/null
"$ctl" assign B "Beta Test" "Gamma Test" >/dev/null

echo "side by side: $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg), ${duration} s per run"

# One loop of one kind until its time is up; prints "done failed locked busy".
run_loop() {
    local kind=$1 end=$((SECONDS + duration)) done=0 failed=0 locked=0 busy=0 i=0 err rc
    while ((SECONDS < end)); do
        i=$((i + 1))
        case $kind in
        tray) err=$("$tray" activate "$([ $((i % 2)) = 0 ] && echo A || echo B)" 2>&1 >/dev/null) ;;
        activate) err=$("$ctl" activate "$([ $((i % 3)) = 0 ] && echo C || echo A)" 2>&1 >/dev/null) ;;
        assign)
            if ((i % 2)); then err=$("$ctl" assign C "Delta Test" 2>&1 >/dev/null)
            else err=$("$ctl" unassign C "Delta Test" --yes 2>&1 >/dev/null); fi ;;
        esac
        rc=$?
        if ((rc == 0)); then done=$((done + 1)); else failed=$((failed + 1)); fi
        grep -qi "database is locked" <<<"$err" && locked=$((locked + 1))
        grep -qi "for more than" <<<"$err" && busy=$((busy + 1))
    done
    echo "$done $failed $locked $busy"
}

declare -A alone together
for kind in tray activate assign; do alone[$kind]=$(run_loop $kind); done
tmp=$home/results
mkdir -p "$tmp"
for kind in tray activate assign; do run_loop $kind >"$tmp/$kind" & done
wait
for kind in tray activate assign; do together[$kind]=$(cat "$tmp/$kind"); done

printf '%-9s %12s %12s %8s %10s %8s\n' loop "alone ok/err" "beside ok/err" ratio "locked" "busy"
total_locked=0
for kind in tray activate assign; do
    read -r a_done a_failed _ _ <<<"${alone[$kind]}"
    read -r t_done t_failed t_locked t_busy <<<"${together[$kind]}"
    ratio=$(awk -v t="$t_done" -v a="$a_done" 'BEGIN { printf a ? "x%.2f" : "-", t / a }')
    printf '%-9s %12s %12s %8s %10s %8s\n' "$kind" "$a_done/$a_failed" "$t_done/$t_failed" \
        "$ratio" "$t_locked" "$t_busy"
    total_locked=$((total_locked + t_locked))
done
echo "operations that failed with \"database is locked\" side by side: $total_locked"
echo "load at the end $(cut -d' ' -f1-3 /proc/loadavg)"
