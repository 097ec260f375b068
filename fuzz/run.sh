#!/usr/bin/env bash
# Builds and runs the .raw reader fuzzer for SECONDS (default 60) on a seed corpus made in a
# temporary folder. Inputs that crash are kept in the build folder's artifacts/.
set -euo pipefail
seconds="${1:-60}"
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
root="$(dirname "$here")"
fuzzer="$("$here/build.sh")"
artifacts="$(dirname "$fuzzer")/artifacts"
mkdir -p "$artifacts"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
corpus="$work/corpus"
mkdir -p "$corpus"

evt3_header='%% evt 3.0\n%% format EVT3;height=720;width=1280\n%% end\n'
# time-high, time-low, row, single, vector base, 12- and 8-bit masks, trigger, wrap, single
printf "${evt3_header}"'\001\200\005\140\012\000\024\050\144\060\360\100\003\120\001\241\377\217\001\200\025\050' \
    > "$corpus/evt3_words.raw"
printf '%% Date 2020-09-25 07:48:29\n%% evt 3.0\n%% plugin_name hal_plugin_gen41_evk3\n''\055\213\000\140\310\000\152\043\046\053' \
    > "$corpus/evt3_old_header.raw"
# time-high, on event, trigger, others, reserved, rollover time-high, off event
printf '%% evt 2.0\n%% geometry 640x480\n%% end\n''\160\120\000\200\171\150\007\020\005\001\100\240\000\000\000\340\000\000\000\220\001\000\000\200\171\150\007\000' \
    > "$corpus/evt2_words.raw"
printf '%% format EVT2;height=480;width=640\n%% end\n%% \000\200\171\150\007\020' > "$corpus/evt2_percent_data.raw"
printf '%% evt 3.0\n' > "$corpus/header_only.raw"
samples="$root/../shared/samples"
if [ -f "$samples/evt3_pedestrians.raw" ]; then
    cp "$samples/evt3_pedestrians.raw" "$corpus/"
fi

"$fuzzer" "$corpus" -max_total_time="$seconds" -max_len=65536 -timeout=20 -rss_limit_mb=2560 \
    -artifact_prefix="$artifacts/" -print_final_stats=1
