#!/usr/bin/env bash
# Measures qmdesc watch, as in: watch_bench.sh QMDESC DIR (a .exe runs under Wine, set up by the caller's
# use_wine). Prints "RESULT name value" lines: the median time from a rename to its description in the
# file (20 renames), a burst of 1,000 renames in one folder, from the last until every description has
# followed, and one
# import of the same 1,000 changes, the processor time of five idle seconds (under Wine with wineserver's),
# and the start over a tree of 10,000 folders against find over it, in time and peak memory (under Wine,
# of the program's process alone).
set -euo pipefail
source "$(dirname "$0")/../scripts/lib.sh"
exe=$1 dir=$2
loader=()
if [[ $exe == *.exe ]]; then
    use_wine
    loader=("$(wine_loader_for "$exe")")
fi
shown() { if [ ${#loader[@]} -gt 0 ]; then echo "Z:${1//\//\\}"; else echo "$1"; fi; }
now() { date +%s%N; }
ms() { echo $((($2 - $1) / 1000000)); }
desc="file descriptions.desc"
rm -rf "$dir" && mkdir -p "$dir/one" "$dir/burst" "$dir/tree"
# Starts watch on FOLDER and waits for its first line; sets watcher.
start_watch() {
    rm -f "$dir/err"
    "${loader[@]}" "$exe" watch "$(shown "$1")" >"$dir/out" 2>"$dir/err" &
    watcher=$!
    for _ in $(seq 600); do grep -q '^qmdesc: watching' "$dir/err" 2>/dev/null && return; sleep 0.05; done
}
stop_watch() { kill -INT "$watcher"; wait "$watcher" || true; }

touch "$dir/one/r0.jpg"
"${loader[@]}" "$exe" set "$(shown "$dir/one")" r0.jpg Described 2>/dev/null
start_watch "$dir/one"
latencies=()
for i in $(seq 20); do
    begin=$(now)
    mv "$dir/one/r$((i - 1)).jpg" "$dir/one/r$i.jpg"
    until grep -q "<file_name>r$i.jpg<" "$dir/one/$desc"; do sleep 0.005; done
    latencies+=($(ms "$begin" "$(now)"))
    sleep 0.2
done
echo "RESULT rename_latency_ms $(printf '%s\n' "${latencies[@]}" | sort -n | sed -n 10,11p | awk '{ s += $1 } END { print s / 2 }')"
# Idle: nothing changes for five seconds.
cpu() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }
server=$(pgrep -x wineserver | head -1 || true)
before=$(cpu "$watcher") server_before=$([ -z "$server" ] || cpu "$server")
sleep 5
ticks=$(($(cpu "$watcher") - before))
[ -z "$server" ] || ticks=$((ticks + $(cpu "$server") - server_before))
echo "RESULT idle_5s_cpu_s $(awk -v t=$ticks -v hz="$(getconf CLK_TCK)" 'BEGIN { printf "%.3f", t / hz }')"
stop_watch

(cd "$dir/burst" && printf 'name,description\r\n' >../burst.csv && for i in $(seq 1000); do : >"f$i.jpg" && printf 'f%d.jpg,D%d\r\n' "$i" "$i" >>../burst.csv; done)
begin=$(now)
"${loader[@]}" "$exe" import "$(shown "$dir/burst")" "$(shown "$dir/burst.csv")" 2>/dev/null
echo "RESULT import_1000_ms $(ms "$begin" "$(now)")"
start_watch "$dir/burst"
# Timed from the last rename, so that how fast this side renames does not count.
python3 -c 'import os, sys; [os.rename("%s/f%d.jpg" % (sys.argv[1], i), "%s/g%d.jpg" % (sys.argv[1], i)) for i in range(1, 1001)]' "$dir/burst"
begin=$(now)
until [ "$(grep -c '<file_name>g' "$dir/burst/$desc")" = 1000 ]; do sleep 0.005; done
echo "RESULT burst_1000_ms $(ms "$begin" "$(now)")"
stop_watch

# 10,000 folders, 100 of them described.
(cd "$dir/tree" && for a in $(seq 100); do for b in $(seq 100); do echo "d$a/e$b"; done; done | xargs mkdir -p)
for a in $(seq 100); do touch "$dir/tree/d$a/x.jpg" && printf 'name,description\r\nx.jpg,needle\r\n' >"$dir/x.csv" &&
    "${loader[@]}" "$exe" import "$(shown "$dir/tree/d$a")" "$(shown "$dir/x.csv")" 2>/dev/null; done
peak() { /usr/bin/time -f '%M' -o "$dir/peak" "$@" >/dev/null 2>&1 || true; }
begin=$(now)
peak "${loader[@]}" "$exe" find needle-zebra "$(shown "$dir/tree")"
echo "RESULT find_10000_ms $(ms "$begin" "$(now)")"
echo "RESULT find_10000_peak_kib $(tail -1 "$dir/peak")"
rm -f "$dir/err"
begin=$(now)
/usr/bin/time -f '%M' -o "$dir/peak" "${loader[@]}" "$exe" watch "$(shown "$dir/tree")" >"$dir/out" 2>"$dir/err" &
timer=$!
until grep -q '^qmdesc: watching' "$dir/err" 2>/dev/null; do sleep 0.01; done
echo "RESULT watch_start_10000_ms $(ms "$begin" "$(now)")"
pkill -INT -f "$(basename "$exe") watch" || true
wait "$timer" || true
echo "RESULT watch_10000_peak_kib $(tail -1 "$dir/peak")"
rm -rf "$dir"
