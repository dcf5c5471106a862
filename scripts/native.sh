#!/usr/bin/env bash
# The native part of the tests: the units that read outside bytes, built with clang under
# AddressSanitizer and UBSan in build-native/, their GoogleTest files and the fuzz targets'
# corpus replays run by CTest, then each fuzz target fuzzed for FUZZ_SECONDS (30) with memory
# limits, as many at once as there are processors. Any finding fails the run; its input is
# left in build-native/fuzz-findings/ (keep it in tests/fuzz/findings/<target>/ with the fix).
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
native_dir=${NATIVE_BUILD_DIR:-$repo/build-native}
fuzz_seconds=${FUZZ_SECONDS:-30}
jobs=$(nproc)

CC=clang CXX=clang++ cmake -S "$repo" -B "$native_dir" -DBANDREJECT_NATIVE=ON >/dev/null
cmake --build "$native_dir" -j"$jobs"
(cd "$native_dir" && ctest --output-on-failure -j"$jobs")

[ "$fuzz_seconds" -gt 0 ] || exit 0
findings=$native_dir/fuzz-findings
rm -rf "$native_dir/fuzz-work" "$findings"
mkdir -p "$findings"
# New inputs go to a scratch corpus: the committed seeds stay as they are.
fuzz_one() {
    local target=$1 work=$native_dir/fuzz-work/$1 log=$native_dir/fuzz-work/$1.log
    mkdir -p "$work"
    local inputs=("$repo/tests/fuzz/corpus/$target")
    [ -d "$repo/tests/fuzz/findings/$target" ] && inputs+=("$repo/tests/fuzz/findings/$target")
    if "$native_dir/bin/$target" -max_total_time="$fuzz_seconds" -timeout=10 -rss_limit_mb=2048 \
        -malloc_limit_mb=512 -print_final_stats=1 -artifact_prefix="$findings/$target-" \
        "$work" "${inputs[@]}" >"$log" 2>&1; then
        echo "fuzz $target: $(sed -n 's/^stat::number_of_executed_units: *//p' "$log") executions in ${fuzz_seconds} s, no finding"
    else
        echo "fuzz $target: FINDING" >&2
        grep -E "ERROR|runtime error|SUMMARY|#[0-9]+ 0x.* in " "$log" | head -30 >&2
        return 1
    fi
}
export -f fuzz_one
export native_dir repo fuzz_seconds findings
xargs -P "$jobs" -I{} bash -c 'fuzz_one {}' <"$native_dir/fuzz-targets.txt"
