// One plane of an image, read in place.
#pragma once

#include <cstdint>

namespace bv {

// First byte, bytes between row starts, image bytes per row, rows. An image of a packed format
// (YUY2, RGB) is its one plane.
struct PlaneView {
    const uint8_t* data = nullptr;
    int pitch = 0;
    int rowSize = 0;
    int height = 0;
};

} // namespace bv
