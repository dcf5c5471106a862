#!/usr/bin/env bash
# Sets everything up; builds and runs the native tests and fuzz targets (scripts/native.sh),
# builds and runs every test under 32-bit Wine, then the static analysis.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
"$repo/scripts/setup.sh"
"$repo/scripts/native.sh"
. "$repo/scripts/wine-env.sh"
configure_and_build
start_display
start_wine
hold_desktop
tests_status=0
(cd "$build_dir" && ctest --output-on-failure -j"$(nproc)" --timeout 600 "$@") || tests_status=$?
analysis_status=0
"$repo/scripts/static-analysis.sh" || analysis_status=$?
[ "$tests_status" -eq 0 ] && [ "$analysis_status" -eq 0 ]
