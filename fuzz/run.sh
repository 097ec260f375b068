#!/usr/bin/env bash
# Builds and runs the .raw reader fuzzer for SECONDS (default 60) on a copy of the seed corpus
# (fuzz/corpus/, plus a sample recording where ../shared has one). Inputs that crash are kept
# in the build folder's artifacts/.
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

cp "$here"/corpus/* "$corpus/"
samples="$root/../shared/samples"
if [ -f "$samples/evt3_pedestrians.raw" ]; then
    cp "$samples/evt3_pedestrians.raw" "$corpus/"
fi

"$fuzzer" "$corpus" -max_total_time="$seconds" -max_len=4096 -timeout=20 -rss_limit_mb=2560 \
    -artifact_prefix="$artifacts/" -print_final_stats=1
