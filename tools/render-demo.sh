#!/usr/bin/env bash
# Renders the built-in demo signal through the plug-in in a few contrasting settings, so the
# engine can be heard without a DAW.
set -euo pipefail
build_dir=${1:-build}
out_dir=${2:-out/demo}
render="$build_dir/tools/render/velbrook-render"

mkdir -p "$out_dir"
while read -r name args; do
    # shellcheck disable=SC2086
    "$render" demo "$out_dir/$name.wav" $args
done <<'RENDERS'
dry                      --set mix=0
default
clean-bandpass-sweep     --set cutoff=1800 --set resonance=3 --set amount=0.55 --set noiseType=Pink
comb-resonator           --set filterChar=Comb --set cutoff=220 --set resonance=7 --set amount=0.15
bite-driven-lowpass      --set filterChar=Bite --set filterType=2 --set cutoff=2500 --set filterDrive=0.6 --set resonance=4
crackle-storm            --set noiseModel=Crackle --set noiseCrackleType=3 --set noiseDensity=0.6 --set amount=0.9 --set noiseInject=3
RENDERS
"$render" demo "$out_dir/default.wav" --save-state "$out_dir/default.state" > /dev/null

echo "Demo renders are in $(realpath "$out_dir"):"
ls -1 "$out_dir" | sed 's/^/  /'
