#include "TestImages.h"
#include "images/GBlur.h"
#include "images/Jpeg.h"
#include "images/ZoneBlur.h"

#include <gtest/gtest.h>

#include <cmath>
#include <tuple>

using namespace stanor::images;
using namespace stanor::images::test;

namespace {
bool samePixel(const Bitmap& a, const Bitmap& b, int x, int y) {
    return std::equal(a.scanLine(y) + x * 3, a.scanLine(y) + x * 3 + 3, b.scanLine(y) + x * 3);
}
// A checkerboard: blurring changes every pixel of it.
Bitmap checker(int w, int h) {
    Bitmap b(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) std::fill_n(b.scanLine(y) + x * 3, 3, std::uint8_t((x + y) % 2 ? 255 : 0));
    return b;
}
}  // namespace

TEST(GaussKernel, SizeGrowsWithTheRadiusAndStaysWithinTheTable) {
    const GaussKernel k2 = makeGaussKernel(2), k10 = makeGaussKernel(10);
    EXPECT_GT(k2.size, 3);
    EXPECT_LT(k2.size, 10);
    EXPECT_GT(k10.size, 25);
    EXPECT_LT(k10.size, 40);
    EXPECT_LE(makeGaussKernel(100).size, 100);
    EXPECT_EQ(makeGaussKernel(0).size, makeGaussKernel(1).size);  // radius 0 means 1
    for (const GaussKernel* k : {&k2, &k10}) {
        double sum = 0.0;
        for (int j = -k->size; j <= k->size; ++j) {
            sum += k->at(j);
            EXPECT_EQ(k->at(j), k->at(-j));
        }
        EXPECT_NEAR(sum, 1.0, 1e-6);
        EXPECT_GT(k->at(0), k->at(1));
    }
}

TEST(GBlur, UniformAreasKeepTheirValueAtEveryRadius) {
    // Sums of 255 must give 255 although single-precision weights may add up to just below 1,
    // which they do for some radii.
    int shortRadii = 0;
    for (int r = 1; r <= 100; ++r) {
        const GaussKernel k = makeGaussKernel(r);
        double used = 0.0;
        for (int j = -k.size; j <= k.size; ++j) used += k.at(j);
        if (255.0 * used < 255.0) ++shortRadii;
        for (std::uint8_t v : {std::uint8_t(255), std::uint8_t(254), std::uint8_t(128), std::uint8_t(1)}) {
            Bitmap b = uniform(23, 11, v, v, v);
            const Bitmap before = b;
            GBlur(b, r);
            ASSERT_TRUE(b == before) << "radius " << r << " value " << int(v);
        }
    }
    EXPECT_GT(shortRadii, 0) << "no radius exercises the shortfall any more";
}

TEST(GBlur, RefusesOtherDepthsAndIgnoresEmptyBitmaps) {
    Bitmap b = checker(4, 4);
    b.setBitsPerPixel(32);
    try {
        GBlur(b, 5);
        FAIL();
    } catch (const ImageError& e) {
        EXPECT_STREQ(e.what(), "GBlur only works for 24-bit bitmaps");
    }
    Bitmap empty(0, 0);
    EXPECT_NO_THROW(GBlur(empty, 5));
    Bitmap src(0, 0), zone(0, 0);
    EXPECT_NO_THROW(BlurBand(src, zone, true, 30, 5));
}

TEST(GBlur, EdgePixelsRepeatAndTheBlurIsSymmetric) {
    // A single bright column in the middle spreads equally to both sides.
    Bitmap b(21, 3);
    for (int y = 0; y < 3; ++y) std::fill_n(b.scanLine(y) + 10 * 3, 3, std::uint8_t(255));
    GBlur(b, 2);
    for (int d = 1; d <= 10; ++d) EXPECT_EQ(b.scanLine(1)[(10 - d) * 3], b.scanLine(1)[(10 + d) * 3]) << d;
    EXPECT_LT(b.scanLine(1)[10 * 3], 255);
    EXPECT_GT(b.scanLine(1)[9 * 3], 0);
    // Rows are all equal: the column pass sees constant columns (edges repeated).
    EXPECT_TRUE(std::equal(b.scanLine(0), b.scanLine(0) + b.stride(), b.scanLine(2)));
}

TEST(BlurBand, FallingBandAndItsInversion) {
    const Bitmap src = checker(40, 20);
    struct Row {
        bool leftToRight;
        int x, y;
        bool blurred;
    } rows[] = {
        // Falling: the band runs from the top left to the bottom right.
        {true, 0, 0, true}, {true, 39, 19, true}, {true, 39, 0, false}, {true, 0, 19, false},
        {true, 20, 10, true},
        // Rising: from the bottom left to the top right.
        {false, 0, 19, true}, {false, 39, 0, true}, {false, 0, 0, false}, {false, 39, 19, false},
        {false, 20, 10, true},
    };
    for (const Row& r : rows) {
        Bitmap zone = src;
        BlurBand(src, zone, r.leftToRight, 5, 3);
        EXPECT_EQ(!samePixel(zone, src, r.x, r.y), r.blurred)
            << (r.leftToRight ? "falling " : "rising ") << r.x << "," << r.y;
    }
}

TEST(BlurBand, BandHasTheVerticalThicknessAndAThickerOneCoversTheZone) {
    const Bitmap src = checker(41, 40);
    Bitmap zone = src;
    BlurBand(src, zone, true, 10, 3);
    // Upper line from (0,0) to (40,29), lower from (0,10) to (40,39): column 0 keeps rows 0..10.
    for (int y = 0; y < 40; ++y) EXPECT_EQ(!samePixel(zone, src, 0, y), y <= 10) << y;

    // A thickness of 100 on a zone 40 pixels high is limited to 40: everything is blurred,
    // exactly as the plain blur of the whole zone.
    Bitmap all = src, whole = src;
    BlurBand(src, all, true, 100, 3);
    GBlur(whole, 3);
    EXPECT_TRUE(all == whole);
    BlurBand(src, all = src, false, 100, 3);
    EXPECT_TRUE(all == whole);
}

TEST(BlurBand, SizesMustMatch) {
    Bitmap a = checker(10, 10), b = checker(9, 10);
    EXPECT_THROW(BlurBand(a, b, true, 3, 2), ImageError);
}

TEST(GBlur, VectorPathsGiveTheReferencePixels) {
    std::vector<Simd> units{Simd::Sse2};
    if (resolveSimd(Simd::Avx2) == Simd::Avx2) units.push_back(Simd::Avx2);
    std::uint32_t seed = 40;
    for (auto [w, h] : {std::pair{31, 17}, std::pair{1, 9}, std::pair{7, 1}, std::pair{200, 60}, std::pair{3, 3},
                          std::pair{300, 210}})  // the last one large enough to be blurred on all the cores
        for (double r : {1.0, 2.0, 5.0, 7.5, 10.0, 40.0}) {
            const Bitmap src = randomBitmap(w, h, ++seed);
            Bitmap want = src;
            GBlurPlain(want, r);
            for (Simd unit : units) {
                Bitmap got = src;
                GBlur(got, r, unit);
                ASSERT_TRUE(got == want) << w << "x" << h << " radius " << r << " simd " << int(unit);
            }
        }
}

TEST(ZoneBlur, EncodingWhileDecodingGivesTheSameFileAsOneStepAfterTheOther) {
    const std::vector<std::uint8_t> jpeg = encodeJpeg(photoLike(640, 480), {85});
    for (ZoneBlurParams z : {ZoneBlurParams{220, 210, 200, 60, 5, 30, true}, ZoneBlurParams{0, 0, 640, 480, 2, 100, false},
                           ZoneBlurParams{639, 479, 1, 1, 5, 30, true}, ZoneBlurParams{0, 470, 50, 10, 10, 3, false}}) {
        Bitmap pic;
        decodeJpeg(jpeg, pic);
        blurZone(pic, z);
        EXPECT_EQ(blurZoneInJpeg(jpeg.data(), jpeg.size(), z, {85}), encodeJpeg(pic, {85})) << z.x << "," << z.y;
    }
    // Zones outside the picture or empty, and damaged data, fail cleanly.
    for (ZoneBlurParams z : {ZoneBlurParams{600, 0, 41, 10}, ZoneBlurParams{-1, 0, 10, 10}, ZoneBlurParams{0, 0, 0, 10}})
        EXPECT_THROW(blurZoneInJpeg(jpeg.data(), jpeg.size(), z, {}), ImageError);
    const std::vector<std::uint8_t> cut(jpeg.begin(), jpeg.begin() + long(jpeg.size() / 2));
    EXPECT_THROW(blurZoneInJpeg(cut.data(), cut.size(), {10, 400, 20, 20}, {}), ImageError);
}

TEST(ZoneBlur, WithoutAQualityAZoneAtTheOddEdgesIsCodedAgainToo) {
    // 333 x 250 is no whole number of 16 x 16 units: the last blocks are partial.
    const std::vector<std::uint8_t> jpeg = encodeJpeg(photoLike(333, 250), {85});
    Bitmap before, after;
    decodeJpeg(jpeg, before);
    const ZoneBlurParams z{300, 230, 33, 20, 3, 100, false};
    decodeJpeg(blurZoneInJpeg(jpeg.data(), jpeg.size(), z, {}), after);
    Bitmap want = before;
    blurZone(want, z);
    double diff = 0, moved = 0;
    for (int y = 230; y < 250; ++y)
        for (int x = 300; x < 333; ++x) {
            diff += std::abs(int(after.scanLine(y)[x * 3 + 2]) - int(want.scanLine(y)[x * 3 + 2]));
            moved += std::abs(int(after.scanLine(y)[x * 3 + 2]) - int(before.scanLine(y)[x * 3 + 2]));
        }
    EXPECT_LT(diff / (33 * 20), 4.0);
    EXPECT_GT(moved / (33 * 20), 10.0);  // the checker pattern is gone
    EXPECT_TRUE(after.copyRect(0, 0, 333, 200) == before.copyRect(0, 0, 333, 200));
}

TEST(ZoneBlur, WithoutAQualityOnlyTheBlocksOfTheZoneAreCodedAgain) {
    for (bool progressive : {false, true}) {
        JpegWriteOptions o{85};
        o.progressive = progressive;
        const std::vector<std::uint8_t> jpeg = encodeJpeg(photoLike(333, 250), o);
        Bitmap before;
        decodeJpeg(jpeg, before);
        const ZoneBlurParams z{101, 77, 90, 40, 5, 100, true};
        const std::vector<std::uint8_t> out = blurZoneInJpeg(jpeg.data(), jpeg.size(), z, {});
        Bitmap after, want = before;
        decodeJpeg(out, after);
        blurZone(want, z);
        ASSERT_EQ(after.width(), 333);
        // Outside the 16-pixel blocks around the zone (and their chroma neighbours) nothing moved.
        long inside = 0, outsideChanged = 0;
        double diff = 0;
        for (int y = 0; y < 250; ++y)
            for (int x = 0; x < 333; ++x)
                for (int c = 0; c < 3; ++c) {
                    const int a = after.scanLine(y)[x * 3 + c], b = before.scanLine(y)[x * 3 + c];
                    if (x >= z.x && x < z.x + z.width && y >= z.y && y < z.y + z.height) {
                        ++inside;
                        diff += std::abs(a - int(want.scanLine(y)[x * 3 + c]));
                    } else if (x < 96 - 2 || x >= 192 + 2 || y < 64 - 2 || y >= 128 + 2) {
                        outsideChanged += a != b;
                    }
                }
        EXPECT_EQ(outsideChanged, 0) << progressive;
        EXPECT_LT(diff / double(inside), 3.0) << progressive;  // the blur is there, as coded again
    }
}

TEST(ZoneBlur, TheAreaToCodeAgainHasThePixelsOfTheWholePhotoDecoded) {
    // The edit sees the blocks around the zone exactly as a decode of the whole photo gives them,
    // chroma upsampling at their borders included, in the middle of the photo and at its edges.
    for (bool subsample : {true, false})
        for (bool progressive : {false, true}) {
            JpegWriteOptions o{85};
            o.subsample = subsample;
            o.progressive = progressive;
            const std::vector<std::uint8_t> jpeg = encodeJpeg(photoLike(333, 250), o);
            Bitmap whole;
            decodeJpeg(jpeg, whole);
            for (JpegArea rect : {JpegArea{101, 77, 90, 40}, JpegArea{0, 0, 20, 20}, JpegArea{300, 230, 33, 20},
                                  JpegArea{0, 0, 333, 250}, JpegArea{5, 120, 1, 1}, JpegArea{0, 100, 333, 3}}) {
                int calls = 0;
                std::vector<std::uint8_t> out;
                const bool patched = patchJpegArea(jpeg.data(), jpeg.size(), rect, [&](Bitmap& area, const JpegArea& inside) {
                    ++calls;
                    const int x0 = rect.x - inside.x, y0 = rect.y - inside.y;
                    ASSERT_TRUE(x0 >= 0 && y0 >= 0 && x0 + area.width() <= 333 && y0 + area.height() <= 250);
                    EXPECT_TRUE(area == whole.copyRect(x0, y0, area.width(), area.height()))
                        << subsample << progressive << " " << rect.x << "," << rect.y;
                }, out);
                EXPECT_TRUE(patched);
                EXPECT_EQ(calls, 1);
            }
        }
}

TEST(ZoneBlur, OnALargePhotoTheTwoThreadsGiveTheAreaItsPixelsAndKeepTheRest) {
    // Above two megapixels the blocks are read and written on two threads.
    for (bool progressive : {false, true}) {
        JpegWriteOptions o{85};
        o.progressive = progressive;
        const std::vector<std::uint8_t> jpeg = encodeJpeg(photoLike(1800, 1200), o);
        Bitmap whole;
        decodeJpeg(jpeg, whole);
        for (JpegArea rect : {JpegArea{0, 0, 40, 20}, JpegArea{900, 600, 200, 60}, JpegArea{1700, 1150, 100, 50}}) {
            std::vector<std::uint8_t> out;
            ASSERT_TRUE(patchJpegArea(jpeg.data(), jpeg.size(), rect, [&](Bitmap& area, const JpegArea& inside) {
                const int x0 = rect.x - inside.x, y0 = rect.y - inside.y;
                EXPECT_TRUE(area == whole.copyRect(x0, y0, area.width(), area.height())) << progressive << " " << rect.x;
                for (int y = 0; y < inside.height; ++y)
                    std::fill_n(area.scanLine(inside.y + y) + inside.x * 3, inside.width * 3, std::uint8_t(255));
            }, out));
            Bitmap after;
            decodeJpeg(out, after);
            long changedOutside = 0;
            for (int y = 0; y < 1200; y += 3)
                for (int x = 0; x < 1800; x += 3) {
                    const bool nearArea = x >= rect.x - 34 && x < rect.x + rect.width + 34 && y >= rect.y - 34 && y < rect.y + rect.height + 34;
                    if (!nearArea) changedOutside += after.scanLine(y)[x * 3 + 1] != whole.scanLine(y)[x * 3 + 1];
                }
            EXPECT_EQ(changedOutside, 0) << progressive << " " << rect.x;
            EXPECT_GT(after.scanLine(rect.y + rect.height / 2)[(rect.x + rect.width / 2) * 3], 240) << progressive;
        }
    }
}

TEST(ZoneBlur, AnErrorOfTheEditOrOfThePhotoStopsBothThreadsAndIsTheOneTold) {
    for (auto [width, height, progressive] : {std::tuple{333, 250, false}, std::tuple{333, 250, true},
                                              std::tuple{1800, 1200, false}, std::tuple{1800, 1200, true}}) {
        JpegWriteOptions o{85};
        o.progressive = progressive;
        const std::vector<std::uint8_t> jpeg = encodeJpeg(photoLike(width, height), o);
        std::vector<std::uint8_t> out;
        for (JpegArea rect : {JpegArea{0, 0, 10, 10}, JpegArea{100, 100, 50, 20}, JpegArea{320, 240, 13, 10}}) {
            try {
                patchJpegArea(jpeg.data(), jpeg.size(), rect, [](Bitmap&, const JpegArea&) { throw ImageError("refus de la zone"); }, out);
                ADD_FAILURE() << "no error";
            } catch (const ImageError& e) {
                EXPECT_STREQ(e.what(), "refus de la zone") << progressive;
            }
        }
        // Data cut after the area: the area is done, the rest is missing.
        const std::vector<std::uint8_t> cut(jpeg.begin(), jpeg.begin() + long(jpeg.size() * 9 / 10));
        try {
            patchJpegArea(cut.data(), cut.size(), {0, 0, 10, 10}, [](Bitmap&, const JpegArea&) {}, out);
            ADD_FAILURE() << "no error";
        } catch (const ImageError& e) {
            EXPECT_EQ(std::string(e.what()).rfind("Image JPEG illisible : ", 0), 0u) << e.what();
        }
    }
}
