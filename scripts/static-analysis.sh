#!/usr/bin/env bash
# clang-tidy (checks in .clang-tidy) and cppcheck over every source of the 32-bit build, read
# with the MinGW compiler's own commands, headers and target; any finding fails.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
build_dir=${BUILD_DIR:-$repo/build}
analysis_dir=$build_dir/static-analysis
jobs=${STATIC_ANALYSIS_JOBS:-2}

# Configuring alone gives the compile commands; nothing is built.
cmake -S "$repo" -B "$analysis_dir" -DCMAKE_TOOLCHAIN_FILE="$repo/cmake/mingw-i686.cmake" \
      -DCMAKE_EXPORT_COMPILE_COMMANDS=ON >/dev/null
commands=$analysis_dir/compile_commands.json
compiler=$(sed -n 's/^ *"command": "\([^ ]*g++[^ ]*\) .*/\1/p;T;q' "$commands")

# The tree's own sources (not GoogleTest's), each once.
sed -n 's/^ *"file": "\(.*\)",\{0,1\}$/\1/p' "$commands" | grep "^$repo/" | grep -v "^$build_dir/" |
    sort -u >"$analysis_dir/sources.txt"

# clang parses as the MinGW compiler does: its target, and its C++ library's headers (clang
# finds the MinGW C headers itself but not GCC's libstdc++ beside them).
tidy_args=(-p "$analysis_dir" --quiet "--extra-arg=--target=$("$compiler" -dumpmachine)")
while read -r dir; do
    tidy_args+=("--extra-arg=-isystem$dir")
done < <("$compiler" -xc++ -E -v /dev/null 2>&1 | sed -n '/^#include <...>/,/^End of/p' | sed -n 's|^ \(.*/include/c++.*\)$|\1|p')

tidy_log=$analysis_dir/clang-tidy.log
tidy_status=0
# In a test the analyzer would follow every assertion's failure branch deep into GoogleTest's
# message formatting: forty seconds a file for paths no test takes. Shallow, it still follows
# the test's own code and the small functions it calls. The validator's campaign and the
# benchmark are tests in all but name.
checking_code="^$repo/(tests|tools/validator|tools/benchmark)/"
grep -E "$checking_code" "$analysis_dir/sources.txt" >"$analysis_dir/test-sources.txt" || true
grep -vE "$checking_code" "$analysis_dir/sources.txt" >"$analysis_dir/other-sources.txt" || true
shallow=(--extra-arg=-Xclang --extra-arg=-analyzer-config --extra-arg=-Xclang --extra-arg=mode=shallow)
{
    xargs -P"$jobs" -n4 clang-tidy "${tidy_args[@]}" <"$analysis_dir/other-sources.txt" || tidy_status=$?
    xargs -P"$jobs" -n4 clang-tidy "${tidy_args[@]}" "${shallow[@]}" <"$analysis_dir/test-sources.txt" ||
        tidy_status=$?
} >"$tidy_log" 2>&1
# A header's finding appears once for every file that includes it.
tidy_findings=$(grep -E '(^|: )(warning|error): ' "$tidy_log" | sort -u || true)

# cppcheck: style and warnings; useStlAlgorithm is out (a plain loop over a buffer is as
# clear as the algorithm it proposes). Exceptions are inline, each with its reason.
cppcheck_log=$analysis_dir/cppcheck.log
mkdir -p "$analysis_dir/cppcheck"
cppcheck_status=0
cppcheck --project="$commands" -i/usr/src --enable=warning,style,performance,portability --inline-suppr \
         --library=windows --library=googletest --platform=win32A --std=c++17 --quiet -j"$jobs" \
         --suppress=useStlAlgorithm --cppcheck-build-dir="$analysis_dir/cppcheck" \
         --template='{file}:{line}:{column}: {severity}: {message} [{id}]' \
         --error-exitcode=1 >"$cppcheck_log" 2>&1 || cppcheck_status=$?

count() { [ -n "$1" ] && grep -c '' <<<"$1" || echo 0; }
tidy_count=$(count "$tidy_findings")
cppcheck_count=$(grep -cE ': (error|warning|style|performance|portability): ' "$cppcheck_log" || true)
if [ "$tidy_count" -gt 0 ]; then
    echo "$tidy_findings"
    grep -oE '\[[a-z0-9.,-]+\]$' <<<"$tidy_findings" | sort | uniq -c | sort -rn
fi
[ "$cppcheck_count" -gt 0 ] && cat "$cppcheck_log"
echo "static analysis: clang-tidy $tidy_count findings, cppcheck $cppcheck_count findings"
if [ "$tidy_count" -gt 0 ] || [ "$tidy_status" -ne 0 ] || [ "$cppcheck_count" -gt 0 ] || [ "$cppcheck_status" -ne 0 ]; then
    [ "$tidy_status" -ne 0 ] && [ "$tidy_count" -eq 0 ] && tail -20 "$tidy_log"
    [ "$cppcheck_status" -ne 0 ] && [ "$cppcheck_count" -eq 0 ] && tail -20 "$cppcheck_log"
    exit 1
fi
