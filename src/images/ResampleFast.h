#pragma once
// The fast resampler: the same arithmetic as ResampleBitmap (each output value is the same
// single-precision sum, in the same order), with the contributions in flat arrays, the
// channels and neighbouring pixels in vector lanes, and the rows spread over the cores.

#include "images/Bitmap.h"
#include "images/Jpeg.h"
#include "images/Resample.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace stanor::images {

// Which vector unit the inner loops use. Best picks AVX2 when the processor has it.
enum class Simd { Sse2, Avx2, Best };
Simd resolveSimd(Simd wanted);

// The horizontal contributions of one source width to one destination width, grouped by four
// destination columns: for each group and contributor, four float offsets into a row-pair buffer
// and four weights. Short lists are padded with zero weights at their end, which leaves every
// sum unchanged.
struct HorizontalPlan {
    HorizontalPlan(const std::vector<ContributorList>& lists, int srcWidth);
    int srcWidth = 0;
    int dstWidth = 0;
    int taps = 0;
    int groups = 0;
    std::vector<std::int32_t> offset;
    std::vector<float> weight;
    // Groups whose four columns each read consecutive pixels (all but the mirrored borders):
    // their contributors are walked from `start` (a float offset per column) without the offset
    // table; padding taps then read past the row, into the buffer's zeroed tail.
    std::vector<char> consecutive;
    std::vector<std::int32_t> start;
};

// Two source rows as floats, pixel by pixel: 4 lanes of row 0 (blue, green, red, spare),
// then 4 lanes of row 1.
class RowPairBuffer {
public:
    // `tail` zeroed pixels follow the row, for padding taps that read past its end.
    explicit RowPairBuffer(int width, int tail = 0);
    void load(const std::uint8_t* row0, const std::uint8_t* row1, Simd simd);
    const float* data() const { return data_.get(); }

private:
    struct Free {
        void operator()(float* p) const;
    };
    int width_;
    std::unique_ptr<float[], Free> data_;
};

// Horizontal pass of two rows: plan.dstWidth pixels into out0 and out1.
void horizontalPair(const HorizontalPlan& plan, const RowPairBuffer& rows, std::uint8_t* out0,
                    std::uint8_t* out1, Simd simd);
// Vertical pass of one destination row from the rows of work named by the list.
void verticalRow(const ContributorList& list, const Bitmap& work, std::uint8_t* out, Simd simd);

struct Size {
    int width = 0;
    int height = 0;
};

// Resamples one source to several sizes, same pixels as ResampleBitmap for each target.
std::vector<Bitmap> resampleTo(const Bitmap& src, const std::vector<Size>& targets,
                               const FilterEntry& filter, Simd simd = Simd::Best, int threads = 0);

// The same for a source that arrives row by row: `produce` runs on the calling thread and
// writes the srcWidth x srcHeight source, top to bottom, into the sink it is given (typically
// decodeJpegRows). Only a small ring of rows is kept: the horizontal passes run on the other
// threads as rows arrive, and the producer helps when the ring is full. If produce throws, the
// work stops and the error propagates. The ring holds the whole source when it is small, else
// about ringBytes of rows (at least 64).
std::vector<Bitmap> resampleStream(int srcWidth, int srcHeight, const std::vector<Size>& targets,
                                   const FilterEntry& filter,
                                   const std::function<void(RowSink&)>& produce,
                                   Simd simd = Simd::Best, int threads = 0,
                                   std::size_t ringBytes = std::size_t(3) << 20);

// Same result as ResampleBitmap. threads 0 means one per core.
void ResampleBitmapFast(Bitmap& src, Bitmap& dst, FilterFunction filter, float support,
                        Simd simd = Simd::Best, int threads = 0);

}  // namespace stanor::images
