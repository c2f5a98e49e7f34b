#!/usr/bin/env bash
# Times orvanta-cli side by side with grep and wc on a large generated object
# text file (warm page cache), prints the medians, the ratios against our
# targets, and the peak resident memory of orvanta-cli.
#
#   bench/compare.sh [BUILD_DIR]
#
# Environment (all optional):
#   ORVANTA_BUILD_DIR  build directory holding orvanta-cli (default: build/ in the repository)
#   BENCH_SIZE_MB      size of the generated file in MiB (default 500)
#   BENCH_SEED         generator seed (default 1)
#   BENCH_FILE         file to measure (default bench/data/objects-<size>MB-seed<seed>.txt;
#                      generated when missing)
#   BENCH_RUNS         timed runs per command (default 7)
#   BENCH_WARMUP       warm-up runs per command (default 2)
#   BENCH_STRICT       when 1, exit with status 1 if a target is missed
set -euo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD_DIR=${1:-${ORVANTA_BUILD_DIR:-$ROOT/build}}
SIZE_MB=${BENCH_SIZE_MB:-500}
SEED=${BENCH_SEED:-1}
DATA_DIR=$ROOT/bench/data
FILE=${BENCH_FILE:-$DATA_DIR/objects-${SIZE_MB}MB-seed${SEED}.txt}
RUNS=${BENCH_RUNS:-7}
WARMUP=${BENCH_WARMUP:-2}
STRICT=${BENCH_STRICT:-0}
# The generator never writes these words, so every search reads the whole file.
TEXT="Zyxwvut Qqqq"

CLI=$BUILD_DIR/orvanta-cli

die() { echo "compare.sh: $*" >&2; exit 2; }

as_root() {
    if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

# Installs a Debian package when the program it provides is missing.
need() {
    local program=$1 package=$2
    [ -x "$program" ] || command -v "$program" >/dev/null 2>&1 && return 0
    echo "compare.sh: installing $package" >&2
    as_root apt-get install -y "$package" >/dev/null ||
        { as_root apt-get update >/dev/null && as_root apt-get install -y "$package" >/dev/null; } ||
        die "cannot install $package"
}

find_generator() {
    local gen=${GEN_OBJECTS:-$BUILD_DIR/bench/gen_objects}
    if [ ! -x "$gen" ] && [ -f "$BUILD_DIR/CMakeCache.txt" ]; then
        cmake --build "$BUILD_DIR" --target gen_objects >&2 || true
    fi
    if [ ! -x "$gen" ]; then
        gen=$DATA_DIR/gen_objects
        if [ ! -x "$gen" ] || [ "$ROOT/bench/gen_objects.cpp" -nt "$gen" ]; then
            echo "compare.sh: compiling the generator into $gen" >&2
            "${CXX:-c++}" -std=c++17 -O2 -o "$gen" "$ROOT/bench/gen_objects.cpp" || die "cannot build gen_objects"
        fi
    fi
    echo "$gen"
}

# Generates the file once; later runs reuse it. Written under a temporary name
# so that an interrupted run never leaves a truncated file behind.
ensure_file() {
    [ -f "$FILE" ] && return 0
    mkdir -p "$(dirname "$FILE")"
    local gen
    gen=$(find_generator)
    echo "compare.sh: generating $FILE ($SIZE_MB MiB, seed $SEED)" >&2
    "$gen" "$SIZE_MB" "$FILE.partial" "$SEED" || die "generator failed"
    mv "$FILE.partial" "$FILE"
}

# Runs a command once and checks its exit status before anything is timed, so
# that a broken command is not timed as a fast one.
expect_status() {
    local want=$1 status=0
    shift
    "$@" >/dev/null 2>"$WORK/stderr" || status=$?
    [ "$status" -eq "$want" ] || die "'$*' exited with $status, expected $want: $(head -c 300 "$WORK/stderr")"
}

# Peak resident set size in KiB of one run of a command (its output is piped
# away and discarded; exit status 1, "nothing found", is expected for find).
peak_rss_kb() {
    set +e
    /usr/bin/time -v -o "$WORK/time.txt" "$@" | cat >/dev/null
    set -e
    awk -F: '/Maximum resident set size/ { gsub(/ /, "", $2); print $2 }' "$WORK/time.txt"
}

# One hyperfine invocation per group keeps the commands compared with each
# other close together in time. Output goes to a pipe, not /dev/null: GNU grep
# notices a /dev/null stdout and stops at the first match, even with -c.
time_group() {
    local name=$1
    shift
    hyperfine --style basic -N --warmup "$WARMUP" --runs "$RUNS" --output=pipe \
        --export-json "$RESULTS/$name.json" "$@"
}

[ -x "$CLI" ] || die "no orvanta-cli in $BUILD_DIR (build it first, or pass the build directory)"
need hyperfine hyperfine
need /usr/bin/time time
need python3 python3-minimal

WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
RESULTS=$DATA_DIR/last-run
mkdir -p "$RESULTS"
rm -f "$RESULTS"/*.json

ensure_file
FILE_SIZE=$(stat -c %s "$FILE")

# Warm the page cache so that every command reads from memory.
cat "$FILE" >/dev/null
cat "$FILE" >/dev/null

OBJECTS=$("$CLI" list "$FILE" | wc -l)
MARKER_LINES=$(grep -c '^OBJECT ' "$FILE" || true)
expect_status 1 "$CLI" find --match-case "$TEXT" "$FILE"
expect_status 1 "$CLI" find "$TEXT" "$FILE"

q() { printf "'%s'" "$1"; }
CLIQ=$(q "$CLI")
FILEQ=$(q "$FILE")

time_group list \
    -n "orvanta-cli list" "$CLIQ list $FILEQ" \
    -n "grep -c '^OBJECT '" "grep -c '^OBJECT ' $FILEQ" \
    -n "wc -l" "wc -l $FILEQ"
# Both sides exit with 1 when nothing is found: checked above, ignored here.
time_group find-match-case -i \
    -n "orvanta-cli find --match-case" "$CLIQ find --match-case '$TEXT' $FILEQ" \
    -n "grep -c" "grep -c '$TEXT' $FILEQ"
time_group find -i \
    -n "orvanta-cli find" "$CLIQ find '$TEXT' $FILEQ" \
    -n "grep -ci" "grep -ci '$TEXT' $FILEQ"

RSS_LIST=$(peak_rss_kb "$CLI" list "$FILE")
RSS_FIND=$(peak_rss_kb "$CLI" find "$TEXT" "$FILE")
RSS_FIND_CASE=$(peak_rss_kb "$CLI" find --match-case "$TEXT" "$FILE")
RSS_GREP=$(peak_rss_kb grep -c '^OBJECT ' "$FILE")

python3 - "$RESULTS" "$FILE" "$FILE_SIZE" "$OBJECTS" "$MARKER_LINES" "$RUNS" "$WARMUP" "$STRICT" \
    "$RSS_LIST" "$RSS_FIND" "$RSS_FIND_CASE" "$RSS_GREP" <<'EOF'
import json, statistics, sys

(results, path, size, objects, marker_lines, runs, warmup, strict,
 rss_list, rss_find, rss_find_case, rss_grep) = sys.argv[1:]
size, objects, marker_lines = int(size), int(objects), int(marker_lines)

median = {}
order = []
for group in ("list", "find-match-case", "find"):
    with open(f"{results}/{group}.json") as f:
        for r in json.load(f)["results"]:
            median[r["command"]] = statistics.median(r["times"])
            order.append((group, r["command"]))

print()
print(f"File:    {path}")
print(f"Size:    {size} bytes ({size / 2**20:.1f} MiB)")
note = "" if objects == marker_lines else f"  (but {marker_lines} lines begin with 'OBJECT ')"
print(f"Objects: {objects}{note}")
print()
print(f"Median wall time of {runs} runs after {warmup} warm-up runs, warm page cache:")
last = None
for group, cmd in order:
    label = group if group != last else ""
    last = group
    t = median[cmd]
    print(f"  {label:<16}{cmd:<32}{t * 1000:9.1f} ms  {size / t / 2**20:8.0f} MiB/s")

targets = [
    ("orvanta-cli list", "grep -c '^OBJECT '", 0.5),
    ("orvanta-cli list", "wc -l", 1.5),
    ("orvanta-cli find --match-case", "grep -c", 2.0),
    ("orvanta-cli find", "grep -ci", 1.0),
]
print()
print("Ratios against the targets:")
missed = 0
for ours, theirs, limit in targets:
    ratio = median[ours] / median[theirs]
    ok = ratio <= limit
    missed += not ok
    verdict = "met" if ok else "MISSED"
    print(f"  {ours + ' / ' + theirs:<50}{ratio:6.2f}  target <= {limit:<4}  {verdict}")

print()
print("Peak resident memory (Maximum resident set size):")
for name, kb in (("orvanta-cli list", rss_list), ("orvanta-cli find", rss_find),
                 ("orvanta-cli find --match-case", rss_find_case), ("grep -c '^OBJECT '", rss_grep)):
    kb = int(kb)
    print(f"  {name:<32}{kb / 1024:9.1f} MiB  ({kb * 1024 / size * 100:5.1f} % of the file)")

sys.exit(1 if missed and strict == "1" else 0)
EOF
