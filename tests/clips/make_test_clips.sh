#!/usr/bin/env bash
# Makes the small real clips the tests read: an x264 original and encodes of it, an
# open-GOP stream with its sequentially decoded luma, packed 4:2:2 video, and 720x576
# frames decoded to raw yuyv422 for the metric kernels.
# Safe to re-run: clips that exist are kept.
set -euo pipefail
out=${1:?usage: make_test_clips.sh OUTDIR}
mkdir -p "$out"
cd "$out"
ff() { ffmpeg -nostdin -hide_banner -loglevel error -y "$@"; }
make() { # make TARGET COMMAND...: run the command into a temporary name, then rename
    local target=$1; shift
    [ -s "$target" ] && return 0
    local tmp="tmp_$$_$target"
    "$@" "$tmp"
    mv -f "$tmp" "$target"
}

# Original (lossless x264) and three encodes of it, 320x240, 60 frames.
make orig.mkv ff -f lavfi -i testsrc2=size=320x240:rate=25 -t 2.4 -pix_fmt yuv420p -c:v libx264 -qp 0 -f matroska
for crf in 20 30 40; do
    make enc_crf$crf.mkv ff -i orig.mkv -c:v libx264 -crf $crf -preset fast -f matroska
done
# A shorter encode (40 frames) and one of another frame size.
make enc_short.mkv ff -i orig.mkv -frames:v 40 -c:v libx264 -crf 28 -preset fast -f matroska
make enc_small.mkv ff -i orig.mkv -vf scale=160:120 -c:v libx264 -crf 28 -preset fast -f matroska

# Misaligned encodes: the first 3 frames lost (offset -3), 2 duplicated leading frames (+2), 7
# black leading frames at CRF 38 (+7); and a clip of one repeated frame with its encode.
make enc_lack3.mkv ff -i orig.mkv -vf trim=start_frame=3,setpts=PTS-STARTPTS -c:v libx264 -crf 28 -preset fast -f matroska
make enc_dup2.mkv ff -i orig.mkv -vf loop=loop=2:size=1:start=0,setpts=N/25/TB -c:v libx264 -crf 28 -preset fast -f matroska
make enc_shift7.mkv ff -i orig.mkv -vf tpad=start=7 -c:v libx264 -crf 38 -preset fast -f matroska
make still.mkv ff -f lavfi -i testsrc2=size=320x240:rate=25 -vf loop=loop=39:size=1:start=0 -frames:v 40 -pix_fmt yuv420p \
    -c:v libx264 -qp 0 -f matroska
make still_enc.mkv ff -i still.mkv -c:v libx264 -crf 28 -preset fast -f matroska

# Open-GOP H.264 with B-frames (frame-exactness of random access), and its sequential luma.
# The luma is taken with extractplanes: a plain conversion to grey would rescale it.
[ -e .gray_is_luma ] || rm -f opengop.gray
touch .gray_is_luma
make opengop.mkv ff -f lavfi -i mandelbrot=size=320x240:rate=25 -t 6 -vf noise=alls=10:allf=t -pix_fmt yuv420p \
    -c:v libx264 -preset fast -crf 26 -x264-params open-gop=1:keyint=50:bframes=3 -f matroska
make opengop.gray ff -i opengop.mkv -vf extractplanes=y -f rawvideo -pix_fmt gray
make opengop.yuyv ff -i opengop.mkv -f rawvideo -pix_fmt yuyv422

# Packed 4:2:2 in a container (delivered as YUY2 without conversion) and RGB.
make orig_yuy2.avi ff -i orig.mkv -frames:v 20 -c:v rawvideo -pix_fmt yuyv422 -f avi
make orig_yuy2.yuyv ff -i orig_yuy2.avi -f rawvideo -pix_fmt yuyv422
make orig_rgb.avi ff -i orig.mkv -frames:v 10 -c:v rawvideo -pix_fmt bgr24 -f avi
make orig_rgb.bgr ff -i orig_rgb.avi -f rawvideo -pix_fmt bgr24
# Planar 4:2:2 (delivered as YUY2 by repacking), and odd frame sizes in 4:2:0 and 4:4:4.
make orig_422p.mkv ff -i orig.mkv -frames:v 10 -pix_fmt yuv422p -c:v libx264 -qp 0 -f matroska
for fmt in 420 444; do
    make odd_$fmt.mkv ff -f lavfi -i testsrc2=size=160x120:rate=25 -t 0.4 -vf scale=161:121 -pix_fmt yuv${fmt}p \
        -c:v ffv1 -f matroska
done
# Real encoded frames for the metric kernels: 720x576, 3 frames of a noisy test picture and of a
# dark one (luma about 30 to 60, where the SSIM weight ramps), encoded at several CRFs, all
# decoded to raw yuyv422 (the kernels' input).
yuyv() { # yuyv SOURCE.mkv OUT: decode to raw packed 4:2:2
    ff -i "$1" -f rawvideo -pix_fmt yuyv422 "$2"
}
make metrics_orig.mkv ff -f lavfi -i testsrc2=size=720x576:rate=25 -frames:v 3 -vf noise=alls=12:allf=t \
    -pix_fmt yuv420p -c:v libx264 -qp 0 -f matroska
make metrics_dark.mkv ff -i metrics_orig.mkv -vf "lutyuv=y=28+val/7" -c:v libx264 -qp 0 -f matroska
for src in orig dark; do
    make metrics_$src.yuyv yuyv metrics_$src.mkv
    for crf in 18 28 38; do
        make metrics_${src}_crf$crf.mkv ff -i metrics_$src.mkv -c:v libx264 -crf $crf -preset fast -f matroska
        make metrics_${src}_crf$crf.yuyv yuyv metrics_${src}_crf$crf.mkv
    done
done
echo "test clips ready in $out"
