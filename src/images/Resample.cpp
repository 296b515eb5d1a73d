#include "images/Resample.h"

#include <algorithm>
#include <cmath>

namespace stanor::images {

namespace {
constexpr float kPi = 3.14159265358979323846f;

float sinc(float x) {
    if (x == 0.0f) return 1.0f;
    x *= kPi;
    return std::sin(x) / x;
}

// Mirrors an index into 0..size-1: the pixel at -1 is the pixel at 1, the one at size is the
// one at size-1. A source narrower than the filter's reach can still mirror outside the line;
// such indices are held at the nearest edge.
std::int32_t mirror(int j, int size) {
    int m = j;
    if (j < 0)
        m = -j;
    else if (j >= size)
        m = 2 * size - 1 - j;
    return std::clamp(m, 0, size - 1);
}
}  // namespace

float BoxFilter(float x) { return (x > -0.5f && x <= 0.5f) ? 1.0f : 0.0f; }

float TriangleFilter(float x) {
    float t = std::fabs(x);
    return t < 1.0f ? 1.0f - t : 0.0f;
}

float HermiteFilter(float x) {
    float t = std::fabs(x);
    return t < 1.0f ? (2.0f * t - 3.0f) * t * t + 1.0f : 0.0f;
}

float BellFilter(float x) {
    float t = std::fabs(x);
    if (t < 0.5f) return 0.75f - t * t;
    if (t < 1.5f) {
        t = t - 1.5f;
        return 0.5f * t * t;
    }
    return 0.0f;
}

float SplineFilter(float x) {
    float t = std::fabs(x);
    if (t < 1.0f) {
        float tt = t * t;
        return 0.5f * tt * t - tt + 2.0f / 3.0f;
    }
    if (t < 2.0f) {
        t = 2.0f - t;
        return t * t * t / 6.0f;
    }
    return 0.0f;
}

float Lanczos3Filter(float x) {
    float t = std::fabs(x);
    return t < 3.0f ? sinc(t) * sinc(t / 3.0f) : 0.0f;
}

// The cubic with B = C = 1/3.
float MitchellFilter(float x) {
    float t = std::fabs(x);
    float tt = t * t;
    if (t < 1.0f) return (7.0f * tt * t - 12.0f * tt + 16.0f / 3.0f) / 6.0f;
    if (t < 2.0f) return (-(7.0f / 3.0f) * tt * t + 12.0f * tt - 20.0f * t + 32.0f / 3.0f) / 6.0f;
    return 0.0f;
}

const std::array<FilterEntry, 7>& resampleFilters() {
    static const std::array<FilterEntry, 7> table{{
        {"Box", BoxFilter, 0.5f},
        {"Triangle", TriangleFilter, 1.0f},
        {"Hermite", HermiteFilter, 1.0f},
        {"Bell", BellFilter, 1.5f},
        {"B-Spline", SplineFilter, 2.0f},
        {"Lanczos3", Lanczos3Filter, 3.0f},
        {"Mitchell", MitchellFilter, 2.0f},
    }};
    return table;
}

const FilterEntry* findFilter(std::string_view name) {
    for (const FilterEntry& e : resampleFilters())
        if (name == e.name) return &e;
    return nullptr;
}

const FilterEntry& lanczos3() { return resampleFilters()[5]; }

std::vector<ContributorList> computeContributions(int srcSize, int dstSize, FilterFunction filter,
                                                  float support) {
    // Corners map to corners: scale (dst - 1) / (src - 1). A single source pixel, or a single
    // destination pixel (where that ratio is 0 / 0), uses dst / src instead; the single
    // destination pixel is then centred on the source.
    const bool single = dstSize == 1 && srcSize > 1;
    float scale;
    if (srcSize == 1 || single)
        scale = float(dstSize) / float(srcSize);
    else
        scale = float(dstSize - 1) / float(srcSize - 1);

    std::vector<ContributorList> lists(std::size_t(std::max(dstSize, 0)));
    if (scale >= 1.0f) {
        const auto capacity = std::size_t(std::trunc(2.0f * support + 1.0f));
        for (int i = 0; i < dstSize; ++i) {
            ContributorList& list = lists[std::size_t(i)];
            list.reserve(capacity);
            float center = float(i) / scale;
            int left = int(std::floor(center - support));
            int right = int(std::ceil(center + support));
            for (int j = left; j <= right; ++j) {
                float weight = filter(center - float(j));
                if (weight == 0.0f) continue;
                list.push_back({mirror(j, srcSize), weight});
            }
        }
    } else {
        const float width = support / scale;
        const float fscale = 1.0f / scale;
        const auto capacity = std::size_t(std::trunc(2.0f * width + 1.0f));
        for (int i = 0; i < dstSize; ++i) {
            ContributorList& list = lists[std::size_t(i)];
            list.reserve(capacity);
            float center = single ? float(srcSize - 1) / 2.0f : float(i) / scale;
            int left = int(std::floor(center - width));
            int right = int(std::ceil(center + width));
            for (int j = left; j <= right; ++j) {
                float weight = filter((center - float(j)) / fscale) / fscale;
                if (weight == 0.0f) continue;
                list.push_back({mirror(j, srcSize), weight});
            }
        }
    }
    return lists;
}

void ResampleBitmap(Bitmap& src, Bitmap& dst, FilterFunction filter, float support) {
    const int sw = src.width(), sh = src.height();
    const int dw = dst.width(), dh = dst.height();
    if (sw < 1 || sh < 1) throw ImageError("Source bitmap too small");
    src.setBitsPerPixel(24);
    dst.setBitsPerPixel(24);

    // The work bitmap holds the horizontally scaled rows; it is released on every path.
    Bitmap work(dw, sh);

    {
        const std::vector<ContributorList> contrib = computeContributions(sw, dw, filter, support);
        for (int y = 0; y < sh; ++y) {
            const std::uint8_t* in = src.scanLine(y);
            std::uint8_t* out = work.scanLine(y);
            for (int i = 0; i < dw; ++i) {
                float b = 0.0f, g = 0.0f, r = 0.0f;
                for (const Contributor& c : contrib[std::size_t(i)]) {
                    const std::uint8_t* p = in + std::size_t(c.pixel) * 3;
                    b = b + c.weight * float(p[0]);
                    g = g + c.weight * float(p[1]);
                    r = r + c.weight * float(p[2]);
                }
                out[i * 3 + 0] = clampChannel(b);
                out[i * 3 + 1] = clampChannel(g);
                out[i * 3 + 2] = clampChannel(r);
            }
        }
    }

    const std::vector<ContributorList> contrib = computeContributions(sh, dh, filter, support);
    for (int x = 0; x < dw; ++x) {
        for (int i = 0; i < dh; ++i) {
            float b = 0.0f, g = 0.0f, r = 0.0f;
            for (const Contributor& c : contrib[std::size_t(i)]) {
                const std::uint8_t* p = work.scanLine(c.pixel) + std::size_t(x) * 3;
                b = b + c.weight * float(p[0]);
                g = g + c.weight * float(p[1]);
                r = r + c.weight * float(p[2]);
            }
            std::uint8_t* out = dst.scanLine(i) + std::size_t(x) * 3;
            out[0] = clampChannel(b);
            out[1] = clampChannel(g);
            out[2] = clampChannel(r);
        }
    }
}

}  // namespace stanor::images
