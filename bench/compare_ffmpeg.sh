#!/usr/bin/env bash
# Runs metrics_bench and, in the same run, times FFmpeg's own psnr and ssim filters on the same
# frames, so that our figures stand beside a peer's. Usage: bench/compare_ffmpeg.sh [BUILD_DIR]
#
# FFmpeg's filters work on planar pictures, so the benchmark's yuyv422 frames are converted to
# yuv422p (and to gray, for SSIM on luma alone) before the clock starts. Each FFmpeg figure is
# the whole pipeline (reading both raw inputs, frame sync, filter) and, beside it, the filter
# alone: the same pipeline with the filter replaced by one that passes the frames through,
# subtracted. FFmpeg's ssim filter evaluates 8x8 windows every 4 samples on each plane; ours
# evaluates every window position, on luma.
set -euo pipefail
build=${1:-build}
bench="$build/bin/metrics_bench"
data="$build/benchdata"
[ -x "$bench" ] || { echo "build metrics_bench first: cmake --build $build --target metrics_bench" >&2; exit 1; }
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"
echo
echo "== ours: metrics_bench (best of 5 repetitions) =="
"$bench" --benchmark_filter='^(ssim|mse|both)_(plain|fast)(_1thread)?/' --benchmark_repetitions=5 \
    --benchmark_report_aggregates_only=true 2>/dev/null |
    awk '$1 ~ /_min$/ { name = $1; sub(/\/min_time:[0-9.]+/, "", name); sub(/\/real_time_min$/, "", name)
                        ms = ($3 == "ms") ? $2 : ($3 == "us") ? $2 / 1000 : $2 * 1000
                        printf "  %-32s %10.1f frame pairs/s  (%.3f ms)\n", name, 1000 / ms, ms }'

now() { date +%s.%N; }
echo
echo "== FFmpeg $(ffmpeg -hide_banner -version | head -1 | cut -d' ' -f3): filters on the same frames =="
for size in 720x576 1920x1080; do
    w=${size%x*} h=${size#*x}
    frames=$(($(stat -c %s "$data/orig_$size.yuyv") / (w * h * 2)))
    target=$(( w == 720 ? 1200 : 240 ))
    loops=$(( target / frames - 1 ))
    total=$(( frames * (loops + 1) ))
    for f in orig enc; do
        ffmpeg -nostdin -hide_banner -loglevel error -y -f rawvideo -pix_fmt yuyv422 -s "$size" -i "$data/${f}_$size.yuyv" \
            -f rawvideo -pix_fmt yuv422p "$tmp/$f.yuv422p" -f rawvideo -pix_fmt gray "$tmp/$f.gray"
    done
    run() { # run FORMAT FILTERGRAPH: the best of three times, in seconds, for `total` frame pairs
        local start end best=
        for _ in 1 2 3; do
            start=$(now)
            ffmpeg -nostdin -hide_banner -loglevel error \
                -f rawvideo -pix_fmt "$1" -s "$size" -stream_loop "$loops" -i "$tmp/orig.$1" \
                -f rawvideo -pix_fmt "$1" -s "$size" -stream_loop "$loops" -i "$tmp/enc.$1" \
                -lavfi "$2" -f null -
            end=$(now)
            best=$(awk -v a="$start" -v b="$end" -v m="$best" 'BEGIN { t = b - a; print (m == "" || t < m) ? t : m }')
        done
        echo "$best"
    }
    for format in yuv422p gray; do
        base=$(run $format "[1:v]nullsink;[0:v]null")
        for filter in psnr ssim; do
            [ $format = gray ] && [ $filter = psnr ] && continue
            t=$(run $format "[0:v][1:v]$filter")
            awk -v n="$total" -v t="$t" -v b="$base" -v name="$filter/$size ($format)" 'BEGIN {
                alone = (t > b) ? n / (t - b) : 0
                printf "  %-32s %10.1f frame pairs/s  (filter alone %.1f)\n", name, n / t, alone }'
        done
    done
done
