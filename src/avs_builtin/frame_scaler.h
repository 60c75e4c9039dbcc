// Decoded pictures to frames of a clip's format and size, through libswscale writing into our
// own padded frames. FFMS2 is never asked to convert: its conversion buffer has no room for
// the scaler's vector stores and corrupts the heap at some widths (4:2:2 at width 2 mod 4).
#pragma once

#include "avs_builtin/video_frame.h"

#include <cstdint>
#include <string>

struct SwsContext;

namespace bv::builtin {

// A picture as the decoder delivered it (FFmpeg's pixel format, colour space and range numbers).
struct DecodedPicture {
    const uint8_t* data[4] = {};
    int linesize[4] = {};
    int width = 0;
    int height = 0;
    int pixelFormat = -1;
    int colorSpace = 2; // unspecified
    int colorRange = 0; // unspecified
};

class FrameScaler {
public:
    // `resizer` is a libswscale algorithm flag; `scale` says the clip's size was asked for, so
    // every picture is resized to it. Otherwise a picture one column or row larger than the
    // clip (odd sizes in even-only formats) loses its last column or row.
    FrameScaler(PixelFormat format, int width, int height, int resizer, bool scale, std::string who);
    ~FrameScaler();
    FrameScaler(const FrameScaler&) = delete;
    FrameScaler& operator=(const FrameScaler&) = delete;

    // A new frame of the clip's format and size; throws ScriptError when the picture's format
    // cannot be converted. A picture of another size (the stream changed size) is resized.
    FramePtr Convert(const DecodedPicture& picture);
    // The colour space and range (FFmpeg's values) of the last converted picture.
    int outputSpace() const { return outSpace_; }
    int outputRange() const { return outRange_; }

    // FFmpeg's pixel format for one of ours.
    static int FfmpegFormat(PixelFormat format);

private:
    void Prepare(const DecodedPicture& picture, int sourceWidth, int sourceHeight);

    PixelFormat format_;
    int width_;
    int height_;
    int resizer_;
    bool scale_;
    std::string who_;
    SwsContext* context_ = nullptr;
    bool copy_ = false; // same format and size: rows are copied
    // What context_ was made for.
    int outSpace_ = 2, outRange_ = 0;
    int sourceWidth_ = -1, sourceHeight_ = -1, sourceFormat_ = -1, sourceSpace_ = -1, sourceRange_ = -1;
};

} // namespace bv::builtin
