#include "player/player_picture.h"

#include "frame_source/avs_clip.h"
#include "frame_source/avs_error.h"
#include "graph/preview_image.h"

namespace bv {

QImage PlayerPicture(const AvsClip& clip, int frame, int recommendation) {
    if (!clip.isOpen() || clip.width <= 0 || clip.height <= 0)
        return {};
    try {
        const FrameView view = FetchFrame(clip, frame);
        return FrameRgbImage(view, clip.format, recommendation, clip.width, clip.height);
    } catch (const EAviSynthCException&) {
    }
    return {};
}

} // namespace bv
