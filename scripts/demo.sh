#!/usr/bin/env bash
# Sets everything up, builds the plug-in and its host, and removes a 50 Hz hum with its first four
# harmonics from a short recording in one pass, printing the level of each before and after.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
"$repo/scripts/setup.sh"
. "$repo/scripts/wine-env.sh"
configure_and_build BandReject effect-host >/dev/null
start_wine
bin=$build_dir/bin
work=$build_dir/demo
mkdir -p "$work"
host() { wine "$bin/effect-host.exe" "$@"; }
cd "$work"
frequencies=50,100,150,200,250,440
host make-hum hum.wav --hum 50 --harmonics 5
echo "before: the hum at 50 Hz and its harmonics, and the music's A at 440 Hz"
host level hum.wav --at $frequencies
host process hum.wav clean.wav --hum 50 --harmonics 5
echo "after:"
host level clean.wav --at $frequencies
echo "filtered recording: $work/clean.wav"
