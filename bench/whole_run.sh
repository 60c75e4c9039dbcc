#!/usr/bin/env bash
# Whole-run timing beside FFmpeg, on the same files. Two cases for each size:
#   yuy2    an original stored as raw YUY2 in AVI and an x264 CRF 28 4:2:0 encode of it, read
#           with `.ConvertToYUY2()` in the encode's template (the clips of an older workflow);
#   native  an original stored as raw 4:2:0 in AVI and an x264 CRF 28 encode of it, both read
#           as they are (FFV1 instead would make both tools wait on its slow decoder alike).
# Then RUNS rounds of these, each round in a shuffled order (medians kept):
#   ours        brevanta-cli analyze, both metrics, no logs (and once more with both logs);
#   ffmpeg      its psnr+ssim pipeline on the same two files;
#   decode      FFmpeg decoding both files alone;
#   read        brevanta-cli frames of the original to /dev/null, against FFmpeg reading it.
# Wall and CPU (user+system) come from /usr/bin/time; "peak" is our largest resident size.
# After the rounds, metrics_bench times the metric kernels alone on one thread (both_fast_1thread,
# shortest of 3; 3840x2160 counts as four 1920x1080 frames): with FFmpeg's decoding CPU that is
# what a run cannot do without, and half of it the shortest wall time two cores allow.
# The figures are noisy on a shared machine: the load average is printed with them.
#   bench/whole_run.sh [BUILD_DIR] [RUNS] [SIZES...]     sizes: 720x576 1920x1080 3840x2160
#   CASES="yuy2 native" (the default) picks the cases.
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
runs=${2:-5}
shift $(($# > 2 ? 2 : $#))
sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(720x576 1920x1080 3840x2160)
read -r -a cases <<<"${CASES:-yuy2 native}"
cli="$build/bin/brevanta-cli"
work="$build/bench-data/whole_run"
mkdir -p "$work"
cd "$work"
ff() { ffmpeg -nostdin -hide_banner -loglevel error -y "$@"; }
frames_of() { case $1 in 720x576) echo 250 ;; 1920x1080) echo 120 ;; *) echo 30 ;; esac; }

# The files: a zooming Mandelbrot picture (drawn small and scaled up above 720x576, which keeps
# the large sizes quick to make), stored losslessly, and its encode.
for size in "${sizes[@]}"; do
    n=$(frames_of "$size")
    w=${size%x*} h=${size#*x}
    if [ "$w" -le 720 ]; then src="mandelbrot=size=$size:rate=25"
    else src="mandelbrot=size=$((w / 4))x$((h / 4)):rate=25,scale=$size:flags=bicubic"; fi
    if [ ! -s "enc_$size.mkv" ]; then
        ff -f lavfi -i "$src" -frames:v "$n" -pix_fmt yuyv422 -c:v rawvideo "orig_$size.avi"
        ff -i "orig_$size.avi" -pix_fmt yuv420p -c:v libx264 -crf 28 -preset veryfast "enc_$size.mkv"
    fi
    if [ ! -s "enc420_$size.mkv" ]; then
        ff -f lavfi -i "$src" -frames:v "$n" -pix_fmt yuv420p -c:v rawvideo "orig420_$size.avi"
        ff -i "orig420_$size.avi" -c:v libx264 -crf 28 -preset veryfast "enc420_$size.mkv"
    fi
done
printf 'FFVideoSource("$FileName")\n' > plain.avs
printf 'FFVideoSource("$FileName")\nConvertToYUY2()\n' > yuy2.avs

timed() { # timed NAME COMMAND...: appends "wall cpu peak_kb" to NAME.times
    local name=$1; shift
    /usr/bin/time -f '%e %U %S %M' -o time.out "$@" >/dev/null 2>err.out || { cat err.out >&2; exit 1; }
    awk '{ printf "%.3f %.3f %d\n", $1, $2 + $3, $4 }' time.out >> "$name.times"
}
median() { # median FILE COLUMN
    awk -v c="$2" '{ print $c }' "$1" | sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

metrics_ms() { # metrics_ms KIND SIZE: ms per frame pair of both metrics on one thread, or 0
    local tag="" size=$2 scale=1
    [ "$1" = native ] && tag=_420p8
    [ "$size" = 3840x2160 ] && size=1920x1080 scale=4
    [ -x "$build/bin/metrics_bench" ] || { echo 0; return; }
    "$build/bin/metrics_bench" --benchmark_filter="^both_fast_1thread$tag/$size/" --benchmark_repetitions=3 \
        --benchmark_report_aggregates_only=true --benchmark_format=csv 2>/dev/null |
        awk -F, -v scale="$scale" '$1 ~ /_min"$/ && $5 == "ms" { ms = $3 * scale } END { print ms + 0 }'
}

echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg)"
for size in "${sizes[@]}"; do
    for kind in "${cases[@]}"; do
        case $kind in
        yuy2) orig="orig_$size.avi" enc="enc_$size.mkv" template2=yuy2.avs ;;
        native) orig="orig420_$size.avi" enc="enc420_$size.mkv" template2=plain.avs ;;
        *) echo "unknown case $kind" >&2; exit 2 ;;
        esac
        analyse() { # analyse NAME [LOG OPTIONS...]: a timed run into an empty folder
            local name=$1; shift
            rm -rf out && mkdir out
            timed "$name" "$cli" analyze "$orig" "$enc" --template1 plain.avs --template2 "$template2" \
                --storage out --quiet "$@"
        }
        rm -f ./*.times
        n=$(frames_of "$size")
        analyse first # indexes both files once: the runs below read the cached index
        step() {
            case $1 in
            0) analyse ours ;;
            1) timed ffmpeg ffmpeg -nostdin -i "$enc" -i "$orig" \
                -lavfi "[0:v]split[a][b];[1:v]split[c][d];[a][c]ssim;[b][d]psnr" -f null - ;;
            2) timed decode ffmpeg -nostdin -i "$enc" -i "$orig" -map 0:v -f null - -map 1:v -f null - ;;
            3) analyse ours_logs --standard-log --extended-log ;;
            4) timed read "$cli" frames "$orig" 0 $((n - 1)) /dev/null --template plain.avs ;;
            5) timed ffread ffmpeg -nostdin -i "$orig" -f null - ;;
            esac
        }
        # Each round takes the steps in another order (the same ones on every call), so that no
        # command always runs right after the same other one: on a virtual machine a run that
        # follows a large one may find the memory it frees still held by the host, or not.
        for ((i = 0; i < runs; i++)); do
            for j in $(shuf -i 0-5 --random-source=<(yes "$i$i$i $kind $size")); do step "$j"; done
        done
        printf '\n%s %s, %d frames, medians of %d (load %s)\n' "$size" "$kind" "$n" "$runs" \
            "$(cut -d' ' -f1-3 /proc/loadavg)"
        printf '| %-18s | %8s | %8s |\n' "" "wall s" "CPU s"
        for k in ours ours_logs ffmpeg decode read ffread; do
            printf '| %-18s | %8.2f | %8.2f |\n' "$k" "$(median $k.times 1)" "$(median $k.times 2)"
        done
        ow=$(median ours.times 1) oc=$(median ours.times 2) lw=$(median ours_logs.times 1)
        fw=$(median ffmpeg.times 1) dw=$(median decode.times 1) dc=$(median decode.times 2)
        rw=$(median read.times 1) frw=$(median ffread.times 1) peak=$(median ours.times 3)
        awk -v ow="$ow" -v oc="$oc" -v lw="$lw" -v fw="$fw" -v dw="$dw" -v dc="$dc" -v rw="$rw" \
            -v frw="$frw" -v peak="$peak" -v mc="$(metrics_ms "$kind" "$size")" -v n="$n" 'BEGIN {
            mc = mc * n / 1000 # the metrics alone on one thread, s
            printf "ours / ffmpeg wall: %.2f (no logs), %.2f (both logs); target <= 0.85\n", ow / fw, lw / fw
            half = oc / 2; bound = (dw > half) ? dw : half
            printf "ours wall / max(CPU/2, ffmpeg decode wall): %.2f; target <= 1.15\n", ow / bound
            if (mc > 0) {
                printf "metrics alone on one thread: %.2f s; ours CPU / (that + ffmpeg decode CPU): %.2f; target <= 1.15\n", mc, oc / (mc + dc)
                floor = (mc + dc) / 2; if (dw > floor) floor = dw
                printf "fastest run two cores allow: %.2f s, %.2f x ffmpeg wall\n", floor, floor / fw
            } else
                printf "ours CPU - ffmpeg decode CPU: %.2f s (metrics_bench not built)\n", oc - dc
            printf "frames read speed / ffmpeg: %.2f; target >= 0.8\n", frw / rw
            printf "peak resident size: %.0f MB\n", peak / 1024 }'
    done
done
