#!/usr/bin/env bash
# Whole-run timing beside FFmpeg, on the same files. For each size an original stored as raw
# YUY2 in AVI and an x264 CRF 28 4:2:0 encode in MKV; then, interleaved RUNS times (median kept):
#   ours        brevanta-cli analyze, both metrics, no logs (and once more with both logs);
#   ffmpeg      its psnr+ssim pipeline on the same two files;
#   decode      FFmpeg decoding both files alone;
#   read        brevanta-cli frames of the raw original to /dev/null, against FFmpeg reading it.
# Wall and CPU (user+system) come from /usr/bin/time; "peak" is our largest resident size.
# The figures are noisy on a shared machine: the load average is printed with them.
#   bench/whole_run.sh [BUILD_DIR] [RUNS] [SIZES...]     sizes: 720x576 1920x1080 3840x2160
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
runs=${2:-5}
shift $(($# > 2 ? 2 : $#))
sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(720x576 1920x1080 3840x2160)
cli="$build/bin/brevanta-cli"
work="$build/bench-data/whole_run"
mkdir -p "$work"
cd "$work"
ff() { ffmpeg -nostdin -hide_banner -loglevel error -y "$@"; }
frames_of() { case $1 in 720x576) echo 250 ;; 1920x1080) echo 120 ;; *) echo 30 ;; esac; }

# The files: a zooming Mandelbrot picture (drawn small and scaled up above 720x576, which keeps
# the large sizes quick to make), stored raw, and its encode.
for size in "${sizes[@]}"; do
    n=$(frames_of "$size")
    [ -s "enc_$size.mkv" ] && continue
    w=${size%x*} h=${size#*x}
    if [ "$w" -le 720 ]; then src="mandelbrot=size=$size:rate=25"
    else src="mandelbrot=size=$((w / 4))x$((h / 4)):rate=25,scale=$size:flags=bicubic"; fi
    ff -f lavfi -i "$src" -frames:v "$n" -pix_fmt yuyv422 -c:v rawvideo "orig_$size.avi"
    ff -i "orig_$size.avi" -pix_fmt yuv420p -c:v libx264 -crf 28 -preset veryfast "enc_$size.mkv"
done
printf 'FFVideoSource("$FileName")\n' > orig.avs
printf 'FFVideoSource("$FileName")\nConvertToYUY2()\n' > enc.avs

timed() { # timed NAME COMMAND...: appends "wall cpu peak_kb" to NAME.times
    local name=$1; shift
    /usr/bin/time -f '%e %U %S %M' -o time.out "$@" >/dev/null 2>err.out || { cat err.out >&2; exit 1; }
    awk '{ printf "%.3f %.3f %d\n", $1, $2 + $3, $4 }' time.out >> "$name.times"
}
median() { # median FILE COLUMN
    awk -v c="$2" '{ print $c }' "$1" | sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}
analyse() { # analyse NAME SIZE [LOG OPTIONS...]: a timed run into an empty folder
    local name=$1 size=$2; shift 2
    rm -rf out && mkdir out
    timed "$name" "$cli" analyze "orig_$size.avi" "enc_$size.mkv" --template1 orig.avs --template2 enc.avs \
        --storage out --quiet "$@"
}

echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg)"
for size in "${sizes[@]}"; do
    rm -f ./*.times
    n=$(frames_of "$size")
    analyse first "$size" # indexes both files once: the runs below read the cached index
    for ((i = 0; i < runs; i++)); do
        analyse ours "$size"
        timed ffmpeg ffmpeg -nostdin -i "enc_$size.mkv" -i "orig_$size.avi" \
            -lavfi "[0:v]split[a][b];[1:v]split[c][d];[a][c]ssim;[b][d]psnr" -f null -
        timed decode ffmpeg -nostdin -i "enc_$size.mkv" -i "orig_$size.avi" \
            -map 0:v -f null - -map 1:v -f null -
        analyse ours_logs "$size" --standard-log --extended-log
        timed read "$cli" frames "orig_$size.avi" 0 $((n - 1)) /dev/null --template orig.avs
        timed ffread ffmpeg -nostdin -i "orig_$size.avi" -f null -
    done
    printf '\n%s, %d frames, medians of %d (load %s)\n' "$size" "$n" "$runs" "$(cut -d' ' -f1-3 /proc/loadavg)"
    printf '| %-18s | %8s | %8s |\n' "" "wall s" "CPU s"
    for k in ours ours_logs ffmpeg decode read ffread; do
        printf '| %-18s | %8.2f | %8.2f |\n' "$k" "$(median $k.times 1)" "$(median $k.times 2)"
    done
    ow=$(median ours.times 1) oc=$(median ours.times 2) lw=$(median ours_logs.times 1)
    fw=$(median ffmpeg.times 1) dw=$(median decode.times 1) dc=$(median decode.times 2)
    rw=$(median read.times 1) frw=$(median ffread.times 1) peak=$(median ours.times 3)
    awk -v ow="$ow" -v oc="$oc" -v lw="$lw" -v fw="$fw" -v dw="$dw" -v dc="$dc" -v rw="$rw" \
        -v frw="$frw" -v peak="$peak" 'BEGIN {
        printf "ours / ffmpeg wall: %.2f (no logs), %.2f (both logs); target <= 0.85\n", ow / fw, lw / fw
        half = oc / 2; bound = (dw > half) ? dw : half
        printf "ours wall / max(CPU/2, ffmpeg decode wall): %.2f; target <= 1.15\n", ow / bound
        printf "ours CPU - ffmpeg decode CPU: %.2f s (compare with metrics_bench both_fast_1thread x frames)\n", oc - dc
        printf "frames read speed / ffmpeg: %.2f; target >= 0.8\n", frw / rw
        printf "peak resident size: %.0f MB\n", peak / 1024 }'
done
