#include "TestImages.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <random>

#include <jpeglib.h>

namespace stanor::images::test {

Bitmap randomBitmap(int width, int height, std::uint32_t seed) {
    Bitmap b(width, height);
    std::mt19937 gen(seed);
    for (std::size_t i = 0; i < b.byteCount(); ++i) b.bits()[i] = std::uint8_t(gen() & 0xFF);
    return b;
}

Bitmap photoLike(int width, int height) {
    Bitmap b(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            std::uint8_t* p = b.scanLine(y) + x * 3;
            p[0] = std::uint8_t((x * 255) / std::max(width - 1, 1));
            p[1] = std::uint8_t((y * 255) / std::max(height - 1, 1));
            p[2] = std::uint8_t(((x / 7 + y / 5) % 2) ? 200 : 60);
        }
    return b;
}

Bitmap uniform(int width, int height, std::uint8_t b, std::uint8_t g, std::uint8_t r) {
    Bitmap bmp(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            std::uint8_t* p = bmp.scanLine(y) + x * 3;
            p[0] = b, p[1] = g, p[2] = r;
        }
    return bmp;
}

std::vector<MarkerAt> jpegMarkers(const std::vector<std::uint8_t>& j) {
    std::vector<MarkerAt> out;
    std::size_t i = 2;
    while (i + 1 < j.size()) {
        if (j[i] != 0xFF) {
            ++i;
            continue;
        }
        const int m = j[i + 1];
        if (m == 0xFF) {
            ++i;
            continue;
        }
        if (m == 0x00 || (m >= 0xD0 && m <= 0xD7)) {  // stuffed byte or restart marker
            i += 2;
            continue;
        }
        out.push_back({m, i});
        if (m == 0xD9 || i + 3 >= j.size()) break;
        i += 2 + std::size_t(j[i + 2] << 8 | j[i + 3]);
    }
    return out;
}

std::size_t markerOffset(const std::vector<std::uint8_t>& jpeg, int marker, int n) {
    for (const MarkerAt& m : jpegMarkers(jpeg))
        if (m.marker == marker && n-- == 0) return m.offset;
    ADD_FAILURE() << "no marker " << std::hex << marker;
    return 0;
}

namespace {
std::vector<std::uint8_t> encodeWith(int w, int h, int components, J_COLOR_SPACE space,
                                     const std::function<void(jpeg_compress_struct&)>& setup,
                                     const std::function<const std::uint8_t*(int y)>& row) {
    jpeg_compress_struct c{};
    jpeg_error_mgr e{};
    c.err = jpeg_std_error(&e);
    jpeg_create_compress(&c);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &buffer, &size);
    c.image_width = JDIMENSION(w), c.image_height = JDIMENSION(h);
    c.input_components = components;
    c.in_color_space = space;
    jpeg_set_defaults(&c);
    setup(c);
    jpeg_start_compress(&c, TRUE);
    for (int y = 0; y < h; ++y) {
        JSAMPROW r = const_cast<JSAMPROW>(row(y));
        jpeg_write_scanlines(&c, &r, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    std::vector<std::uint8_t> out(buffer, buffer + size);
    std::free(buffer);
    return out;
}
}  // namespace

std::vector<std::uint8_t> oneScanPerComponent(const Bitmap& b) {
    static jpeg_scan_info scans[3];
    for (int i = 0; i < 3; ++i) scans[i] = {1, {i, 0, 0, 0}, 0, 63, 0, 0};
    return encodeWith(b.width(), b.height(), 3, JCS_EXT_BGR, [](jpeg_compress_struct& c) {
        c.scan_info = scans;
        c.num_scans = 3;
    }, [&](int y) { return b.scanLine(y); });
}

std::vector<std::uint8_t> greyJpeg(int w, int h) {
    std::vector<std::uint8_t> line(static_cast<std::size_t>(w));
    return encodeWith(w, h, 1, JCS_GRAYSCALE, [](jpeg_compress_struct&) {}, [&](int y) {
        for (int x = 0; x < w; ++x) line[std::size_t(x)] = std::uint8_t((x * 3 + y * 5) & 0xFF);
        return line.data();
    });
}

ScratchDir::ScratchDir() {
    static int counter = 0;
    std::random_device rd;
    path_ = std::filesystem::temp_directory_path() /
            ("stanor-images-" + std::to_string(rd()) + "-" + std::to_string(++counter));
    std::filesystem::create_directories(path_);
}

ScratchDir::~ScratchDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

}  // namespace stanor::images::test
