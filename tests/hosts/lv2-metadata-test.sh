#!/usr/bin/env bash
# lilv's tools read the built LV2 bundle as any LV2 host would: it is found under its URI, shows
# stereo audio ports, and declares the plug-in's parameters in the plug-in's own order.
set -euo pipefail
bundle=$1 uri=$2 render=$3

fail() { echo "FAIL: $*" >&2; exit 1; }

export LV2_PATH
LV2_PATH=$(dirname "$bundle")

lv2ls | grep -qxF "$uri" || fail "lv2ls does not list $uri"

info=$(lv2info "$uri")
grep -qE '^\s*Name:\s+Velbrook$' <<<"$info" || fail "lv2info shows no name Velbrook"
audio_in=$(grep -A2 'Type:' <<<"$info" | grep -c 'AudioPort' || true)
[[ $audio_in -eq 4 ]] || fail "expected 4 audio ports (2 in, 2 out), lv2info shows $audio_in"

# serdi streams the Turtle and prints its statements in file order.
declared=$(serdi "$bundle/dsp.ttl" 2>/dev/null \
    | awk '$2 == "<http://lv2plug.in/ns/ext/patch#writable>" { id = $3; sub(/^<.*:/, "", id); sub(/>$/, "", id); print id }')
expected=$("$render" --list-params | cut -f2)

[[ $(wc -l <<<"$declared") -eq 208 ]] || fail "expected 208 writable parameters, found $(wc -l <<<"$declared")"
diff <(echo "$expected") <(echo "$declared") > /dev/null || fail "parameter order differs: $(diff <(echo "$expected") <(echo "$declared") | head -5)"
echo "lilv lists $uri with 208 parameters in order"
