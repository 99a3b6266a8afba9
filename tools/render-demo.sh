#!/usr/bin/env bash
# Renders the built-in demo signal through the plug-in, so it can be heard without a DAW.
set -euo pipefail
build_dir=${1:-build}
out_dir=${2:-out/demo}
render="$build_dir/tools/render/velbrook-render"

mkdir -p "$out_dir"
"$render" demo "$out_dir/velbrook-default.wav" --save-state "$out_dir/velbrook-default.state"
"$render" demo "$out_dir/demo-dry.wav" --set mix=0

echo "Demo renders are in $(realpath "$out_dir"):"
ls -1 "$out_dir" | sed 's/^/  /'
