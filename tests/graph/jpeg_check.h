// Reading back the JPEG files the graph writes, with libjpeg itself.
#pragma once

#include <QImage>
#include <algorithm>
#include <array>
#include <cstdio>
#include <jpeglib.h>
#include <string>
#include <vector>

namespace bv::test {

struct JpegInfo {
    bool valid = false;
    int width = 0;
    int height = 0;
    int components = 0;
    bool progressive = false;
    bool baseline = false; // SOF0 frame marker
    QImage pixels;         // decoded, RGB32
    // The quantisation tables the file carries, in natural (row by row) order.
    std::vector<std::array<int, 64>> quantTables;
};

// libjpeg's quantisation tables for `quality`: the standard luminance and chrominance tables
// scaled by its rule (5000 / q below 50, else 200 - 2q percent), kept within 1..255.
inline std::vector<std::array<int, 64>> StandardQuantTables(int quality) {
    static const int luminance[64] = {16, 11, 10, 16, 24,  40,  51,  61,  12, 12, 14, 19, 26,  58,  60,  55,
                                      14, 13, 16, 24, 40,  57,  69,  56,  14, 17, 22, 29, 51,  87,  80,  62,
                                      18, 22, 37, 56, 68,  109, 103, 77,  24, 35, 55, 64, 81,  104, 113, 92,
                                      49, 64, 78, 87, 103, 121, 120, 101, 72, 92, 95, 98, 112, 100, 103, 99};
    static const int chrominance[64] = {17, 18, 24, 47, 99, 99, 99, 99, 18, 21, 26, 66, 99, 99, 99, 99,
                                        24, 26, 56, 99, 99, 99, 99, 99, 47, 66, 99, 99, 99, 99, 99, 99,
                                        99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99,
                                        99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99};
    const int scale = quality < 50 ? 5000 / quality : 200 - 2 * quality;
    std::vector<std::array<int, 64>> tables(2);
    for (int i = 0; i < 64; ++i) {
        tables[0][i] = std::clamp((luminance[i] * scale + 50) / 100, 1, 255);
        tables[1][i] = std::clamp((chrominance[i] * scale + 50) / 100, 1, 255);
    }
    return tables;
}

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
    for (const JQUANT_TBL* table : decoder.quant_tbl_ptrs) {
        if (table == nullptr)
            continue;
        std::array<int, 64> values{};
        for (int i = 0; i < 64; ++i)
            values[i] = table->quantval[i];
        info.quantTables.push_back(values);
    }
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
