#!/usr/bin/env bash
# Loads hostile files with orvanta-cli and reports, for each, whether it loaded
# or was refused (and with which message), the wall time and the peak resident
# memory. Each must load or be refused cleanly, in bounded memory.
#
#   bench/bad_inputs.sh [BUILD_DIR]
#
# BUILD_DIR holds orvanta-cli (default: build/ in the repository). The files
# are generated once into bench/data/bad/ (about 450 MB of disk; the 2 GiB
# files are sparse).
set -euo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD_DIR=${1:-${ORVANTA_BUILD_DIR:-$ROOT/build}}
CLI=$BUILD_DIR/orvanta-cli
DATA=$ROOT/bench/data/bad
MiB=$((1024 * 1024))

die() { echo "bad_inputs.sh: $*" >&2; exit 2; }
[ -x "$CLI" ] || die "no $CLI (build it: cmake --build $BUILD_DIR --target orvanta-cli)"
[ -x /usr/bin/time ] || die "needs GNU time (apt-get install time)"
mkdir -p "$DATA"

# Writes the file named $1 with the command that follows, unless it exists.
make_file() {
    local file=$DATA/$1
    shift
    [ -f "$file" ] && return 0
    echo "generating $(basename "$file")" >&2
    "$@" > "$file.part"
    mv "$file.part" "$file"
}

many_objects() { awk 'BEGIN { for (i = 0; i < 1000000; i++) printf "OBJECT Table %d T%d\r\n", i, i }'; }
long_line() {
    printf 'OBJECT Codeunit 1 Long line\r\n'
    head -c $((100 * MiB)) /dev/zero | tr '\0' 'x'
    printf '\r\n'
}
long_header() {
    printf 'OBJECT Codeunit 1 '
    head -c $((100 * MiB)) /dev/zero | tr '\0' 'n'
    printf '\r\nBEGIN\r\nEND.\r\n'
}
only_breaks() { perl -e 'print "\r\n" x (50 * 1024 * 1024)'; }
sparse() { truncate -s "$2" "$DATA/$1"; }

make_file objects-1M.txt many_objects
make_file line-100MB.txt long_line
make_file header-100MB.txt long_header
make_file breaks-100MB.txt only_breaks
[ -f "$DATA/sparse-2GiB.txt" ] || sparse sparse-2GiB.txt $((2 * 1024 * MiB))
[ -f "$DATA/sparse-2GiB-1.txt" ] || sparse sparse-2GiB-1.txt $((2 * 1024 * MiB - 1))

printf '%-20s %10s %8s %10s  %s\n' FILE SIZE_MB WALL_S MAX_RSS_MB RESULT
for name in objects-1M.txt line-100MB.txt header-100MB.txt breaks-100MB.txt sparse-2GiB-1.txt sparse-2GiB.txt; do
    file=$DATA/$name
    cat "$file" > /dev/null 2>&1 || true # warm page cache, as for a file just written
    report=$(mktemp)
    errors=$(mktemp)
    status=0
    /usr/bin/time -v -o "$report" "$CLI" list "$file" 2> "$errors" | wc -l > "$errors.count" || status=$?
    wall=$(awk -F': ' '/Elapsed \(wall clock\)/ { n = split($2, t, ":"); s = 0; for (i = 1; i <= n; i++) s = s * 60 + t[i]; print s }' "$report")
    rss_kb=$(awk -F': ' '/Maximum resident set size/ { print $2 }' "$report")
    code=$(awk -F': ' '/Exit status/ { print $2 }' "$report")
    if [ "$code" = 0 ]; then
        result="loaded: $(cat "$errors.count") object(s)"
    else
        result="refused (exit $code): $(head -c 300 "$errors")"
    fi
    size_mb=$(awk -v b="$(stat -c %s "$file")" 'BEGIN { printf "%.1f", b / 1048576 }')
    printf '%-20s %10s %8.2f %10.1f  %s\n' "$name" "$size_mb" "$wall" "$(awk -v k="$rss_kb" 'BEGIN { print k / 1024 }')" "$result"
    rm -f "$report" "$errors" "$errors.count"
done
