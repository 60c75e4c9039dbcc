#!/usr/bin/env bash
# Makes the benchmark's frames: at 720x576 and 1920x1080, a few frames of a lossless original
# (a moving test picture with film-like noise) and of an x264 encode of it at CRF 23, both
# decoded to raw yuyv422 and to raw planar 4:2:0 (yuv420p); and the same at 10 bits
# (yuv420p10le, x264's 10-bit encoder). Safe to re-run.
set -euo pipefail
out=${1:?usage: make_bench_frames.sh OUTDIR}
mkdir -p "$out"
cd "$out"
ff() { ffmpeg -nostdin -hide_banner -loglevel error -y "$@"; }
for size in 720x576 1920x1080; do
    [ -s "enc_$size.yuv420p10" ] && continue
    ff -f lavfi -i "testsrc2=size=$size:rate=25" -frames:v 6 -vf noise=alls=8:allf=t \
        -pix_fmt yuv420p -c:v libx264 -qp 0 -f matroska "tmp_orig_$size.mkv"
    ff -i "tmp_orig_$size.mkv" -c:v libx264 -crf 23 -preset fast -f matroska "tmp_enc_$size.mkv"
    ff -i "tmp_orig_$size.mkv" -c:v libx264 -pix_fmt yuv420p10le -qp 0 -f matroska "tmp_orig10_$size.mkv"
    ff -i "tmp_orig10_$size.mkv" -c:v libx264 -pix_fmt yuv420p10le -crf 23 -preset fast -f matroska "tmp_enc10_$size.mkv"
    for kind in orig enc; do
        ff -i "tmp_${kind}_$size.mkv" -f rawvideo -pix_fmt yuyv422 "${kind}_$size.yuyv"
        ff -i "tmp_${kind}_$size.mkv" -f rawvideo -pix_fmt yuv420p "${kind}_$size.yuv420p"
        ff -i "tmp_${kind}10_$size.mkv" -f rawvideo -pix_fmt yuv420p10le "tmp_${kind}_$size.yuv420p10"
    done
    mv -f "tmp_orig_$size.yuv420p10" "orig_$size.yuv420p10"
    mv -f "tmp_enc_$size.yuv420p10" "enc_$size.yuv420p10"
    rm -f tmp_*"_$size.mkv"
done
