#!/usr/bin/env bash
# A host we did not write shows the editor: jalv (GTK 3) loads the LV2 on a dummy JACK server under
# the virtual display this runs in. The page must appear in jalv's window, and closing jalv must
# leave no web-view helper behind.
# Usage: jalv-editor-test.sh LV2_BUNDLE_DIR URI   (with DISPLAY set, e.g. under xvfb-run)
set -euo pipefail
bundle=$1
uri=$2

work=$(mktemp -d)
export HOME=$work
export LV2_PATH=$(dirname "$bundle")
export JACK_DEFAULT_SERVER="velbrook-test-$$"
export JACK_NO_AUDIO_RESERVATION=1
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

fail() { echo "FAIL: $*"; exit 1; }

jackd --no-realtime -d dummy -r 48000 -p 512 > "$work/jackd.log" 2>&1 &
pids+=($!)
sleep 1

jalv.gtk3 "$uri" > "$work/jalv.log" 2>&1 &
jalv=$!
pids+=($jalv)

helper_of_jalv() { pgrep -P "$jalv" -f velbrook-webview || true; }
for _ in $(seq 100); do
    [[ -n $(helper_of_jalv) ]] && break
    sleep 0.1
done
[[ -n $(helper_of_jalv) ]] || { cat "$work/jalv.log"; fail "jalv started no web-view helper"; }
sleep 4 # the page's first frames

import -window root "$work/shot.png"
# The editor's dark page covers most of jalv's window, and it shows more than a blank fill: the
# logo, the preset name and the controls bring dozens of colours.
colours=$(convert "$work/shot.png" -crop 640x535+0+30 -format %k info:)
black=$(convert "$work/shot.png" -crop 640x535+0+30 -fill white +opaque black -format "%[fx:1-mean]" info:)
echo "jalv window: $colours colours, black share $black"
(( colours >= 20 )) || fail "the editor area looks blank ($colours colours)"
awk "BEGIN { exit !($black > 0.6) }" || fail "the page's background does not fill the editor ($black)"

helper=$(helper_of_jalv)
kill "$jalv"
wait "$jalv" 2>/dev/null || true
for _ in $(seq 50); do
    kill -0 "$helper" 2>/dev/null || break
    sleep 0.1
done
! kill -0 "$helper" 2>/dev/null || fail "the web-view helper outlived jalv"
echo "PASS"
