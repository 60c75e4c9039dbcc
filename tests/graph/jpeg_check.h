// Reading back the JPEG files the graph writes, with libjpeg itself.
#pragma once

#include <QImage>
#include <cstdio>
#include <jpeglib.h>
#include <string>

namespace bv::test {

struct JpegInfo {
    bool valid = false;
    int width = 0;
    int height = 0;
    int components = 0;
    bool progressive = false;
    bool baseline = false; // SOF0 frame marker
    QImage pixels;         // decoded, RGB32
};

// Decodes the file; `valid` stays false when libjpeg finds no JPEG (its warnings are ignored,
// its fatal errors would abort the test, which is what a broken file deserves).
inline JpegInfo ReadJpeg(const std::string& path) {
    JpegInfo info;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr)
        return info;
    unsigned char marker[4] = {};
    const bool soi = std::fread(marker, 1, 2, file) == 2 && marker[0] == 0xFF && marker[1] == 0xD8;
    // Walk the markers up to the frame header to see which kind of frame it is.
    while (soi && std::fread(marker, 1, 4, file) == 4 && marker[0] == 0xFF) {
        if (marker[1] == 0xC0 || marker[1] == 0xC2) {
            info.baseline = marker[1] == 0xC0;
            break;
        }
        std::fseek(file, ((marker[2] << 8) | marker[3]) - 2, SEEK_CUR);
    }
    std::rewind(file);
    if (!soi) {
        std::fclose(file);
        return info;
    }
    jpeg_decompress_struct decoder;
    jpeg_error_mgr errors;
    decoder.err = jpeg_std_error(&errors);
    jpeg_create_decompress(&decoder);
    jpeg_stdio_src(&decoder, file);
    jpeg_read_header(&decoder, TRUE);
    info.width = static_cast<int>(decoder.image_width);
    info.height = static_cast<int>(decoder.image_height);
    info.components = decoder.num_components;
    info.progressive = decoder.progressive_mode != 0;
    decoder.out_color_space = JCS_RGB;
    jpeg_start_decompress(&decoder);
    info.pixels = QImage(info.width, info.height, QImage::Format_RGB32);
    std::string row(static_cast<size_t>(info.width) * 3, '\0');
    while (decoder.output_scanline < decoder.output_height) {
        const int y = static_cast<int>(decoder.output_scanline);
        JSAMPROW rows[1] = {reinterpret_cast<JSAMPLE*>(row.data())};
        jpeg_read_scanlines(&decoder, rows, 1);
        auto* out = reinterpret_cast<QRgb*>(info.pixels.scanLine(y));
        for (int x = 0; x < info.width; ++x)
            out[x] = qRgb(static_cast<unsigned char>(row[3 * x]), static_cast<unsigned char>(row[3 * x + 1]),
                          static_cast<unsigned char>(row[3 * x + 2]));
    }
    jpeg_finish_decompress(&decoder);
    jpeg_destroy_decompress(&decoder);
    std::fclose(file);
    info.valid = true;
    return info;
}

// Mean absolute difference per channel between two images of the same size.
inline double MeanDifference(const QImage& a, const QImage& b) {
    double sum = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            sum +=
                std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) + std::abs(qBlue(p) - qBlue(q));
        }
    return sum / (3.0 * a.width() * a.height());
}

} // namespace bv::test
