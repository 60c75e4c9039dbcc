// One frame of a clip as the player shows it.
#pragma once

#include <QImage>

namespace bv {

struct AvsClip;

// Frame `frame` of the clip as an RGB picture of the clip's size, made as the run's preview
// makes it (FrameRgbImage): YUV in colour through `recommendation` (1 PC.601, 2 REC.601), grey
// formats in grey, RGB as it is. A frame that cannot be fetched, or a colour space without a
// picture here, gives a null image.
QImage PlayerPicture(const AvsClip& clip, int frame, int recommendation);

} // namespace bv
