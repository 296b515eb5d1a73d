#include "images/GBlur.h"

#include "images/Parallel.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <immintrin.h>
#include <vector>

namespace stanor::images {

namespace {
constexpr int kMaxSize = 100;

void check24(const Bitmap& bmp) {
    if (bmp.bitsPerPixel() != 24) throw ImageError("GBlur only works for 24-bit bitmaps");
}

inline std::uint8_t truncateChannel(double s) {
    return s >= 255.0 ? 255 : s < 0.0 ? 0 : std::uint8_t(std::trunc(s));
}

// Blurs a line of `count` pixels of 3 bytes, `step` bytes apart, one channel value at a time.
void blurLinePlain(const GaussKernel& k, std::uint8_t* line, int count, std::size_t step,
                   std::vector<double>& sums) {
    const int size = k.size;
    sums.resize(std::size_t(count) * 3);
    for (int i = 0; i < count; ++i) {
        for (int c = 0; c < 3; ++c) {
            double s = 0.0;
            for (int j = -size; j <= size; ++j) {
                const int at = std::clamp(i - j, 0, count - 1);  // the edge pixel repeats
                s += double(k.at(j)) * line[std::size_t(at) * step + std::size_t(c)];
            }
            sums[std::size_t(i) * 3 + std::size_t(c)] = s;
        }
    }
    for (int i = 0; i < count; ++i)
        for (int c = 0; c < 3; ++c)
            line[std::size_t(i) * step + std::size_t(c)] = truncateChannel(sums[std::size_t(i) * 3 + std::size_t(c)] + k.tolerance);
}

// The line as doubles, four lanes per pixel (blue, green, red, 0), with `size` copies of each
// edge pixel on both sides, so that position i - j is read without a bounds check.
struct PaddedLine {
    std::vector<double> v;
    double* load(const std::uint8_t* line, int count, std::size_t step, int size) {
        v.resize(std::size_t(count + 2 * size) * 4 + 4);
        double* base = v.data();
        // Aligned to 32 bytes for the vector loads.
        base += (4 - (reinterpret_cast<std::uintptr_t>(base) / sizeof(double)) % 4) % 4;
        for (int p = -size; p < count + size; ++p) {
            const std::uint8_t* px = line + std::size_t(std::clamp(p, 0, count - 1)) * step;
            double* out = base + std::size_t(p + size) * 4;
            out[0] = px[0], out[1] = px[1], out[2] = px[2], out[3] = 0.0;
        }
        return base;
    }
};

void blurLineSse2(const GaussKernel& k, const double* w, const double* padded, std::uint8_t* line,
                  int count, std::size_t step) {
    const int size = k.size;
    const __m128d tol = _mm_set1_pd(k.tolerance), lo = _mm_setzero_pd(), hi = _mm_set1_pd(255.0);
    for (int i = 0; i < count; ++i) {
        __m128d a = _mm_setzero_pd(), b = _mm_setzero_pd();
        const double* v = padded + std::size_t(i + 2 * size) * 4;  // position i - (-size)
        for (int j = 0; j <= 2 * size; ++j, v -= 4) {
            const __m128d wj = _mm_set1_pd(w[j]);
            a = _mm_add_pd(a, _mm_mul_pd(wj, _mm_load_pd(v)));
            b = _mm_add_pd(b, _mm_mul_pd(wj, _mm_load_pd(v + 2)));
        }
        a = _mm_min_pd(_mm_max_pd(_mm_add_pd(a, tol), lo), hi);
        b = _mm_min_pd(_mm_max_pd(_mm_add_pd(b, tol), lo), hi);
        const int bg = _mm_cvtsi128_si32(_mm_packs_epi32(_mm_cvttpd_epi32(a), _mm_setzero_si128()));
        std::uint8_t* px = line + std::size_t(i) * step;
        px[0] = std::uint8_t(bg & 0xFF);
        px[1] = std::uint8_t((bg >> 16) & 0xFF);
        px[2] = std::uint8_t(_mm_cvttsd_si32(b));
    }
}

__attribute__((target("avx2"))) void blurLineAvx2(const GaussKernel& k, const double* w,
                                                   const double* padded, std::uint8_t* line,
                                                   int count, std::size_t step) {
    const int size = k.size;
    const __m256d tol = _mm256_set1_pd(k.tolerance), lo = _mm256_setzero_pd(), hi = _mm256_set1_pd(255.0);
#define STORE_PIXEL(i, sum)                                                              \
    do {                                                                                 \
        const __m128i t = _mm256_cvttpd_epi32(_mm256_min_pd(_mm256_max_pd(_mm256_add_pd(sum, tol), lo), hi)); \
        std::uint8_t* px = line + std::size_t(i) * step;                                 \
        px[0] = std::uint8_t(_mm_cvtsi128_si32(t));                                      \
        px[1] = std::uint8_t(_mm_extract_epi32(t, 1));                                   \
        px[2] = std::uint8_t(_mm_extract_epi32(t, 2));                                   \
    } while (0)
    int i = 0;
    // Four pixels at a time share each weight; each keeps its own sum in the same order.
    for (; i + 4 <= count; i += 4) {
        __m256d a0 = _mm256_setzero_pd(), a1 = a0, a2 = a0, a3 = a0;
        const double* v = padded + std::size_t(i + 2 * size) * 4;
        for (int j = 0; j <= 2 * size; ++j, v -= 4) {
            const __m256d wj = _mm256_broadcast_sd(w + j);
            a0 = _mm256_add_pd(a0, _mm256_mul_pd(wj, _mm256_load_pd(v)));
            a1 = _mm256_add_pd(a1, _mm256_mul_pd(wj, _mm256_load_pd(v + 4)));
            a2 = _mm256_add_pd(a2, _mm256_mul_pd(wj, _mm256_load_pd(v + 8)));
            a3 = _mm256_add_pd(a3, _mm256_mul_pd(wj, _mm256_load_pd(v + 12)));
        }
        STORE_PIXEL(i, a0);
        STORE_PIXEL(i + 1, a1);
        STORE_PIXEL(i + 2, a2);
        STORE_PIXEL(i + 3, a3);
    }
    for (; i < count; ++i) {
        __m256d a = _mm256_setzero_pd();
        const double* v = padded + std::size_t(i + 2 * size) * 4;
        for (int j = 0; j <= 2 * size; ++j, v -= 4)
            a = _mm256_add_pd(a, _mm256_mul_pd(_mm256_broadcast_sd(w + j), _mm256_load_pd(v)));
        STORE_PIXEL(i, a);
    }
}
#undef STORE_PIXEL

// Bitmaps above this many pixels (a large plate zone, a whole photo) are blurred on all the
// cores: lines are independent of each other within a pass.
constexpr std::int64_t kThreadPixels = 60'000;

// Rows, then columns; a column is blurred in place through its stride, which reads the same
// values as copying it to a line buffer first. `makeLineFn` gives each thread its own line
// function (and so its own buffers).
template <class MakeLineFn>
void blurRowsThenColumns(Bitmap& bmp, MakeLineFn&& makeLineFn) {
    const int threads = std::int64_t(bmp.width()) * bmp.height() >= kThreadPixels ? 0 : 1;
    parallelFor(bmp.height(), threads, 16, [&](int y0, int y1) {
        auto blurLine = makeLineFn();
        for (int y = y0; y < y1; ++y) blurLine(bmp.scanLine(y), bmp.width(), std::size_t(3));
    });
    parallelFor(bmp.width(), threads, 16, [&](int x0, int x1) {
        auto blurLine = makeLineFn();
        for (int x = x0; x < x1; ++x) blurLine(bmp.scanLine(0) + x * 3, bmp.height(), bmp.stride());
    });
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

void GBlurPlain(Bitmap& bmp, double radius) {
    check24(bmp);
    if (bmp.empty()) return;
    const GaussKernel k = makeGaussKernel(radius);
    blurRowsThenColumns(bmp, [&] {
        return [&k, sums = std::vector<double>()](std::uint8_t* line, int count, std::size_t step) mutable {
            blurLinePlain(k, line, count, step, sums);
        };
    });
}

void GBlur(Bitmap& bmp, double radius, Simd simd) {
    check24(bmp);
    if (bmp.empty()) return;
    const GaussKernel k = makeGaussKernel(radius);
    // Weights in the order the sums take them, j = -size .. size, as doubles.
    std::vector<double> w;
    for (int j = -k.size; j <= k.size; ++j) w.push_back(k.at(j));
    const bool avx2 = resolveSimd(simd) == Simd::Avx2;
    blurRowsThenColumns(bmp, [&] {
        return [&k, &w, avx2, padded = PaddedLine()](std::uint8_t* line, int count, std::size_t step) mutable {
            const double* p = padded.load(line, count, step, k.size);
            if (avx2)
                blurLineAvx2(k, w.data(), p, line, count, step);
            else
                blurLineSse2(k, w.data(), p, line, count, step);
        };
    });
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
