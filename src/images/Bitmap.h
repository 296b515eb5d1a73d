#pragma once
// A 24-bit bitmap: blue, green, red per pixel, rows reached through scanLine().

#include <cstddef>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>

namespace stanor::images {

// Every failure of the image code; the text is shown to the user as it stands.
class ImageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Memory for large pixel buffers: big blocks are mapped with huge pages where the system offers
// them, which spares thousands of page faults on a camera photo.
std::uint8_t* allocatePixels(std::size_t bytes);
void releasePixels(std::uint8_t* p, std::size_t bytes);

class Bitmap {
public:
    Bitmap() = default;
    Bitmap(int width, int height) { resize(width, height); }
    Bitmap(const Bitmap& o);
    Bitmap& operator=(const Bitmap& o);
    Bitmap(Bitmap&&) noexcept = default;
    Bitmap& operator=(Bitmap&&) noexcept = default;

    // Sets the size; the pixels are zeroed (black).
    void resize(int width, int height);
    // Sets the size and leaves the pixels undefined, for a bitmap about to be filled whole.
    void resizeUninitialized(int width, int height);

    int width() const { return width_; }
    int height() const { return height_; }
    bool empty() const { return width_ <= 0 || height_ <= 0; }
    std::size_t stride() const { return std::size_t(width_) * 3; }

    // 24 for every bitmap made here; a picture that could not be brought to 24 bits carries
    // another depth, which the blur refuses.
    int bitsPerPixel() const { return bitsPerPixel_; }
    void setBitsPerPixel(int bits) { bitsPerPixel_ = bits; }

    std::uint8_t* scanLine(int y) { return data_.get() + std::size_t(y) * stride(); }
    const std::uint8_t* scanLine(int y) const { return data_.get() + std::size_t(y) * stride(); }
    std::uint8_t* bits() { return data_.get(); }
    const std::uint8_t* bits() const { return data_.get(); }
    std::size_t byteCount() const { return stride() * std::size_t(height_); }

    // The rectangle (x, y, w, h), which must lie inside this bitmap.
    Bitmap copyRect(int x, int y, int w, int h) const;
    // Copies src into this bitmap with its top left corner at (x, y); src must fit.
    void paste(const Bitmap& src, int x, int y);

    bool operator==(const Bitmap& o) const;

    // The picture turned and mirrored as an EXIF orientation (1 to 8) asks, so that it stands
    // as the camera held it; 1 or an unknown value gives it unchanged.
    Bitmap oriented(int exifOrientation) const;

private:
    int width_ = 0;
    int height_ = 0;
    int bitsPerPixel_ = 24;
    // Three spare bytes after the last pixel let vector code read a whole 32-bit word per pixel.
    struct Release {
        std::size_t bytes;
        void operator()(std::uint8_t* p) const;
    };
    std::unique_ptr<std::uint8_t[], Release> data_;
};

}  // namespace stanor::images
