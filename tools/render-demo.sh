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
clean-bandpass-sweep     --preset Init --set filterType=Bandpass --set cutoff=1800 --set resonance=3 --set amount=0.55 --set noiseType=Pink
comb-resonator           --preset Init --set filterType=Bandpass --set filterChar=Comb --set cutoff=220 --set resonance=7 --set amount=0.15
bite-driven-lowpass      --preset Init --set filterChar=Bite --set cutoff=2500 --set filterDrive=0.6 --set resonance=4 --set amount=0.3
crackle-storm            --preset Init --set filterType=Bandpass --set cutoff=1000 --set noiseModel=Crackle --set noiseCrackleType=3 --set noiseDensity=0.6 --set amount=0.9 --set noiseInject=3
lfo-sweep                --preset Init --set filterType=Bandpass --set cutoff=1000 --set lfoSync=1 --set lfoSyncDiv=2 --set lfoToCutoff=0.45 --set resonance=4 --set amount=0.2
grain-cloud              --preset Init --set filterType=Bandpass --set cutoff=1500 --set amount=0.15 --set grEnable=1 --set grMix=0.7 --set grFeedback=0.6 --set grSpray=180 --set grDelay=3 --tail 2
pumping-ott              --preset Init --set cutoff=2500 --set amount=0.3 --set otEnable=1 --set otMix=1 --set otDepth=1 --set shTilt=0.4 --set mix=0.7
transient-noise-bursts   --preset Init --set cutoff=3000 --set resonance=2 --set amount=0.3 --set ndEnable=1 --set ndMode=1 --set ndLevel=0.3 --set ndRelease=90 --set ndNoiseType=1
RENDERS
"$render" demo "$out_dir/default.wav" --save-state "$out_dir/default.state" > /dev/null

# A dozen contrasting factory presets, with a listening guide measured from the renders.
analyse="$build_dir/tools/render/velbrook-analyse"
guide="$out_dir/README.txt"
{
    echo "Velbrook demo renders: the built-in 8-second demo (drums, a chord, a little noise) at 120 BPM."
    echo "Centroid: the spectral centre of gravity (higher is brighter). Correlation: 1 is mono, lower is wider."
    echo
    echo "dry.wav: the demo itself."
    echo "$("$analyse" "$out_dir/dry.wav" | cut -d: -f2-)"
    echo
} > "$guide"
while IFS='|' read -r preset listen; do
    file="$out_dir/preset-$(tr ' &' '-_' <<<"$preset" | tr -s '-' | tr '[:upper:]' '[:lower:]').wav"
    "$render" demo "$file" --preset "$preset" --tail 1 > /dev/null
    {
        echo "$(basename "$file") - $preset: $listen"
        echo "$("$analyse" "$file" | cut -d: -f2-)"
        echo
    } >> "$guide"
done <<'PRESETS'
Bus Polish|air and a gentle three-band lift; listen to the cymbals open up
Duck Pump|the whole mix ducks and swells on every beat
Gate Sixteen|hard sixteenth-note gating on a resonant band
AM Radio|a narrow, crackling mono band between stations
Bit Rot|sample-rate rot and drive flickering six times a second
Boom Tail|a dark noise boom trailing each kick
Metal Hat|a metallic comb ringing on the hats
Comb Choir|combs singing on the chord, with a few grains
Grain Halo|a wide halo of grains around the chord
Space Echo Duck|quarter-note echoes that duck under each hit
Siren Howl|a howling resonant band-pass sweeping like a siren
Storm Warning|a dark, wide storm of crackle rolling over the beat
PRESETS

echo "Demo renders are in $(realpath "$out_dir"):"
ls -1 "$out_dir" | sed 's/^/  /'
