#!/usr/bin/env bash
# Sets everything up; builds and runs the native tests and fuzz targets (scripts/native.sh),
# builds and runs every test under 32-bit Wine, and runs the static analysis of the 32-bit build
# (scripts/static-analysis.sh) beside them.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
"$repo/scripts/setup.sh"
. "$repo/scripts/wine-env.sh"

# The analysis only reads the sources. At the lowest priority it takes the processor time that the
# builds and tests leave (the tests that show windows run one at a time), and delays none of them.
# STATIC_ANALYSIS=0 leaves it out, as when running a few tests by name.
analysis_output=$(mktemp)
at_exit "rm -f '$analysis_output'"
if [ "${STATIC_ANALYSIS:-1}" != 0 ]; then
    # A process group of its own, to end it whole; not a session of its own, where the kernel's
    # per-session scheduling would give it an equal share whatever its priority.
    set -m
    nice -n 19 "$repo/scripts/static-analysis.sh" >"$analysis_output" 2>&1 &
    analysis=$!
    set +m
    at_exit "kill -- -$analysis 2>/dev/null || true"
fi

"$repo/scripts/native.sh"
configure_and_build
start_display
start_wine
hold_desktop
(cd "$build_dir" && ctest --output-on-failure -j"$(nproc)" --timeout 600 "$@")

[ -n "${analysis:-}" ] || exit 0
analysis_status=0
wait "$analysis" || analysis_status=$?
cat "$analysis_output"
exit "$analysis_status"
