#include "TestImages.h"
#include "images/Resample.h"
#include "images/ResampleFast.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace stanor::images;
using namespace stanor::images::test;

namespace {

Bitmap plain(const Bitmap& source, int w, int h, const FilterEntry& f) {
    Bitmap src = source, dst(w, h);
    ResampleBitmap(src, dst, f.filter, f.support);
    return dst;
}

std::uint8_t px(const Bitmap& b, int x, int y, int c) { return b.scanLine(y)[x * 3 + c]; }

}  // namespace

TEST(ResampleFilters, TableOrderNamesAndSupports) {
    const char* names[] = {"Box", "Triangle", "Hermite", "Bell", "B-Spline", "Lanczos3", "Mitchell"};
    const float supports[] = {0.5f, 1.0f, 1.0f, 1.5f, 2.0f, 3.0f, 2.0f};
    for (int i = 0; i < 7; ++i) {
        EXPECT_STREQ(resampleFilters()[std::size_t(i)].name, names[i]);
        EXPECT_EQ(resampleFilters()[std::size_t(i)].support, supports[i]);
        EXPECT_EQ(findFilter(names[i]), &resampleFilters()[std::size_t(i)]);
        // Every filter is 0 beyond its support (Box includes +0.5 itself).
        EXPECT_EQ(resampleFilters()[std::size_t(i)].filter(supports[i] + 0.25f), 0.0f) << names[i];
        if (i > 0) {
            EXPECT_EQ(resampleFilters()[std::size_t(i)].filter(supports[i]), 0.0f) << names[i];
        }
        EXPECT_EQ(resampleFilters()[std::size_t(i)].filter(-supports[i] - 0.25f), 0.0f) << names[i];
    }
    EXPECT_EQ(findFilter("lanczos3"), nullptr);
}

TEST(ResampleFilters, ValuesAtKnownPoints) {
    struct Row {
        FilterFunction f;
        float x, want;
    } rows[] = {
        {BoxFilter, 0.5f, 1.0f},  {BoxFilter, -0.5f, 0.0f},     {TriangleFilter, 0.25f, 0.75f},
        {HermiteFilter, 0.5f, 0.5f}, {BellFilter, 0.0f, 0.75f}, {BellFilter, 1.0f, 0.125f},
        {SplineFilter, 0.0f, 2.0f / 3.0f}, {SplineFilter, 1.0f, 1.0f / 6.0f},
        {Lanczos3Filter, 0.0f, 1.0f}, {Lanczos3Filter, 1.0f, 0.0f},
        {MitchellFilter, 0.0f, 8.0f / 9.0f}, {MitchellFilter, 1.0f, 1.0f / 18.0f},
    };
    for (const Row& r : rows) EXPECT_NEAR(r.f(r.x), r.want, 1e-6f) << r.x;
    EXPECT_LT(Lanczos3Filter(1.5f), 0.0f);  // the negative lobe
}

TEST(ResampleContributions, BordersAreMirroredAndSmallSourcesHeldAtTheEdge) {
    // Enlarging 10 -> 19 with Bell: scale 2, so column 0 is centred on pixel 0 and the last on
    // pixel 9; the neighbour at -1 is pixel 1, the one at 10 is pixel 9.
    auto lists = computeContributions(10, 19, BellFilter, 1.5f);
    ASSERT_EQ(lists.size(), 19u);
    std::vector<std::pair<int, float>> first, last;
    for (auto& c : lists.front()) first.emplace_back(c.pixel, c.weight);
    for (auto& c : lists.back()) last.emplace_back(c.pixel, c.weight);
    EXPECT_EQ(first, (std::vector<std::pair<int, float>>{{1, 0.125f}, {0, 0.75f}, {1, 0.125f}}));
    EXPECT_EQ(last, (std::vector<std::pair<int, float>>{{8, 0.125f}, {9, 0.75f}, {9, 0.125f}}));

    // Sources narrower than the filter's reach: every index stays inside the line.
    for (int src = 1; src <= 4; ++src)
        for (const FilterEntry& f : resampleFilters())
            for (int dst : {1, 2, 3, 7, 25})
                for (const ContributorList& l : computeContributions(src, dst, f.filter, f.support))
                    for (const Contributor& c : l) {
                        ASSERT_GE(c.pixel, 0) << f.name << " " << src << "->" << dst;
                        ASSERT_LT(c.pixel, src) << f.name << " " << src << "->" << dst;
                        ASSERT_TRUE(std::isfinite(c.weight));
                    }
}

TEST(ResampleBitmap, BoxAtTheSameSizeReproducesTheSource) {
    const Bitmap src = randomBitmap(37, 23, 1);
    EXPECT_TRUE(plain(src, 37, 23, resampleFilters()[0]) == src);
}

TEST(ResampleBitmap, EmptySourceIsRefusedAndLeavesTheDestination) {
    Bitmap src(0, 5), dst = randomBitmap(4, 4, 2);
    const Bitmap before = dst;
    try {
        ResampleBitmap(src, dst, Lanczos3Filter, 3.0f);
        FAIL() << "no error";
    } catch (const ImageError& e) {
        EXPECT_STREQ(e.what(), "Source bitmap too small");
    }
    EXPECT_TRUE(dst == before);
    EXPECT_THROW(ResampleBitmapFast(src, dst, Lanczos3Filter, 3.0f), ImageError);
    EXPECT_TRUE(dst == before);
}

TEST(ResampleBitmap, SingleColumnOrRowTargetAveragesInsteadOfDividingZeroByZero) {
    // A 1-pixel target from a larger source: the ratio (1 - 1) / (w - 1) would be 0 and every
    // centre 0 / 0. The single pixel is centred on the source; Box then gives the mean.
    Bitmap src(4, 1);
    const std::uint8_t v[] = {10, 20, 30, 40};
    for (int x = 0; x < 4; ++x) src.scanLine(0)[x * 3] = src.scanLine(0)[x * 3 + 1] = src.scanLine(0)[x * 3 + 2] = v[x];
    Bitmap one = plain(src, 1, 1, resampleFilters()[0]);
    EXPECT_EQ(px(one, 0, 0, 0), 25);
    // And every filter gives a finite, in-range result for 1 x N and N x 1 targets.
    const Bitmap photo = photoLike(50, 40);
    for (const FilterEntry& f : resampleFilters()) {
        Bitmap col = plain(photo, 1, 40, f), row = plain(photo, 50, 1, f);
        EXPECT_NEAR(px(col, 0, 20, 1), px(photo, 0, 20, 1), 8) << f.name;  // green follows y only
        EXPECT_NEAR(px(row, 25, 0, 0), px(photo, 25, 0, 0), 8) << f.name;  // blue follows x only
    }
}

TEST(ResampleBitmap, HalvesRoundToEven) {
    // Box from 2 pixels to 1: the mean of the two, exactly half-way for odd sums.
    struct Row {
        std::uint8_t a, b, want;
    } rows[] = {{0, 1, 0}, {1, 2, 2}, {2, 3, 2}, {3, 4, 4}, {254, 255, 254}};
    for (const Row& r : rows) {
        Bitmap src(2, 1);
        src.scanLine(0)[0] = r.a;
        src.scanLine(0)[3] = r.b;
        EXPECT_EQ(px(plain(src, 1, 1, resampleFilters()[0]), 0, 0, 0), r.want) << int(r.a);
    }
}

TEST(ResampleBitmap, LanczosOvershootIsClampedNotWrapped) {
    // A hard black/white edge, enlarged: the ringing goes below 0 and above 255.
    Bitmap src(12, 1);
    for (int x = 6; x < 12; ++x) std::fill_n(src.scanLine(0) + x * 3, 3, std::uint8_t(255));
    const Bitmap dst = plain(src, 40, 1, lanczos3());
    const auto lists = computeContributions(12, 40, Lanczos3Filter, 3.0f);
    int below = 0, above = 0;
    for (int i = 0; i < 40; ++i) {
        float s = 0.0f;
        for (const Contributor& c : lists[std::size_t(i)]) s = s + c.weight * float(src.scanLine(0)[c.pixel * 3]);
        if (s < -0.5f) {
            ++below;
            EXPECT_EQ(px(dst, i, 0, 0), 0) << i;
        }
        if (s > 255.5f) {
            ++above;
            EXPECT_EQ(px(dst, i, 0, 0), 255) << i;
        }
    }
    EXPECT_GT(below, 0);
    EXPECT_GT(above, 0);
}

// The fast resampler must give exactly the reference's pixels: every filter, enlarging and
// shrinking, odd sizes, tiny sources, both vector units and thread counts.
TEST(ResampleFast, BitIdenticalToTheReference) {
    struct Size {
        int sw, sh, dw, dh;
    } sizes[] = {
        {97, 61, 23, 17}, {13, 9, 50, 31}, {40, 30, 41, 29}, {64, 48, 7, 100},
        {1, 1, 5, 3}, {2, 3, 9, 1}, {3, 2, 1, 7}, {250, 8, 33, 8}, {5, 5, 5, 5},
    };
    std::vector<Simd> units{Simd::Sse2};
    if (resolveSimd(Simd::Avx2) == Simd::Avx2) units.push_back(Simd::Avx2);
    std::uint32_t seed = 10;
    for (const Size& s : sizes) {
        const Bitmap src = randomBitmap(s.sw, s.sh, ++seed);
        for (const FilterEntry& f : resampleFilters()) {
            const Bitmap want = plain(src, s.dw, s.dh, f);
            for (Simd unit : units)
                for (int threads : {1, 2, 3}) {
                    Bitmap in = src, got(s.dw, s.dh);
                    ResampleBitmapFast(in, got, f.filter, f.support, unit, threads);
                    ASSERT_TRUE(got == want) << f.name << " " << s.sw << "x" << s.sh << " -> " << s.dw
                                             << "x" << s.dh << " simd " << int(unit) << " threads " << threads;
                }
        }
    }
}

TEST(ResampleFast, SeveralTargetsFromAStreamedSource) {
    // Taller than the ring of rows kept, odd height, and rows handed over in uneven batches.
    const Bitmap full = randomBitmap(300, 201, 77);
    const auto produce = [&](RowSink& sink) {
        for (int y = 0; y < 201; ++y) {
            std::copy_n(full.scanLine(y), full.stride(), sink.row(y));
            if (y % 7 == 6 || y == 200) sink.rowsDone(y + 1);
        }
    };
    const std::size_t ring = 300 * 3 * 64;  // 64 rows, so that the ring wraps
    for (int threads : {1, 2, 3}) {
        auto out = resampleStream(300, 201, {{64, 48}, {12, 9}}, lanczos3(), produce, Simd::Best, threads, ring);
        EXPECT_TRUE(out[0] == plain(full, 64, 48, lanczos3())) << threads;
        EXPECT_TRUE(out[1] == plain(full, 12, 9, lanczos3())) << threads;
    }
    // Rows asked for far ahead of the ones reported done are refused rather than waited for.
    EXPECT_THROW(resampleStream(300, 201, {{64, 48}}, lanczos3(),
                                [&](RowSink& sink) {
                                    for (int y = 0; y < 201; ++y) sink.row(y);
                                    sink.rowsDone(201);
                                },
                                Simd::Best, 2, ring),
                 ImageError);
    // A failure while producing stops the helpers and reaches the caller.
    for (int threads : {1, 2}) {
        EXPECT_THROW(resampleStream(300, 201, {{64, 48}}, lanczos3(),
                                    [&](RowSink& sink) {
                                        for (int y = 0; y < 150; ++y) {
                                            sink.row(y);
                                            sink.rowsDone(y + 1);
                                        }
                                        throw ImageError("coupé");
                                    },
                                    Simd::Best, threads, ring),
                     ImageError);
    }
}
