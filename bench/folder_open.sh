#!/usr/bin/env bash
# Times opening a folder of one object per file, as version control keeps
# exports (orvanta-cli list DIR), against cat of all its files to /dev/null in
# the same hyperfine run, warm cache. The folder is a generated export split
# by orvanta-cli export --tree (about 4,800 files); its join must give that
# export back, byte for byte, before anything is timed.
#
#   bench/folder_open.sh [BUILD_DIR]
#
# Environment (all optional):
#   BENCH_SIZE_MB   size of the generated export in MiB (default 130: ~4,800 objects)
#   BENCH_RUNS      timed runs per command (default 10)
#   BENCH_STRICT    when 1, exit with status 1 if the target (2 x cat) is missed
set -euo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD_DIR=${1:-${ORVANTA_BUILD_DIR:-$ROOT/build}}
SIZE_MB=${BENCH_SIZE_MB:-130}
RUNS=${BENCH_RUNS:-10}
STRICT=${BENCH_STRICT:-0}
CLI=$BUILD_DIR/orvanta-cli
GEN=$BUILD_DIR/bench/gen_objects
command -v hyperfine >/dev/null || { echo "hyperfine is needed" >&2; exit 2; }

WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
# --pages: no kind and number twice, so every object has a file of its own.
"$GEN" --pages "$SIZE_MB" "$WORK/gen.txt" 1 >/dev/null
"$CLI" export --tree "$WORK/gen.txt" "$WORK/folder"
# The folder's order is its paths': the export it gives back is its join.
"$CLI" join -o "$WORK/export.txt" "$WORK/folder"
rm -rf "$WORK/folder"
"$CLI" export --tree "$WORK/export.txt" "$WORK/folder"
"$CLI" join -o "$WORK/again.txt" "$WORK/folder"
cmp "$WORK/export.txt" "$WORK/again.txt"
FILES=$(find "$WORK/folder" -type f | wc -l)
OBJECTS=$("$CLI" list "$WORK/folder" | wc -l)
BYTES=$(du -sb "$WORK/folder" | cut -f1)
echo "folder: $FILES files, $OBJECTS objects, $BYTES bytes; split then join gives the export byte for byte"

hyperfine --warmup 3 --runs "$RUNS" --export-json "$WORK/times.json" \
    -n cat "find '$WORK/folder' -type f -print0 | xargs -0 cat > /dev/null" \
    -n list "'$CLI' list '$WORK/folder' > /dev/null"
python3 - "$WORK/times.json" "$STRICT" <<'PY'
import json, sys
times = {r["command"]: r["median"] for r in json.load(open(sys.argv[1]))["results"]}
ratio = times["list"] / times["cat"]
print(f"list / cat (medians): {ratio:.2f} (target: at most 2)")
sys.exit(1 if sys.argv[2] == "1" and ratio > 2 else 0)
PY
