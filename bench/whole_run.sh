#!/usr/bin/env bash
# Whole-run timing: a 720x576 high-quality x264 original and one encode, decoded alone and analysed with
# both metrics and the per-frame CSV log. The run should take at most about 1.3 times the
# time the decoding alone takes.
#   bench/whole_run.sh [BUILD_DIR] [FRAMES]
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
frames=${2:-500}
cli="$build/bin/brevanta-cli"
work="$build/bench-data/whole_run"
mkdir -p "$work"
cd "$work"
ff() { ffmpeg -nostdin -hide_banner -loglevel error -y "$@"; }
if [[ ! -s orig_$frames.mkv ]]; then
    ff -f lavfi -i "mandelbrot=size=720x576:rate=25" -frames:v "$frames" \
        -pix_fmt yuv420p -c:v libx264 -preset veryfast -crf 10 orig_$frames.mkv
    ff -i orig_$frames.mkv -c:v libx264 -preset fast -crf 26 enc_$frames.mkv
fi
printf 'FFVideoSource("$FileName", cache=false)\nConvertToYUY2()\n' > yuy2.avs

now() { date +%s.%N; }
best_of() { # best_of N COMMAND...: the shortest of N wall-clock times, in seconds
    local n=$1 best=""; shift
    for ((i = 0; i < n; i++)); do
        local t0 t1; t0=$(now); "$@" >/dev/null 2>&1; t1=$(now)
        best=$(echo "$t0 $t1 $best" | awk '{d=$2-$1; if ($3=="" || d<$3) print d; else print $3}')
    done
    echo "$best"
}
last=$((frames - 1))
decode() {
    "$cli" frames orig_$frames.mkv 0 $last /dev/null --template yuy2.avs
    "$cli" frames enc_$frames.mkv 0 $last /dev/null --template yuy2.avs
}
analyse() {
    rm -rf out && mkdir out
    "$cli" analyze orig_$frames.mkv enc_$frames.mkv --template1 yuy2.avs --template2 yuy2.avs \
        --extended-log --storage out --quiet
}
decode_s=$(best_of 3 decode)
run_s=$(best_of 3 analyse)
awk -v d="$decode_s" -v r="$run_s" -v n="$frames" 'BEGIN {
    printf "frames: %d at 720x576\n", n
    printf "decoding both clips alone: %.2f s (%.0f frame pairs/s)\n", d, n / d
    printf "whole run (decode, PSNR/MSE/distance, SSIM, CSV log, graph pages): %.2f s (%.0f frame pairs/s)\n", r, n / r
    printf "ratio run / decoding: %.2f\n", r / d
}'
