#include "TestImages.h"
#include "images/Jpeg.h"
#include "images/JpegSegments.h"
#include "images/Reduction.h"
#include "images/Resample.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

using namespace stanor::images;
using namespace stanor::images::test;

TEST(Reduction, MiniatureName) {
    struct Row {
        const char* in;
        const char* want;
    } rows[] = {
        {"V0001234-03.jpg", "V0001234-03m.jpg"},
        {"V0001234-03.JPG", "V0001234-03m.jpg"},
        {"V12345678-12.Jpg", "V12345678-12m.jpg"},
        {"a.jpg.jpg", "am.jpgm.jpg"},
        {"photo.jpeg", "photo.jpeg"},
        {"sans extension", "sans extension"},
    };
    for (const Row& r : rows) EXPECT_EQ(miniatureName(r.in), r.want) << r.in;
}

TEST(Reduction, SizesAndTheUntouchedPhotoOfTheRightSize) {
    Bitmap exact = randomBitmap(640, 480, 6);
    const Bitmap before = exact;
    ReducedPhoto r = reducePicture(exact);
    EXPECT_TRUE(r.photo == before);  // copied unchanged
    EXPECT_EQ(r.miniature.width(), 120);
    EXPECT_EQ(r.miniature.height(), 90);

    for (auto [w, h] : {std::pair{1024, 768}, std::pair{480, 640}, std::pair{7, 5}}) {
        Bitmap src = photoLike(w, h);
        ReducedPhoto s = reducePicture(src);
        EXPECT_EQ(s.photo.width(), 640);
        EXPECT_EQ(s.photo.height(), 480);
        EXPECT_EQ(s.miniature.width(), 120);
        EXPECT_EQ(s.miniature.height(), 90);
    }
}

TEST(Reduction, ResamplingWhileDecodingGivesTheReferencePixels) {
    // Both sizes come from the full source (not the miniature from the 640 x 480 picture).
    const std::vector<std::uint8_t> jpeg = encodeJpeg(photoLike(1001, 757), {90});
    Bitmap decoded;
    decodeJpeg(jpeg, decoded);
    Bitmap photo(640, 480), mini(120, 90), a = decoded, b = decoded;
    ResampleBitmap(a, photo, Lanczos3Filter, 3.0f);
    ResampleBitmap(b, mini, Lanczos3Filter, 3.0f);
    for (int threads : {1, 2}) {
        ReducedPhoto r = reduceJpegData(jpeg.data(), jpeg.size(), Simd::Best, threads);
        EXPECT_TRUE(r.photo == photo) << threads;
        EXPECT_TRUE(r.miniature == mini) << threads;
    }
    // A photo cut short fails cleanly, with the helpers stopped.
    const std::vector<std::uint8_t> cut(jpeg.begin(), jpeg.begin() + long(jpeg.size() * 2 / 3));
    EXPECT_THROW(reduceJpegData(cut.data(), cut.size()), ImageError);
}

TEST(Reduction, ADecompressionBombIsRefusedBeforeAnyBufferIsSized) {
    std::vector<std::uint8_t> bomb = encodeJpeg(photoLike(16, 16));
    for (std::size_t i = 0; i + 8 < bomb.size(); ++i)
        if (bomb[i] == 0xFF && bomb[i + 1] == 0xC0) {
            bomb[i + 5] = bomb[i + 7] = 0xEA;  // 60000 = 0xEA60
            bomb[i + 6] = bomb[i + 8] = 0x60;
            break;
        }
    try {
        reduceJpegData(bomb.data(), bomb.size());
        FAIL();
    } catch (const ImageError& e) {
        EXPECT_NE(std::string(e.what()).find("60000 x 60000"), std::string::npos) << e.what();
    }
}

TEST(Reduction, WritesBothFilesAndReportsProgress) {
    ScratchDir dir;
    writeJpegFile(photoLike(800, 600), dir.file("source.jpg"));
    std::vector<std::string> memo;
    ReductionOptions o;
    o.dir = dir.path().string();
    o.memo = [&](const std::string& line) { memo.push_back(line); };
    ReductionJPG(dir.file("source.jpg"), nullptr, "V0001234-03.JPG", o);
    EXPECT_EQ(readJpegFile(dir.file("V0001234-03.JPG")).width(), 640);
    EXPECT_EQ(readJpegFile(dir.file("V0001234-03m.jpg")).height(), 90);
    ASSERT_EQ(memo.size(), 2u);
    EXPECT_EQ(memo[0], "Réduction & Transferts de : " + dir.file("source.jpg") + " vers : V0001234-03.JPG");
    EXPECT_EQ(memo[1], "Lecture de : " + dir.file("source.jpg"));

    // The blurred picture of the window, given instead of a file.
    memo.clear();
    const Bitmap blurred = photoLike(640, 480);
    ReductionJPG("", &blurred, "V0000001-01.jpg", o);
    EXPECT_EQ(memo[1], "Lecture de : \"image floutée\"");
    EXPECT_TRUE(std::filesystem::exists(dir.file("V0000001-01m.jpg")));

    // A name the miniature would share, or one with a folder, is refused before any work.
    for (const char* bad : {"V0001234-03", "V0001234-03.jpeg", "../V0001234-03.jpg", "a/b.jpg"}) {
        memo.clear();
        EXPECT_THROW(ReductionJPG(dir.file("source.jpg"), nullptr, bad, o), ImageError) << bad;
        EXPECT_TRUE(memo.empty()) << bad;
    }
    // An unreadable source writes nothing.
    EXPECT_THROW(ReductionJPG(dir.file("absent.jpg"), nullptr, "X.jpg", o), ImageError);
    EXPECT_FALSE(std::filesystem::exists(dir.file("X.jpg")));
}

// A phone stores the photo as its sensor saw it and says in the EXIF data how it was held: the
// reduction stands it upright, as the preview and every viewer show it.
TEST(Reduction, APhotoIsStoodUprightAsTheCameraWasHeld) {
    // Stored 64 x 48: red top left, green top right, blue bottom left, white bottom right.
    const std::uint8_t red[3] = {0, 0, 255}, green[3] = {0, 255, 0}, blue[3] = {255, 0, 0}, white[3] = {255, 255, 255};
    Bitmap stored(64, 48);
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x)
            std::memcpy(stored.scanLine(y) + x * 3, y < 24 ? (x < 32 ? red : green) : (x < 32 ? blue : white), 3);
    const auto exif = [](int orientation) {
        // "Exif", an Intel-order TIFF header and one directory holding the orientation alone.
        std::vector<std::uint8_t> p = {'E', 'x', 'i', 'f', 0, 0, 'I', 'I', 42, 0, 8, 0, 0, 0, 1, 0,
                                       0x12, 0x01, 3, 0, 1, 0, 0, 0, std::uint8_t(orientation), 0, 0, 0, 0, 0, 0, 0};
        return std::vector<JpegSegment>{{0xE1, p}};
    };
    struct Row {
        int orientation;
        const char* corners;  // top left, top right, bottom left, bottom right as published
    } rows[] = {
        {0, "RGBW"},  // no EXIF data
        {1, "RGBW"}, {2, "GRWB"}, {3, "WBGR"}, {6, "BRWG"}, {8, "GWRB"},
    };
    for (const Row& r : rows) {
        const std::vector<std::uint8_t> jpeg = encodeJpegRows(
            64, 48, [&](int y) { return stored.scanLine(y); }, {.quality = 95}, r.orientation ? exif(r.orientation)
                                                                                            : std::vector<JpegSegment>{});
        const ReducedPhoto out = reduceJpegData(jpeg.data(), jpeg.size());
        ASSERT_EQ(out.photo.width(), 640);
        std::string corners;
        for (auto [x, y] : {std::pair{100, 80}, std::pair{540, 80}, std::pair{100, 400}, std::pair{540, 400}}) {
            const std::uint8_t* p = out.photo.scanLine(y) + x * 3;
            corners += p[0] > 128 ? (p[1] > 128 ? 'W' : 'B') : p[1] > 128 ? 'G' : 'R';
        }
        EXPECT_EQ(corners, r.corners) << "orientation " << r.orientation;
    }
}
