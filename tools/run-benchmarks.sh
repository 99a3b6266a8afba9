#!/usr/bin/env bash
# Engine cost per stereo frame at 48 kHz: Google Benchmark figures as ns per frame, share of one
# core and ratios to the baselines of the same run, then whole renders of the demo through the tool.
set -euo pipefail
build_dir=${1:-build}
bench="$build_dir/bench/velbrook-bench"
render="$build_dir/tools/render/velbrook-render"

raw=$(mktemp)
trap 'rm -f "$raw" "$raw.wav"' EXIT
"$bench" --benchmark_min_time=0.3 > "$raw" 2>/dev/null

echo "Processing cost per stereo frame at 48 kHz (256-sample blocks unless named):"
awk '
    /items_per_second=/ {
        rate = $NF; sub(/items_per_second=/, "", rate)
        scale = 1
        if (rate ~ /G\/s$/) scale = 1e9; else if (rate ~ /M\/s$/) scale = 1e6; else if (rate ~ /k\/s$/) scale = 1e3
        sub(/[GMk]?\/s$/, "", rate)
        ns[NR] = 1e9 / (rate * scale); name[NR] = $1; order[++n] = NR
        if ($1 == "Baseline_ResonantSvf") svf = ns[NR]
        if ($1 == "Baseline_Oversampler2x") ovs = ns[NR]
    }
    END {
        printf "  %-30s %10s %9s %10s %10s\n", "", "ns/frame", "% core", "x SVF", "x 2x OS"
        for (i = 1; i <= n; ++i) {
            r = order[i]
            printf "  %-30s %10.1f %9.2f %10.1f %10.1f\n", name[r], ns[r], ns[r] * 48000 / 1e7, ns[r] / svf, ns[r] / ovs
        }
    }' "$raw"

echo
echo "Whole renders of the 8-second demo, 256-sample blocks:"
while read -r label args; do
    # shellcheck disable=SC2086
    line=$("$render" demo "$raw.wav" --block 256 $args)
    rtf=$(sed -E 's/.*\| ([0-9.]+)x real time/\1/' <<<"$line")
    awk -v l="$label" -v r="$rtf" 'BEGIN { printf "  %-34s %8.1fx real time %7.2f %% core\n", l, r, 100 / r }'
done <<'EOF_RENDERS'
default(Clean12,2x) --oversampling 1
Clean12,off --oversampling 0
Clean12,4x --oversampling 2
Comb,4x --oversampling 2 --set filterChar=Comb
Bite,4x --oversampling 2 --set filterChar=Bite
Bite+drive+feedback,4x --oversampling 2 --set filterChar=Bite --set filterDrive=1 --set fbAmount=0.3
EOF_RENDERS
