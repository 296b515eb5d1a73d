#pragma once
// Pictures and scratch folders shared by the image tests.

#include "images/Bitmap.h"

#include <cstdint>
#include <filesystem>
#include <string>

namespace stanor::images::test {

// Pseudo-random pixels, the same for the same seed.
Bitmap randomBitmap(int width, int height, std::uint32_t seed);
// Smooth colour gradients with some texture, closer to a photo than noise.
Bitmap photoLike(int width, int height);
Bitmap uniform(int width, int height, std::uint8_t b, std::uint8_t g, std::uint8_t r);

// A fresh empty folder under the system's temporary folder, removed by the destructor.
class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    std::string file(const std::string& name) const { return (path_ / name).string(); }
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

}  // namespace stanor::images::test
