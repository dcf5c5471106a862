#!/usr/bin/env bash
# Sets everything up, builds, and removes a 1 kHz hum from a short recording with the plug-in's
# default settings, printing the hum's level before and after.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
"$repo/scripts/setup.sh"
. "$repo/scripts/wine-env.sh"
configure_and_build >/dev/null
start_wine
bin=$build_dir/bin
work=$build_dir/demo
mkdir -p "$work"
host() { wine "$bin/effect-host.exe" "$@"; }
cd "$work"
host make-hum hum.wav
echo "before: the hum at 1000 Hz, and the music's A at 440 Hz"
host level hum.wav --at 1000
host level hum.wav --at 440
host process hum.wav clean.wav
echo "after:"
host level clean.wav --at 1000
host level clean.wav --at 440
echo "filtered recording: $work/clean.wav"
