// JPEG images of graph pages through libjpeg: encoded in memory, then written to a file.
#pragma once

#include <QImage>
#include <string>
#include <vector>

namespace bv {

inline constexpr int kGraphJpegQuality = 85;

// A baseline colour JPEG of the image at the given quality, everything else at libjpeg's
// defaults. Throws std::runtime_error when libjpeg refuses.
std::vector<unsigned char> EncodeJpeg(const QImage& image, int quality = kGraphJpegQuality);

// Writes the bytes to `path`, replacing an existing file. Throws std::runtime_error naming
// the file when it cannot be created or written; a partly written regular file is removed.
void WriteJpegFile(const std::string& path, const std::vector<unsigned char>& jpeg);

} // namespace bv
