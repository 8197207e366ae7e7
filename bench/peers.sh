#!/usr/bin/env bash
# Times our tracer chain (`vemora trace`, defaults) against potrace (`potrace -b dxf`) on
# synthetic drawings of several sizes and prints the ratio of the two times. Both read the same
# PBM and write DXF. The two run by turns, REPEATS times each, and each time shown is the median
# of its runs (the machine is shared: runs one after the other see the same load, and the median
# is not fooled by a lucky run the way the best one is); the peak resident memory of one run of
# each is shown beside the raster's own bytes (width x height x 4). potrace's DXF is scored too
# (its outlines lie half a stroke from the centre lines, within the scorer's tolerance, so expect
# fragmentation near 2); ours is scored from its JSON output of the same drawing.
#
#   bench/peers.sh [-b build/vemora] [-w build/bench/peers] [-r REPEATS] [SIZE...]
#   SIZE: WxH or a4/a3/a0; default 1000x800 a3 a0
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
vemora=$root/build/vemora
work=$root/build/bench/peers
repeats=7
python=/usr/bin/python3
while getopts "b:w:r:" opt; do
    case $opt in
        b) vemora=$OPTARG ;;
        w) work=$OPTARG ;;
        r) repeats=$OPTARG ;;
        *) echo "usage: $0 [-b VEMORA] [-w WORKDIR] [-r REPEATS] [SIZE...]" >&2; exit 2 ;;
    esac
done
shift $((OPTIND - 1))
sizes=("$@")
[ ${#sizes[@]} -eq 0 ] && sizes=(1000x800 a3 a0)
command -v potrace >/dev/null || { echo "peers: potrace is not installed (apt-get install potrace)" >&2; exit 2; }
have_vemora=0
[ -x "$vemora" ] && have_vemora=1
mkdir -p "$work"

# once CMD...: the wall time of one run in microseconds; fails when the run fails.
once() {
    local t0 t1
    t0=$(date +%s%N)
    "$@" >/dev/null 2>&1 || return 1
    t1=$(date +%s%N)
    echo $(( (t1 - t0) / 1000 ))
}

# median US...: the median of the times (microseconds) in seconds.
median() {
    printf "%s\n" "$@" | sort -n | awk '{ t[NR] = $1 } END {
        m = NR % 2 ? t[(NR + 1) / 2] : (t[NR / 2] + t[NR / 2 + 1]) / 2; printf "%.4f", m / 1e6 }'
}

# peak_mb CMD...: the peak resident memory of one run in MB.
peak_mb() {
    /usr/bin/time -f "%M" -o "$work/peak.txt" "$@" >/dev/null 2>&1 || return 1
    awk '{ printf "%.0f", $1 / 1024 }' "$work/peak.txt"
}

printf "%-10s %9s %9s %7s %9s %10s %10s %10s %11s\n" size "vemora s" "potrace s" ratio "raster MB" \
    "vemora MB" "potrace MB" "vemora VRI" "potrace VRI"
for size in "${sizes[@]}"; do
    base=$work/drawing-$size
    "$python" "$root/bench/drawings/drawings.py" "$base.png" --size "$size" --seed 1 \
        --pbm "$base.pbm" >/dev/null
    # Both tools by turns.
    ptimes=() vtimes=() tp=failed tv=n/a
    for ((i = 0; i < repeats; i++)); do
        t=$(once potrace -b dxf "$base.pbm" -o "$base.potrace.dxf") && ptimes+=("$t")
        if [ $have_vemora = 1 ]; then
            t=$(once "$vemora" trace "$base.pbm" -o "$base.vemora.dxf" --quiet) && vtimes+=("$t")
        fi
    done
    [ ${#ptimes[@]} -eq "$repeats" ] && tp=$(median "${ptimes[@]}")
    pmb=$(peak_mb potrace -b dxf "$base.pbm" -o "$base.potrace.dxf") || pmb=-
    rmb=$(head -c 64 "$base.pbm" | "$python" -c 'import sys; t=sys.stdin.buffer.read().split(); print("%.0f" % (int(t[1]) * int(t[2]) * 4 / 1048576))')
    # potrace's coordinates are pixel corners in pixel units; ours put pixel centres on integers.
    pvri=$("$python" "$root/bench/score/score.py" "$base.truth.json" "$base.potrace.dxf" \
        --dxf-scale 1 --shift=-0.5,-0.5 --json - | "$python" -c 'import json,sys; print("%.3f" % json.load(sys.stdin)["vri"])') || pvri=-
    ratio=- vvri=- vmb=-
    if [ $have_vemora = 1 ]; then
        if [ ${#vtimes[@]} -eq "$repeats" ]; then
            tv=$(median "${vtimes[@]}")
            vmb=$(peak_mb "$vemora" trace "$base.pbm" -o "$base.vemora.dxf" --quiet) || vmb=-
            "$vemora" trace "$base.pbm" -o "$base.vemora.json" --quiet
            ratio=$(awk -v a="$tv" -v b="$tp" 'BEGIN { if (b > 0) printf "%.2f", a / b; else print "-" }')
            vvri=$("$python" "$root/bench/score/score.py" "$base.truth.json" "$base.vemora.json" \
                --json - | "$python" -c 'import json,sys; print("%.3f" % json.load(sys.stdin)["vri"])') || vvri=-
        else
            tv=failed
        fi
    fi
    printf "%-10s %9s %9s %7s %9s %10s %10s %10s %11s\n" "$size" "$tv" "$tp" "$ratio" "$rmb" "$vmb" "$pmb" \
        "$vvri" "$pvri"
done
[ $have_vemora = 1 ] || echo "($vemora not found: only potrace was run)"
