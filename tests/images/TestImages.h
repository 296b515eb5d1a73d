#pragma once
// Pictures and scratch folders shared by the image tests.

#include "images/Bitmap.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace stanor::images::test {

// Pseudo-random pixels, the same for the same seed.
Bitmap randomBitmap(int width, int height, std::uint32_t seed);
// Smooth colour gradients with some texture, closer to a photo than noise.
Bitmap photoLike(int width, int height);
Bitmap uniform(int width, int height, std::uint8_t b, std::uint8_t g, std::uint8_t r);

// The markers of a JPEG file after its start marker, with their offsets: header segments are
// stepped over by their length, image data is searched for the next marker.
struct MarkerAt {
    int marker;
    std::size_t offset;
};
std::vector<MarkerAt> jpegMarkers(const std::vector<std::uint8_t>& jpeg);
// The offset of the n-th (from 0) marker `marker`; fails the test when there is none.
std::size_t markerOffset(const std::vector<std::uint8_t>& jpeg, int marker, int n = 0);

// JPEG layouts the image code never writes, made with libjpeg directly: a sequential photo with
// one scan per colour component (no scan carries all three), and a grey photo.
std::vector<std::uint8_t> oneScanPerComponent(const Bitmap& picture);
std::vector<std::uint8_t> greyJpeg(int width, int height);

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
