// One frame of a clip as the player shows it.
#pragma once

#include <QImage>

namespace bv {

struct AvsClip;

// Frame `frame` of the clip as an RGB picture of the clip's size. YUY2 goes through the
// preview conversion with `recommendation` (1 PC.601, 2 REC.601); planar YUV shows its luma
// in grey; RGB24 and RGB32 are copied (AviSynth keeps them bottom-up). A frame that cannot
// be fetched, or a colour space without a picture here, gives a null image.
QImage PlayerPicture(const AvsClip& clip, int frame, int recommendation);

} // namespace bv
