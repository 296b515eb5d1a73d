#include "TestImages.h"

#include <random>

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
