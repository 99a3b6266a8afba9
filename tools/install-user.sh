#!/usr/bin/env bash
# Installs the built plug-ins for the current user: VST3 into ~/.vst3, LV2 into ~/.lv2.
set -euo pipefail
build_dir=${1:-build}

vst3=$(find "$build_dir/Velbrook_artefacts" -path '*/VST3/Velbrook.vst3' -prune | head -n 1)
[[ -n "$vst3" ]] || { echo "no built plug-in under $build_dir; run make build" >&2; exit 1; }
artefacts=$(dirname "$(dirname "$vst3")")

install_bundle() {
    local bundle=$1 destination=$2
    mkdir -p "$destination"
    # Copy beside the old bundle, then swap, so a host never sees a half-copied bundle.
    local staging="$destination/.$(basename "$bundle").new"
    rm -rf "$staging"
    cp -r "$bundle" "$staging"
    rm -rf "$destination/$(basename "$bundle")"
    mv "$staging" "$destination/$(basename "$bundle")"
    echo "Installed $(basename "$bundle") in $destination"
}

install_bundle "$artefacts/VST3/Velbrook.vst3" "$HOME/.vst3"
install_bundle "$artefacts/LV2/Velbrook.lv2" "$HOME/.lv2"
echo "Standalone: $(realpath "$artefacts/Standalone/Velbrook")"
