#!/usr/bin/env bash
# Sets everything up; builds and runs the native tests and fuzz targets (scripts/native.sh), then
# builds and runs every test under 32-bit Wine. The static analysis (scripts/static-analysis.sh)
# runs apart until its last findings are cleared.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
"$repo/scripts/setup.sh"
"$repo/scripts/native.sh"
. "$repo/scripts/wine-env.sh"
configure_and_build
start_display
start_wine
hold_desktop
cd "$build_dir"
ctest --output-on-failure -j"$(nproc)" --timeout 600 "$@"
