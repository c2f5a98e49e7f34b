#!/usr/bin/env bash
# Times orvanta-cli compare on real-sized exports against loading both
# (orvanta-cli list on each, in the same hyperfine run): an export against a
# later one with a few hundred objects changed, against its own copy with LF
# line breaks, and the LF copy against the later export. Reports the peak
# memory, then the line diff of the largest object against changed copies.
#
#   bench/compare_exports.sh [BUILD_DIR]
#
# Environment (all optional):
#   BENCH_SIZE_MB   size of the first file in MiB (default 230)
#   BENCH_EDITS     edits that make the second file from the first (default 400)
#   BENCH_SEED      seed of both (default 1)
#   BENCH_RUNS      timed runs per command (default 7)
#   BENCH_WARMUP    warm-up runs per command (default 2)
#   BENCH_ROUNDS    hyperfine runs of all commands, one after the other, whose
#                   times are pooled (default 1): on a shared machine, each
#                   command then meets the load of the others' moments too
#   BENCH_STRICT    when 1, exit with status 1 if a target is missed
set -euo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD_DIR=${1:-${ORVANTA_BUILD_DIR:-$ROOT/build}}
SIZE_MB=${BENCH_SIZE_MB:-230}
EDITS=${BENCH_EDITS:-400}
SEED=${BENCH_SEED:-1}
RUNS=${BENCH_RUNS:-7}
WARMUP=${BENCH_WARMUP:-2}
ROUNDS=${BENCH_ROUNDS:-1}
STRICT=${BENCH_STRICT:-0}
DATA_DIR=$ROOT/bench/data
A=$DATA_DIR/compare-${SIZE_MB}MB-seed$SEED-A.txt
B=$DATA_DIR/compare-${SIZE_MB}MB-seed$SEED-B$EDITS.txt
L=$DATA_DIR/compare-${SIZE_MB}MB-seed$SEED-A-lf.txt
CLI=$BUILD_DIR/orvanta-cli

die() { echo "compare_exports.sh: $*" >&2; exit 2; }

for tool in orvanta-cli bench/gen_objects bench/edit_objects bench/bench_linediff; do
    [ -x "$BUILD_DIR/$tool" ] || die "no $tool in $BUILD_DIR (configure with -DORVANTA_BENCH=ON and build it)"
done
for program in hyperfine /usr/bin/time python3; do
    command -v "$program" >/dev/null || die "$program is missing (Debian packages hyperfine, time, python3)"
done

# Both files are made once and reused; the second file's expected counts
# are kept beside it.
mkdir -p "$DATA_DIR"
if [ ! -f "$A" ]; then
    "$BUILD_DIR/bench/gen_objects" "$SIZE_MB" "$A.partial" "$SEED" >&2
    mv "$A.partial" "$A"
fi
if [ ! -f "$B" ] || [ ! -f "$B.counts" ]; then
    "$BUILD_DIR/bench/edit_objects" "$A" "$B.partial" "$EDITS" "$SEED" >"$B.counts"
    mv "$B.partial" "$B"
fi
# The same objects as checked out of version control: LF line breaks.
if [ ! -f "$L" ]; then
    sed 's/\r$//' "$A" >"$L.partial"
    mv "$L.partial" "$L"
fi

WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
RESULTS=$DATA_DIR/last-run
mkdir -p "$RESULTS"

cat "$A" "$B" "$L" >/dev/null # a warm page cache: every command reads from memory

# The comparison must find what the edits did before it is timed.
status=0
"$CLI" compare "$A" "$B" >"$WORK/changes" || status=$?
[ "$status" -eq 1 ] || die "compare exited with $status, expected 1"
found=$(cut -f1 "$WORK/changes" | sort | uniq -c | awk '{ print $2 " " $1 }')
expected=$(grep -v '^dates-only' "$B.counts" | sort)
[ "$found" = "$expected" ] || die "compare found"$'\n'"$found"$'\n'"but the edits were"$'\n'"$expected"
# Line breaks alone are no change; strictly, every object changed.
"$CLI" compare "$A" "$L" >"$WORK/breaks" || die "compare of the LF copy exited with $?, expected 0"
[ ! -s "$WORK/breaks" ] || die "compare of the LF copy found changes: $(head -c 300 "$WORK/breaks")"
strict=$("$CLI" compare --strict "$A" "$L" | cut -f1 | sort | uniq -c | awk '{ print $2 " " $1 }') || true
[ "$strict" = "changed $(grep -c '^OBJECT ' "$A")" ] || die "compare --strict of the LF copy found: $strict"
# Against the LF copy, the later export differs in what the edits did.
status=0
"$CLI" compare "$L" "$B" >"$WORK/changes-lf" || status=$?
[ "$status" -eq 1 ] || die "compare of the LF copy with B exited with $status, expected 1"
cmp -s "$WORK/changes" "$WORK/changes-lf" || die "compare of the LF copy with B found other changes than with A"

q() { printf "'%s'" "$1"; }
rm -f "$RESULTS"/compare-*.json
for round in $(seq "$ROUNDS"); do
    hyperfine --style basic -N -i --warmup "$WARMUP" --runs "$RUNS" --output=pipe \
        --export-json "$RESULTS/compare-$round.json" \
        -n "list A" "$(q "$CLI") list $(q "$A")" \
        -n "list B" "$(q "$CLI") list $(q "$B")" \
        -n "list L" "$(q "$CLI") list $(q "$L")" \
        -n "compare A B" "$(q "$CLI") compare $(q "$A") $(q "$B")" \
        -n "compare --strict A B" "$(q "$CLI") compare --strict $(q "$A") $(q "$B")" \
        -n "compare --unified A B" "$(q "$CLI") compare --unified $(q "$A") $(q "$B")" \
        -n "compare A L" "$(q "$CLI") compare $(q "$A") $(q "$L")" \
        -n "compare --unified A L" "$(q "$CLI") compare --unified $(q "$A") $(q "$L")" \
        -n "compare L B" "$(q "$CLI") compare $(q "$L") $(q "$B")" >&2
done

peak_kb() {
    /usr/bin/time -v -o "$WORK/time.txt" "$@" | cat >/dev/null || true
    awk -F: '/Maximum resident set size/ { gsub(/ /, "", $2); print $2 }' "$WORK/time.txt"
}
RSS_LIST=$(peak_kb "$CLI" list "$A")
RSS_COMPARE=$(peak_kb "$CLI" compare "$A" "$B")
RSS_UNIFIED=$(peak_kb "$CLI" compare --unified "$A" "$B")
RSS_BREAKS=$(peak_kb "$CLI" compare "$A" "$L")
DIFF_BYTES=$("$CLI" compare --unified "$A" "$B" | wc -c || true)

python3 - "$RESULTS" "$A" "$B" "$L" "$B.counts" "$STRICT" "$RSS_LIST" "$RSS_COMPARE" "$RSS_UNIFIED" \
    "$RSS_BREAKS" "$DIFF_BYTES" "$(grep -c '^OBJECT ' "$A")" <<'EOF'
import glob, json, os, statistics, sys

(results, a, b, l, counts, strict, rss_list, rss_compare, rss_unified, rss_breaks, diff_bytes,
 objects) = sys.argv[1:]
times, cpu = {}, {}
for path in sorted(glob.glob(f"{results}/compare-*.json")):
    for r in json.load(open(path))["results"]:
        times.setdefault(r["command"], []).extend(r["times"])
        # The processor time a command took, threads included: steadier than
        # the wall time where other work shares the machine.
        cpu.setdefault(r["command"], []).append(r["user"] + r["system"])
median = {name: statistics.median(t) for name, t in times.items()}
cpu = {name: statistics.mean(t) for name, t in cpu.items()}
size_a, size_b, size_l = os.path.getsize(a), os.path.getsize(b), os.path.getsize(l)
print(f"A: {size_a / 2**20:.1f} MiB, {objects} objects; B: {size_b / 2**20:.1f} MiB, "
      + ", ".join(line.strip() for line in open(counts)) + f"; L: A with LF breaks, {size_l / 2**20:.1f} MiB")
print(f"Median wall time of {len(times['list A'])} runs, warm page cache:")
for name, t in median.items():
    print(f"  {name:<24}{t * 1000:8.1f} ms")
missed = 0
print("Against loading both files (list of each), target <= 3; in processor time beside it:")
for name in ("compare A B", "compare --strict A B", "compare --unified A B", "compare A L", "compare --unified A L",
             "compare L B"):
    first, second = (f"list {side}" for side in name.split()[-2:])
    ratio = median[name] / (median[first] + median[second])
    missed += ratio > 3
    print(f"  {name:<24}{ratio:6.2f}  {'met' if ratio <= 3 else 'MISSED':<8}"
          f"(processor time {cpu[name] / (cpu[first] + cpu[second]):.2f})")
print(f"Peak resident memory (A and B: {(size_a + size_b) / 2**20:.0f} MiB):")
for name, kb in (("list A", rss_list), ("compare A B", rss_compare), ("compare --unified A B", rss_unified),
                 ("compare A L", rss_breaks)):
    print(f"  {name:<24}{int(kb) / 1024:8.1f} MiB  ({int(kb) * 1024 / (size_a + size_b) * 100:4.1f} % of A and B)")
print(f"Unified diff: {int(diff_bytes) / 2**20:.1f} MiB")
sys.exit(1 if missed and strict == "1" else 0)
EOF

echo
"$BUILD_DIR/bench/bench_linediff" "$A" 2
