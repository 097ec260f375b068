#!/usr/bin/env bash
# Builds the .raw reader fuzzer (libFuzzer, AddressSanitizer, UBSan) from the SDK sources and
# prints the path of the program. FUZZ_BUILD_DIR chooses where (default build-raw-fuzz).
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
root="$(dirname "$here")"
out="${FUZZ_BUILD_DIR:-$root/build-raw-fuzz}"
mkdir -p "$out"
clang++-14 -std=c++17 -O2 -g -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
    -fno-omit-frame-pointer -I"$root/sdk/include" -I"$root/sdk/hal" \
    "$here/raw_reader_fuzzer.cpp" "$root"/sdk/hal/*.cpp -o "$out/raw_reader_fuzzer" >&2
echo "$out/raw_reader_fuzzer"
