#!/usr/bin/env bash
# Times effect-host process under Wine: a long multichannel 24-bit file written as float and
# with --same-format, and a batch of files against the same files one after another.
# Figures compare only within one run on one machine.
#   tools/benchmark/process_timing.sh [SECONDS] [FILES]   (after a build; EFFECT_HOST overrides the program)
set -euo pipefail
repo=$(cd "$(dirname "$0")/../.." && pwd)
. "$repo/scripts/wine-env.sh"
seconds=${1:-300}
files=${2:-8}
host=${EFFECT_HOST:-$build_dir/bin/effect-host.exe}
work=$build_dir/process-timing
rm -rf "$work" && mkdir -p "$work/batch" "$work/out"

# Noise at about a quarter of full scale, so that nothing clips: WAV header, then random bytes
# whose every third (the top byte of each 24-bit sample) is kept small.
make_wav() {  # PATH CHANNELS RATE SECONDS
    python3 - "$@" <<'PY'
import os, struct, sys
path, channels, rate, seconds = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), float(sys.argv[4])
frames = int(rate * seconds)
size = frames * channels * 3
top = bytes((b & 0x1F) | (0xE0 if b & 0x80 else 0) for b in range(256))
with open(path, "wb") as f:
    f.write(b"RIFF" + struct.pack("<I", 36 + size) + b"WAVEfmt " +
            struct.pack("<IHHIIHH", 16, 1, channels, rate, rate * channels * 3, channels * 3, 24) +
            b"data" + struct.pack("<I", size))
    block = 3 * channels * 65536
    for start in range(0, size, block):
        data = bytearray(os.urandom(min(block, size - start)))
        data[2::3] = data[2::3].translate(top)
        f.write(data)
PY
}

timed() {  # prints the least wall-clock seconds that the command took in five runs
    local start end best=""
    for _ in 1 2 3 4 5; do
        start=$(date +%s.%N)
        "$@" >/dev/null 2>&1 || { echo "failed: $*" >&2; exit 1; }
        end=$(date +%s.%N)
        best=$(echo "$end - $start" | bc | awk -v b="$best" '{ print (b == "" || $1 < b) ? $1 : b }')
    done
    echo "$best"
}

make_wav "$work/long.wav" 6 96000 "$seconds"
for i in $(seq 1 "$files"); do make_wav "$work/batch/take$i.wav" 2 48000 20; done
w() { wine "$host" "$@"; }
w info >/dev/null 2>&1  # Wine's start-up, once, outside the figures

float=$(timed w process "$(winepath -w "$work/long.wav")" "$(winepath -w "$work/out/float.wav")")
same=$(timed w process "$(winepath -w "$work/long.wav")" "$(winepath -w "$work/out/same.wav")" --same-format)
echo "long file: ${seconds} s of 6 channels, 96 kHz, 24-bit"
printf '  float output   %6.2f s\n  --same-format  %6.2f s  (%.2fx the float output)\n' "$float" "$same" "$(echo "$same / $float" | bc -l)"

each_alone() {
    for f in "$work"/batch/*.wav; do
        w process "$(winepath -w "$f")" "$(winepath -w "$work/out/$(basename "$f")")"
    done
}
one_by_one=$(timed each_alone)
batch_one=$(timed w process "$(winepath -w "$work/batch")\\*.wav" --out-dir "$(winepath -w "$work/out")" --jobs 1)
batch=$(timed w process "$(winepath -w "$work/batch")\\*.wav" --out-dir "$(winepath -w "$work/out")")
echo "batch: $files files of 20 s, stereo, 48 kHz, 24-bit ($(nproc) processors)"
printf '  one run per file      %6.2f s\n  one run, --jobs 1     %6.2f s\n  one run, all workers  %6.2f s  (%.2fx one run per file)\n' \
    "$one_by_one" "$batch_one" "$batch" "$(echo "$batch / $one_by_one" | bc -l)"
