#include "images/GBlur.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

namespace stanor::images {

namespace {
constexpr int kMaxSize = 100;

void check24(const Bitmap& bmp) {
    if (bmp.bitsPerPixel() != 24) throw ImageError("GBlur only works for 24-bit bitmaps");
}

// Blurs a line of `count` pixels of 3 bytes, `step` bytes apart. `padded` is scratch space.
void blurLine(const GaussKernel& k, std::uint8_t* line, int count, std::size_t step,
              std::vector<std::int32_t>& padded, std::vector<double>& sums) {
    const int size = k.size;
    // The line with `size` copies of each edge pixel on both sides: position i - j is then
    // read without a bounds check, and reads the edge pixel where it falls outside.
    padded.resize(std::size_t(count + 2 * size) * 3);
    for (int p = -size; p < count + size; ++p) {
        const std::uint8_t* px = line + std::size_t(std::clamp(p, 0, count - 1)) * step;
        std::int32_t* out = padded.data() + std::size_t(p + size) * 3;
        out[0] = px[0];
        out[1] = px[1];
        out[2] = px[2];
    }
    sums.resize(std::size_t(count) * 3);
    for (int i = 0; i < count; ++i) {
        double s0 = 0.0, s1 = 0.0, s2 = 0.0;
        for (int j = -size; j <= size; ++j) {
            const double w = k.at(j);
            const std::int32_t* v = padded.data() + std::size_t(i - j + size) * 3;
            s0 += w * v[0];
            s1 += w * v[1];
            s2 += w * v[2];
        }
        double* out = sums.data() + std::size_t(i) * 3;
        out[0] = s0;
        out[1] = s1;
        out[2] = s2;
    }
    for (int i = 0; i < count; ++i) {
        std::uint8_t* px = line + std::size_t(i) * step;
        for (int c = 0; c < 3; ++c) {
            const double s = sums[std::size_t(i) * 3 + std::size_t(c)] + k.tolerance;
            px[c] = s >= 255.0 ? 255 : s < 0.0 ? 0 : std::uint8_t(std::trunc(s));
        }
    }
}

// Which side of the line from (x1, y1) to (x2, y2) the pixel (x, y) lies on: positive above a
// line drawn left to right (rows grow downwards), negative below, 0 on it. Integer arithmetic
// gives the exact sign of the ratio the geometry is defined by.
int side(int x1, int y1, int x2, int y2, int x, int y) {
    if (x1 == x2 && y1 == y2) return 0;
    const std::int64_t n = std::int64_t(y1 - y) * (x2 - x1) - std::int64_t(x1 - x) * (y2 - y1);
    return n > 0 ? 1 : n < 0 ? -1 : 0;
}
}  // namespace

GaussKernel makeGaussKernel(double radius) {
    if (radius == 0.0) radius = 1.0;
    GaussKernel k;
    double total = 0.0;
    for (int j = -kMaxSize; j <= kMaxSize; ++j) {
        const double t = j / radius;
        k.weights[std::size_t(j + kMaxSize)] = float(std::exp(-t * t / 2.0));
        total += k.weights[std::size_t(j + kMaxSize)];
    }
    for (float& w : k.weights) w = float(w / total);

    // Drop the tails that together weigh less than one grey level over twice the maximum value.
    int size = kMaxSize;
    double tail = 0.0;
    while (tail < 1.0 / 510.0 && size > 1) {
        tail += 2.0 * k.at(size);
        --size;
    }
    k.size = size;

    total = 0.0;
    for (int j = -size; j <= size; ++j) total += k.at(j);
    for (int j = -size; j <= size; ++j) {
        float& w = k.weights[std::size_t(j + kMaxSize)];
        w = float(w / total);
    }

    // The stored weights are rounded to single precision, so they may add up to slightly less
    // than 1: a white area would then sum to just below 255 and truncate to 254. The tolerance
    // covers that shortfall for the brightest value, plus the rounding of the sums themselves.
    double used = 0.0;
    for (int j = -size; j <= size; ++j) used += k.at(j);
    k.tolerance = std::max(0.0, 255.0 * (1.0 - used)) + 1e-9;
    return k;
}

void GBlur(Bitmap& bmp, double radius) {
    check24(bmp);
    if (bmp.empty()) return;
    const GaussKernel k = makeGaussKernel(radius);
    std::vector<std::int32_t> padded;
    std::vector<double> sums;
    for (int y = 0; y < bmp.height(); ++y) blurLine(k, bmp.scanLine(y), bmp.width(), 3, padded, sums);
    // Columns are copied into a line buffer, blurred as a row and copied back.
    std::vector<std::uint8_t> column(std::size_t(bmp.height()) * 3);
    for (int x = 0; x < bmp.width(); ++x) {
        for (int y = 0; y < bmp.height(); ++y) std::memcpy(&column[std::size_t(y) * 3], bmp.scanLine(y) + x * 3, 3);
        blurLine(k, column.data(), bmp.height(), 3, padded, sums);
        for (int y = 0; y < bmp.height(); ++y) std::memcpy(bmp.scanLine(y) + x * 3, &column[std::size_t(y) * 3], 3);
    }
}

void BlurBand(const Bitmap& source, Bitmap& bmp, bool leftToRight, int thickness, double radius) {
    check24(bmp);
    check24(source);
    if (source.width() != bmp.width() || source.height() != bmp.height())
        throw ImageError("La copie non floutée n'a pas la taille de la zone");
    GBlur(bmp, radius);
    const int w = bmp.width(), h = bmp.height();
    const int a = std::clamp(thickness, 0, h);
    // Upper line (ux1, uy1)-(ux2, uy2) and lower line (lx1, ly1)-(lx2, ly2) across the zone.
    int uy1, uy2, ly1, ly2;
    if (leftToRight) {
        uy1 = 0, uy2 = h - 1 - a, ly1 = a, ly2 = h - 1;
    } else {
        uy1 = h - 1 - a, uy2 = 0, ly1 = h - 1, ly2 = a;
    }
    for (int y = 0; y < h; ++y) {
        const std::uint8_t* in = source.scanLine(y);
        std::uint8_t* out = bmp.scanLine(y);
        for (int x = 0; x < w; ++x) {
            if (side(0, uy1, w - 1, uy2, x, y) > 0 || side(0, ly1, w - 1, ly2, x, y) < 0)
                std::memcpy(out + x * 3, in + x * 3, 3);
        }
    }
}

}  // namespace stanor::images
