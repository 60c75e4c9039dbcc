#include "graph/jpeg_file.h"

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <jerror.h>
#include <jpeglib.h>
#include <stdexcept>
#include <sys/stat.h>

namespace bv {

namespace {

// libjpeg reports fatal errors through error_exit, which must not return: jump back out of
// the library (C frames only, so no destructor is skipped) and throw from C++ code.
struct JpegErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

void ExitOnJpegError(j_common_ptr info) {
    auto* manager = reinterpret_cast<JpegErrorManager*>(info->err);
    manager->base.format_message(info, manager->message);
    std::longjmp(manager->jump, 1);
}

void IgnoreJpegMessage(j_common_ptr) {}

// Compressed bytes go straight into a vector that grows as libjpeg fills it.
struct VectorDestination {
    jpeg_destination_mgr base;
    std::vector<unsigned char>* bytes;
};

constexpr size_t kInitialJpegBytes = 256 * 1024;

void StartVector(j_compress_ptr info) {
    auto* destination = reinterpret_cast<VectorDestination*>(info->dest);
    bool failed = false;
    try {
        destination->bytes->resize(kInitialJpegBytes);
    } catch (...) {
        failed = true;
    }
    if (failed)
        ERREXIT(info, JERR_OUT_OF_MEMORY); // no exception may cross libjpeg's C frames
    destination->base.next_output_byte = destination->bytes->data();
    destination->base.free_in_buffer = destination->bytes->size();
}

boolean GrowVector(j_compress_ptr info) {
    auto* destination = reinterpret_cast<VectorDestination*>(info->dest);
    std::vector<unsigned char>& bytes = *destination->bytes;
    // libjpeg calls this only when the whole buffer is full.
    const size_t used = bytes.size();
    bool failed = false;
    try {
        bytes.resize(used * 2);
    } catch (...) {
        failed = true;
    }
    if (failed)
        ERREXIT(info, JERR_OUT_OF_MEMORY);
    destination->base.next_output_byte = bytes.data() + used;
    destination->base.free_in_buffer = bytes.size() - used;
    return TRUE;
}

void FinishVector(j_compress_ptr info) {
    auto* destination = reinterpret_cast<VectorDestination*>(info->dest);
    destination->bytes->resize(destination->bytes->size() - destination->base.free_in_buffer);
}

// Kept apart from any C++ object with a destructor, so that the long jump skips none.
// Returns false with the library's message when libjpeg failed.
bool Compress(const QImage& image, int quality, VectorDestination& destination, JpegErrorManager& errors) {
    jpeg_compress_struct info;
    info.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = ExitOnJpegError;
    errors.base.output_message = IgnoreJpegMessage;
    if (setjmp(errors.jump) != 0) {
        jpeg_destroy_compress(&info);
        return false;
    }
    jpeg_create_compress(&info);
    destination.base.init_destination = StartVector;
    destination.base.empty_output_buffer = GrowVector;
    destination.base.term_destination = FinishVector;
    info.dest = &destination.base;
    info.image_width = static_cast<JDIMENSION>(image.width());
    info.image_height = static_cast<JDIMENSION>(image.height());
    // libjpeg-turbo reads the 32-bit pixels as they lie in memory: no copy of each row.
    info.input_components = 4;
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
    info.in_color_space = JCS_EXT_BGRX;
#else
    info.in_color_space = JCS_EXT_XRGB;
#endif
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        // libjpeg only reads its input rows.
        JSAMPROW rows[1] = {const_cast<JSAMPLE*>(image.constScanLine(static_cast<int>(info.next_scanline)))};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    return true;
}

} // namespace

std::vector<unsigned char> EncodeJpeg(const QImage& source, int quality) {
    if (source.isNull())
        throw std::runtime_error("Cannot encode an empty image as JPEG");
    // A no-op for graph pages and previews, which are 32-bit already.
    const QImage image = source.convertToFormat(QImage::Format_RGB32);
    std::vector<unsigned char> jpeg;
    VectorDestination destination{};
    destination.bytes = &jpeg;
    JpegErrorManager errors{};
    if (!Compress(image, quality, destination, errors))
        throw std::runtime_error(std::string("Cannot encode the JPEG image: ") + errors.message);
    return jpeg;
}

void WriteJpegFile(const std::string& path, const std::vector<unsigned char>& jpeg) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr)
        throw std::runtime_error("Cannot create file \"" + path + "\": " + std::strerror(errno));
    // Only a regular file is ours to remove after a failure; never a device or a pipe.
    struct stat status {};
    const bool regular = fstat(fileno(file), &status) == 0 && S_ISREG(status.st_mode);
    const bool written = std::fwrite(jpeg.data(), 1, jpeg.size(), file) == jpeg.size();
    int error = written ? 0 : errno;
    if (std::fclose(file) != 0 && error == 0)
        error = errno != 0 ? errno : EIO;
    if (!written && error == 0)
        error = EIO;
    if (error != 0) {
        // A truncated picture must not look like a result.
        if (regular)
            std::remove(path.c_str());
        throw std::runtime_error("Cannot write file \"" + path + "\": " + std::strerror(error));
    }
}

} // namespace bv
