// The decorative picture at the left edge of every page.
#pragma once

#include <QImage>

namespace bv {

// A 128 x 128 picture: a strip of film over a blue gradient, with a quality curve.
QImage BannerPicture();

} // namespace bv
