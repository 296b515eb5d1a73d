// Photos as cameras, phones and web tools really leave them: read as a viewer reads them when their
// image data is whole, refused when image data is missing.
#include "TestImages.h"
#include "images/Jpeg.h"
#include "images/Reduction.h"
#include "images/ZoneBlur.h"

#include <gtest/gtest.h>

#include <cstdio>

using namespace stanor::images;
using namespace stanor::images::test;

namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr int kSos = 0xDA, kDqt = 0xDB, kEoi = 0xD9;

Bytes withoutEnd(Bytes j) {
    j.resize(j.size() - 2);
    return j;
}
Bytes cutAt(const Bytes& j, std::size_t at) { return Bytes(j.begin(), j.begin() + long(at)); }
Bytes insertAt(Bytes j, std::size_t at, const std::string& text) {
    j.insert(j.begin() + long(at), text.begin(), text.end());
    return j;
}

std::string readError(const Bytes& j) {
    try {
        Bitmap b;
        decodeJpeg(j, b);
    } catch (const ImageError& e) {
        return e.what();
    }
    return "";
}

}  // namespace

TEST(DamagedJpeg, WholeImageDataIsReadAsViewersReadItMissingImageDataIsRefused) {
    const Bitmap picture = photoLike(100, 70);
    JpegWriteOptions progressive;
    progressive.progressive = true;
    const Bytes base = encodeJpeg(picture), prog = encodeJpeg(picture, progressive), split = oneScanPerComponent(picture);
    ASSERT_EQ(jpegMarkers(split).size(), jpegMarkers(base).size() + 2);  // three scans
    const std::size_t scan4 = markerOffset(prog, kSos, 4), scan5 = markerOffset(prog, kSos, 5);
    Bytes newerJfif = base;
    newerJfif[11] = 3;  // JFIF revision 3.01, after "\xFF\xD8\xFF\xE0" + length + "JFIF\0"
    ASSERT_EQ(newerJfif[6], 'J');

    struct Row {
        const char* what;
        Bytes bytes;
        const Bytes* sameAs;  // the whole photo it must read as; null when it must be refused
    } rows[] = {
        {"baseline without its end marker", withoutEnd(base), &base},
        {"progressive without its end marker", withoutEnd(prog), &prog},
        {"one scan per component without its end marker", withoutEnd(split), &split},
        {"stray bytes between header markers", insertAt(base, markerOffset(base, kDqt), "\x01junk"), &base},
        {"stray bytes before the end marker", insertAt(base, markerOffset(base, kEoi), "junk"), &base},
        {"stray bytes between progressive scans", insertAt(prog, scan4, "junk\n"), &prog},
        {"stray bytes and no end marker", withoutEnd(insertAt(prog, scan5, "x")), &prog},
        {"an unknown JFIF revision", newerJfif, &base},
        {"baseline cut inside its image data", cutAt(base, base.size() * 2 / 3), nullptr},
        {"baseline cut a few bytes before its end", cutAt(base, base.size() - 6), nullptr},
        {"progressive cut between two scans", cutAt(prog, scan4), nullptr},
        {"progressive cut inside a scan", cutAt(prog, (scan4 + scan5) / 2), nullptr},
        {"one scan per component, the last one missing", cutAt(split, markerOffset(split, kSos, 2)), nullptr},
        {"a marker in the middle of the image data", insertAt(base, base.size() / 2 + 300, "\xFF\xD3"), nullptr},
    };
    const ZoneBlurParams zone{30, 20, 40, 30, 5, 100, true};
    for (const Row& r : rows) {
        if (r.sameAs) {
            Bitmap got, want;
            decodeJpeg(*r.sameAs, want);
            ASSERT_EQ(readError(r.bytes), "") << r.what;
            decodeJpeg(r.bytes, got);
            EXPECT_TRUE(got == want) << r.what;
            // The photo tools read it the same way: the blurred file is the one the whole photo gives.
            EXPECT_EQ(blurZoneInJpeg(r.bytes.data(), r.bytes.size(), zone, {}),
                      blurZoneInJpeg(r.sameAs->data(), r.sameAs->size(), zone, {})) << r.what;
            EXPECT_TRUE(reduceJpegData(r.bytes.data(), r.bytes.size()).photo ==
                        reduceJpegData(r.sameAs->data(), r.sameAs->size()).photo) << r.what;
        } else {
            const std::string e = readError(r.bytes);
            EXPECT_EQ(e.rfind("Image JPEG illisible : ", 0), 0u) << r.what << ": " << e;
            EXPECT_THROW(blurZoneInJpeg(r.bytes.data(), r.bytes.size(), zone, {}), ImageError) << r.what;
            EXPECT_THROW(blurZoneInJpeg(r.bytes.data(), r.bytes.size(), zone, {85}), ImageError) << r.what;
            EXPECT_THROW(reduceJpegData(r.bytes.data(), r.bytes.size()), ImageError) << r.what;
        }
    }
    EXPECT_NE(readError(cutAt(base, base.size() * 2 / 3)).find("incomplètes"), std::string::npos);
}
