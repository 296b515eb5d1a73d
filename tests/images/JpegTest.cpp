#include "TestImages.h"
#include "images/Jpeg.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace stanor::images;
using namespace stanor::images::test;

namespace {
double meanDifference(const Bitmap& a, const Bitmap& b) {
    double d = 0;
    for (std::size_t i = 0; i < a.byteCount(); ++i) d += std::abs(int(a.bits()[i]) - int(b.bits()[i]));
    return d / double(a.byteCount());
}

std::string errorOf(const std::vector<std::uint8_t>& bytes) {
    Bitmap out;
    try {
        decodeJpeg(bytes, out);
    } catch (const ImageError& e) {
        return e.what();
    }
    return "";
}

// Patches the frame header (SOF0 or SOF2) of a JPEG to claim another size.
void claimSize(std::vector<std::uint8_t>& jpeg, int w, int h) {
    for (std::size_t i = 0; i + 8 < jpeg.size(); ++i)
        if (jpeg[i] == 0xFF && (jpeg[i + 1] == 0xC0 || jpeg[i + 1] == 0xC2)) {
            jpeg[i + 5] = std::uint8_t(h >> 8), jpeg[i + 6] = std::uint8_t(h);
            jpeg[i + 7] = std::uint8_t(w >> 8), jpeg[i + 8] = std::uint8_t(w);
            return;
        }
    FAIL() << "no frame header";
}
}  // namespace

TEST(Jpeg, RoundTripKeepsSizeAndColoursAndQualityMatters) {
    const Bitmap src = photoLike(67, 45);
    Bitmap out;
    decodeJpeg(encodeJpeg(src, {95, false}), out);
    ASSERT_EQ(out.width(), 67);
    ASSERT_EQ(out.height(), 45);
    EXPECT_LT(meanDifference(src, out), 4.0);
    // Blue-green-red order survives: a pure red picture stays red.
    Bitmap red = uniform(16, 16, 0, 0, 255);
    decodeJpeg(encodeJpeg(red, {95, false}), out);
    EXPECT_GT(out.scanLine(8)[2], 240);
    EXPECT_LT(out.scanLine(8)[0], 15);

    EXPECT_GT(encodeJpeg(src, {95}).size(), encodeJpeg(src, {30}).size());
    EXPECT_EQ(encodeJpeg(src), encodeJpeg(src, {75}));  // the encoder's default quality
    EXPECT_THROW(encodeJpeg(src, {0}), ImageError);
    EXPECT_THROW(encodeJpeg(Bitmap(0, 0)), ImageError);
}

TEST(Jpeg, ProgressiveGivesTheSamePixelsAsBaseline) {
    const Bitmap src = randomBitmap(50, 34, 3);
    Bitmap base, prog;
    JpegWriteOptions o;
    decodeJpeg(encodeJpeg(src, o), base);
    o.progressive = true;
    const auto progressive = encodeJpeg(src, o);
    decodeJpeg(progressive, prog);
    EXPECT_TRUE(base == prog);
    EXPECT_NE(progressive, encodeJpeg(src));
}

TEST(Jpeg, MarkersSuchAsExifAreIgnored) {
    const Bitmap src = photoLike(40, 30);
    std::vector<std::uint8_t> plain = encodeJpeg(src), tagged = plain;
    // An APP1 "Exif" segment right after the start-of-image marker, as cameras write it.
    std::vector<std::uint8_t> app1{0xFF, 0xE1, 0x00, 0x10, 'E', 'x', 'i', 'f', 0, 0, 'M', 'M', 0, 42, 0, 0, 0, 8};
    tagged.insert(tagged.begin() + 2, app1.begin(), app1.end());
    Bitmap a, b;
    decodeJpeg(plain, a);
    decodeJpeg(tagged, b);
    EXPECT_TRUE(a == b);
}

TEST(Jpeg, DamagedOrForeignDataIsRefusedWithAClearError) {
    const std::vector<std::uint8_t> good = encodeJpeg(photoLike(64, 64));
    const std::vector<std::uint8_t> truncated(good.begin(), good.begin() + long(good.size() / 2));
    std::vector<std::uint8_t> prog = encodeJpeg(photoLike(64, 64), {75, true, true});
    prog.resize(prog.size() / 3);
    const std::string text = "ceci n'est pas une image";
    struct Row {
        const char* what;
        std::vector<std::uint8_t> bytes;
    } rows[] = {
        {"empty", {}},
        {"text", std::vector<std::uint8_t>(text.begin(), text.end())},
        {"truncated baseline", truncated},
        {"truncated progressive", prog},
        {"header only", std::vector<std::uint8_t>(good.begin(), good.begin() + 200)},
    };
    for (const Row& r : rows) {
        const std::string e = errorOf(r.bytes);
        EXPECT_EQ(e.rfind("Image JPEG illisible : ", 0), 0u) << r.what << ": " << e;
    }
    EXPECT_EQ(errorOf(good), "");
}

TEST(Jpeg, DecompressionBombIsRefusedBeforeAllocating) {
    std::vector<std::uint8_t> bomb = encodeJpeg(photoLike(16, 16));
    claimSize(bomb, 60000, 60000);
    EXPECT_NE(errorOf(bomb).find("Image trop grande : 60000 x 60000 pixels"), std::string::npos) << errorOf(bomb);
    int w = 0, h = 0;
    readJpegSize(bomb.data(), bomb.size(), w, h);
    EXPECT_EQ(w, 60000);
}

TEST(Ppm, RoundTripIsExactAndLyingHeadersAreRefused) {
    const Bitmap src = randomBitmap(9, 7, 4);
    EXPECT_TRUE(decodePpm(encodePpm(src)) == src);
    const std::vector<std::uint8_t> ppm = encodePpm(src);
    EXPECT_EQ(ppm[11], src.scanLine(0)[2]);  // stored red first: "P6\n9 7\n255\n" is 11 bytes

    auto bytes = [](const std::string& s) { return std::vector<std::uint8_t>(s.begin(), s.end()); };
    const char* bad[] = {
        "P6\n1000 1000\n255\n\x01\x02\x03",  // claims far more pixels than it holds
        "P6\n60000 60000\n255\n",            // a bomb
        "P6\n2 2\n65535\n",                  // 16-bit samples
        "P6\n2 2\n0\n",
        "P6\n2\n",
        "P3\n1 1\n255\n0 0 0",
        "P6\n0 5\n255\n",
        "P6\n99999999999 2\n255\n",
    };
    for (const char* b : bad) EXPECT_THROW(decodePpm(bytes(b)), ImageError) << b;
    // Comments in the header are allowed.
    const Bitmap one = decodePpm(bytes(std::string("P6\n# a comment\n1 1\n255\n") + "\x0A\x14\x1E"));
    EXPECT_EQ(one.scanLine(0)[0], 0x1E);
    EXPECT_EQ(one.scanLine(0)[2], 0x0A);
}

TEST(PictureFiles, ChosenByExtensionAndMissingFilesNamed) {
    ScratchDir dir;
    const Bitmap src = randomBitmap(8, 8, 5);
    writePicture(src, dir.file("a.PPM"));
    EXPECT_TRUE(readPicture(dir.file("a.PPM")) == src);
    writePicture(src, dir.file("a.jpg"));
    EXPECT_EQ(readPicture(dir.file("a.jpg")).width(), 8);
    try {
        readPicture(dir.file("missing.jpg"));
        FAIL();
    } catch (const ImageError& e) {
        EXPECT_NE(std::string(e.what()).find("missing.jpg"), std::string::npos);
    }
    EXPECT_THROW(readPicture(dir.path().string()), ImageError);  // a folder
    EXPECT_THROW(writePicture(src, dir.file("no/such/dir.jpg")), ImageError);
}
