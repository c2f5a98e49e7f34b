#!/usr/bin/env bash
# Checks the whole-file code-page detection on a real-sized export of one code
# page whose short objects each read, alone, as another one.
#
#   bench/check_file_codepage.sh [BUILD_DIR]
#
# Generates (once) a file with gen_objects --short-mixed: every object in code
# page 850, about one in 50 a short codeunit of Spanish, French or signs. Then,
# twice over:
#  - orvanta-cli encodings FILE must find nothing but cp850 and plain ASCII;
#  - orvanta-cli show --encoding auto of every object must equal iconv's
#    reading of the file as CP850 from its first object on (the reference).
# Prints what the detection of each object alone would have said (bench_detect)
# beside it. Exit status 1 when a check fails.
#
# Environment (all optional):
#   BENCH_SIZE_MB   size of the file in MiB (default 60)
#   BENCH_SEED      generator seed (default 1)
set -euo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD_DIR=${1:-${ORVANTA_BUILD_DIR:-$ROOT/build}}
SIZE_MB=${BENCH_SIZE_MB:-60}
SEED=${BENCH_SEED:-1}
DATA_DIR=$ROOT/bench/data
FILE=$DATA_DIR/objects-${SIZE_MB}MB-seed$SEED-short-mixed.txt
CLI=$BUILD_DIR/orvanta-cli

die() { echo "check_file_codepage.sh: $*" >&2; exit 2; }
for tool in orvanta-cli bench/gen_objects bench/bench_detect; do
    [ -x "$BUILD_DIR/$tool" ] || die "no $tool in $BUILD_DIR (configure with -DORVANTA_BENCH=ON and build it)"
done
command -v iconv >/dev/null || die "iconv is missing"

mkdir -p "$DATA_DIR"
if [ ! -f "$FILE" ]; then
    "$BUILD_DIR/bench/gen_objects" --short-mixed "$SIZE_MB" "$FILE.partial" "$SEED" >&2
    mv "$FILE.partial" "$FILE"
fi
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT

# The reference: the objects' bytes as CP850, from the first object on.
tail -c +"$(grep -b -m1 -a '^OBJECT ' "$FILE" | cut -d: -f1 | awk '{ print $1 + 1 }')" "$FILE" |
    iconv -f CP850 -t UTF-8 >"$WORK/reference"

failed=0
for run in 1 2; do
    "$CLI" encodings "$FILE" >"$WORK/encodings"
    summary=$(tail -n 1 "$WORK/encodings")
    echo "run $run: $summary"
    others=$(head -n -1 "$WORK/encodings" | cut -f2 | grep -v -x -e cp850 -e ascii | sort | uniq -c || true)
    if [ -n "$others" ]; then
        echo "  objects not read as cp850:"$'\n'"$others"
        failed=1
    fi
    count=$(head -n -1 "$WORK/encodings" | wc -l)
    # shellcheck disable=SC2046 # one argument per index
    "$CLI" show --encoding auto "$FILE" $(seq 0 $((count - 1))) >"$WORK/shown"
    if cmp -s "$WORK/shown" "$WORK/reference"; then
        echo "  every object reads as iconv reads the file as CP850"
    else
        echo "  the objects read otherwise than iconv reads the file as CP850"
        failed=1
    fi
done
echo "each object alone (bench_detect):"
"$BUILD_DIR/bench/bench_detect" "$FILE" 1 | grep -A8 '^ratio' | head -n 6
exit "$failed"
