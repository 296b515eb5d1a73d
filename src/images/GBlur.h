#pragma once
// Gaussian blur of 24-bit bitmaps and the slanted band used to hide licence plates.

#include "images/Bitmap.h"
#include "images/ResampleFast.h"

#include <array>

namespace stanor::images {

// The blur kernel: weights for offsets -100..100, of which -size..size are used.
struct GaussKernel {
    int size = 0;
    std::array<float, 201> weights{};
    // Added to every sum before it is truncated, so that a uniform area keeps its value although
    // the single-precision weights may add up to slightly less than 1.
    double tolerance = 0.0;
    float at(int j) const { return weights[std::size_t(j + 100)]; }
};

GaussKernel makeGaussKernel(double radius);

// Blurs every row, then every column, in place. Throws "GBlur only works for 24-bit bitmaps".
// The channels of a pixel share one vector; each sum is the same as GBlurPlain's, term by term.
// Large bitmaps are blurred on all the cores.
void GBlur(Bitmap& bmp, double radius, Simd simd = Simd::Best);
// The reference implementation, one channel value at a time.
void GBlurPlain(Bitmap& bmp, double radius);

// Blurs bmp, then puts back from source (the unblurred copy, same size) every pixel outside
// the band of vertical thickness `thickness` along the zone's diagonal: falling from top left
// to bottom right when leftToRight, rising otherwise.
void BlurBand(const Bitmap& source, Bitmap& bmp, bool leftToRight, int thickness, double radius);

}  // namespace stanor::images
