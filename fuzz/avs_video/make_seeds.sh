#!/usr/bin/env bash
# Remakes the seed corpus: tiny clips of several containers, codecs and pixel formats.
set -euo pipefail
cd "$(dirname "$0")/corpus"
ff() { ffmpeg -nostdin -hide_banner -loglevel error -y -f lavfi -i testsrc2=size=$1:rate=25 -frames:v 2 "${@:2}"; }
ff 16x8 -pix_fmt yuv420p -c:v ffv1 ffv1_420.mkv
ff 6x4 -pix_fmt yuv422p -c:v ffv1 ffv1_422.mkv
ff 6x2 -pix_fmt yuyv422 -c:v rawvideo raw_yuyv.avi
ff 5x3 -pix_fmt rgb24 -c:v rawvideo raw_rgb.nut
ff 16x16 -pix_fmt yuv420p -c:v libx264 -preset ultrafast -qp 20 x264.mp4
ff 16x16 -pix_fmt yuv420p10le -c:v libx264 -preset ultrafast -qp 20 x264_10bit.mkv
ff 8x8 -pix_fmt yuv420p -f yuv4mpegpipe clip.y4m
ff 16x16 -c:v mpeg4 -q:v 5 mpeg4.avi
