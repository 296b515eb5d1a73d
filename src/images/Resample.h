#pragma once
// Resampling of 24-bit bitmaps with a reconstruction filter, in two separable passes
// (horizontal into a work bitmap, then vertical), driven by contribution lists.

#include "images/Bitmap.h"

#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

namespace stanor::images {

using FilterFunction = float (*)(float);

struct FilterEntry {
    const char* name;
    FilterFunction filter;
    float support;
};

// The seven filters, in this order: Box, Triangle, Hermite, Bell, B-Spline, Lanczos3, Mitchell.
const std::array<FilterEntry, 7>& resampleFilters();
// The filter of that name (exact spelling), or nullptr.
const FilterEntry* findFilter(std::string_view name);
const FilterEntry& lanczos3();

float BoxFilter(float x);
float TriangleFilter(float x);
float HermiteFilter(float x);
float BellFilter(float x);
float SplineFilter(float x);
float Lanczos3Filter(float x);
float MitchellFilter(float x);

struct Contributor {
    std::int32_t pixel;
    float weight;
};
using ContributorList = std::vector<Contributor>;

// One list per destination index: the source indices (mirrored into 0..srcSize-1, then held at
// the nearest edge when the mirror still falls outside a small source) and their weights.
std::vector<ContributorList> computeContributions(int srcSize, int dstSize, FilterFunction filter,
                                                  float support);

// Rounds a channel sum to a byte: 255 above 255, 0 below 0, else the nearest integer (halves to
// even).
inline std::uint8_t clampChannel(float sum);

// Scales src to the size of dst with the filter; dst's pixels are overwritten. Throws
// ImageError("Source bitmap too small") for an empty source, dst untouched.
// This is the reference implementation, written for clarity; ResampleBitmapFast gives the same
// pixels faster.
void ResampleBitmap(Bitmap& src, Bitmap& dst, FilterFunction filter, float support);

}  // namespace stanor::images

#include <cmath>

namespace stanor::images {
inline std::uint8_t clampChannel(float sum) {
    if (sum > 255.0f) return 255;
    if (sum < 0.0f) return 0;
    return static_cast<std::uint8_t>(std::nearbyint(sum));
}
}  // namespace stanor::images
