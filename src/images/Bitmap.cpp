#include "images/Bitmap.h"

#include <cstring>
#include <new>

#include <sys/mman.h>

namespace stanor::images {

namespace {
constexpr std::size_t kSpare = 4;
constexpr std::size_t kHugeFrom = std::size_t(1) << 20;
constexpr std::size_t kHugePage = std::size_t(2) << 20;

std::size_t mappedSize(std::size_t bytes) { return (bytes + kHugePage - 1) / kHugePage * kHugePage; }
}  // namespace

std::uint8_t* allocatePixels(std::size_t bytes) {
    if (bytes < kHugeFrom) return new std::uint8_t[bytes];
    // Mapped on a huge-page boundary, so that the system can back it with huge pages.
    const std::size_t size = mappedSize(bytes);
    void* p = mmap(nullptr, size + kHugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED) throw std::bad_alloc();
    auto* base = static_cast<std::uint8_t*>(p);
    const std::size_t lead = (kHugePage - reinterpret_cast<std::uintptr_t>(base) % kHugePage) % kHugePage;
    if (lead) munmap(base, lead);
    munmap(base + lead + size, kHugePage - lead);
    madvise(base + lead, size, MADV_HUGEPAGE);
    return base + lead;
}

void releasePixels(std::uint8_t* p, std::size_t bytes) {
    if (!p) return;
    if (bytes < kHugeFrom)
        delete[] p;
    else
        munmap(p, mappedSize(bytes));
}

void Bitmap::Release::operator()(std::uint8_t* p) const { releasePixels(p, bytes); }

void Bitmap::resizeUninitialized(int width, int height) {
    if (width < 0 || height < 0) throw ImageError("Taille d'image négative");
    const std::size_t bytes = std::size_t(width) * std::size_t(height) * 3 + kSpare;
    data_ = std::unique_ptr<std::uint8_t[], Release>(allocatePixels(bytes), Release{bytes});
    width_ = width;
    height_ = height;
    std::memset(data_.get() + byteCount(), 0, kSpare);
}

void Bitmap::resize(int width, int height) {
    resizeUninitialized(width, height);
    std::memset(data_.get(), 0, byteCount());
}

Bitmap::Bitmap(const Bitmap& o) : bitsPerPixel_(o.bitsPerPixel_) {
    if (!o.data_) return;
    resizeUninitialized(o.width_, o.height_);
    std::memcpy(data_.get(), o.data_.get(), byteCount());
}

Bitmap& Bitmap::operator=(const Bitmap& o) {
    if (this != &o) {
        Bitmap copy(o);
        *this = std::move(copy);
    }
    return *this;
}

bool Bitmap::operator==(const Bitmap& o) const {
    return width_ == o.width_ && height_ == o.height_ &&
           (byteCount() == 0 || std::memcmp(data_.get(), o.data_.get(), byteCount()) == 0);
}

Bitmap Bitmap::copyRect(int x, int y, int w, int h) const {
    if (x < 0 || y < 0 || w < 0 || h < 0 || x + w > width_ || y + h > height_)
        throw ImageError("Zone en dehors de l'image");
    Bitmap out(w, h);
    for (int r = 0; r < h; ++r)
        std::memcpy(out.scanLine(r), scanLine(y + r) + std::size_t(x) * 3, std::size_t(w) * 3);
    return out;
}

Bitmap Bitmap::oriented(int o) const {
    if (o < 2 || o > 8) return *this;
    const int w = width_, h = height_;
    const bool turned = o >= 5;  // a quarter turn swaps width and height
    Bitmap out;
    out.resizeUninitialized(turned ? h : w, turned ? w : h);
    for (int y = 0; y < out.height(); ++y) {
        std::uint8_t* to = out.scanLine(y);
        for (int x = 0; x < out.width(); ++x, to += 3) {
            int sx = x, sy = y;
            switch (o) {
            case 2: sx = w - 1 - x; break;
            case 3: sx = w - 1 - x, sy = h - 1 - y; break;
            case 4: sy = h - 1 - y; break;
            case 5: sx = y, sy = x; break;
            case 6: sx = y, sy = h - 1 - x; break;
            case 7: sx = w - 1 - y, sy = h - 1 - x; break;
            case 8: sx = w - 1 - y, sy = x; break;
            }
            std::memcpy(to, scanLine(sy) + std::size_t(sx) * 3, 3);
        }
    }
    return out;
}

void Bitmap::paste(const Bitmap& src, int x, int y) {
    if (x < 0 || y < 0 || x + src.width() > width_ || y + src.height() > height_)
        throw ImageError("Zone en dehors de l'image");
    for (int r = 0; r < src.height(); ++r)
        std::memcpy(scanLine(y + r) + std::size_t(x) * 3, src.scanLine(r), src.stride());
}

}  // namespace stanor::images
