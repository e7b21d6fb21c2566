#!/usr/bin/env bash
# Fuzzes the asset decoder and unpacker with libFuzzer (clang, with
# AddressSanitizer and UndefinedBehaviorSanitizer) for a bounded time.
#   bash tools/ci/fuzz.sh [SECONDS]   (default 60)
# Needs a configured build/test (for the generated asset header). Crashes are
# written to build/fuzz/; the corpus grows in a copy, tests/fuzz/corpus stays.
set -euo pipefail
ROOT=$(cd -- "$(dirname -- "${BASH_SOURCE[0]}")/../.." && pwd -P)
cd -- "$ROOT"
SECONDS_TO_RUN=${1:-60}
OUT=build/fuzz
mkdir -p "$OUT/corpus"
cp tests/fuzz/corpus/* "$OUT/corpus/"
clang++ -std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all \
    -Isrc -Ibuild/test/generated tests/fuzz/asset_fuzzer.cpp src/shell/asset_files.cpp src/media/platform_linux.cpp -o "$OUT/asset_fuzzer"
mkdir -p "$OUT/tmp"
TMPDIR="$ROOT/$OUT/tmp" "$OUT/asset_fuzzer" -max_total_time="$SECONDS_TO_RUN" -max_len=4096 \
    -artifact_prefix="$OUT/" "$OUT/corpus" 2>&1 | tail -n 5
# Every private directory the unpacker made is gone again.
if [[ -n "$(ls -A "$OUT/tmp")" ]]; then
    echo "molvane: the unpacker left files behind in $OUT/tmp" >&2
    exit 1
fi
