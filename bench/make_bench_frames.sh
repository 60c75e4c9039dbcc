#!/usr/bin/env bash
# Makes the benchmark's frames: at 720x576 and 1920x1080, a few frames of a lossless original
# (a moving test picture with film-like noise) and of an x264 encode of it at CRF 23, both
# decoded to raw yuyv422, the layout the metric kernels read. Safe to re-run.
set -euo pipefail
out=${1:?usage: make_bench_frames.sh OUTDIR}
mkdir -p "$out"
cd "$out"
ff() { ffmpeg -nostdin -hide_banner -loglevel error -y "$@"; }
for size in 720x576 1920x1080; do
    [ -s "enc_$size.yuyv" ] && continue
    ff -f lavfi -i "testsrc2=size=$size:rate=25" -frames:v 6 -vf noise=alls=8:allf=t \
        -pix_fmt yuv420p -c:v libx264 -qp 0 -f matroska "tmp_orig_$size.mkv"
    ff -i "tmp_orig_$size.mkv" -c:v libx264 -crf 23 -preset fast -f matroska "tmp_enc_$size.mkv"
    ff -i "tmp_orig_$size.mkv" -f rawvideo -pix_fmt yuyv422 "orig_$size.yuyv"
    ff -i "tmp_enc_$size.mkv" -f rawvideo -pix_fmt yuyv422 "tmp_enc_$size.yuyv"
    mv -f "tmp_enc_$size.yuyv" "enc_$size.yuyv"
    rm -f "tmp_orig_$size.mkv" "tmp_enc_$size.mkv"
done
