#pragma once

#include <string>

namespace bv {

// `brevanta-cli frames SOURCE FIRST LAST OUT [--template FILE] [--all-planes]`: frames
// FIRST..LAST as raw bytes, each row's row-size bytes without pitch padding: the default plane,
// or with `allPlanes` every plane in order (Y, U, V: FFmpeg's rawvideo layout). Samples of
// more than 8 bits are 2 bytes, little-endian. OUT "-" is standard output.
int RunFramesCommand(const std::string& source, int first, int last, const std::string& out,
                     const std::string& templateFile, bool allPlanes = false);

} // namespace bv
