// What a blurred photo keeps of its EXIF data, colour profile and other segments.
#include "TestImages.h"
#include "images/Jpeg.h"
#include "images/JpegSegments.h"
#include "images/ZoneBlur.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace stanor::images;
using namespace stanor::images::test;

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes text(const std::string& s) { return Bytes(s.begin(), s.end()); }
// The bytes of a literal, zero bytes inside included.
template <std::size_t N>
Bytes lit(const char (&s)[N]) {
    return Bytes(s, s + N - 1);
}
Bytes operator+(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}
bool contains(const Bytes& haystack, const Bytes& needle) {
    return std::search(haystack.begin(), haystack.end(), needle.begin(), needle.end()) != haystack.end();
}

enum class Thumb { None, Jpeg, Strips };

// An EXIF payload as cameras write it: the maker's name in the first directory, a thumbnail
// described by the second, then (unless the thumbnail ends the payload) more data.
struct Exif {
    bool little = true;
    Thumb thumb = Thumb::Jpeg;
    bool thumbLast = true;
    Bytes thumbnail = text("<thumbnail: the plate still readable>");
    Bytes tiff;

    void put16(std::size_t at, std::uint32_t v) {
        if (tiff.size() < at + 2) tiff.resize(at + 2);
        tiff[at + (little ? 0 : 1)] = std::uint8_t(v), tiff[at + (little ? 1 : 0)] = std::uint8_t(v >> 8);
    }
    void put32(std::size_t at, std::uint32_t v) {
        if (tiff.size() < at + 4) tiff.resize(at + 4);
        for (int i = 0; i < 4; ++i) tiff[at + std::size_t(little ? i : 3 - i)] = std::uint8_t(v >> (8 * i));
    }
    void entry(std::size_t at, std::uint32_t tag, std::uint32_t type, std::uint32_t count, std::uint32_t value) {
        put16(at, tag), put16(at + 2, type), put32(at + 4, count);
        if (type == 3 && count <= 2) {
            put16(at + 8, value & 0xFFFF), put16(at + 10, value >> 16);
        } else {
            put32(at + 8, value);
        }
    }
    // Offsets: header 0, first directory 8 (one entry), second 26 (two entries), the maker's
    // name 56, the thumbnail 64.
    Bytes payload() {
        tiff.clear();
        tiff.push_back(little ? 'I' : 'M'), tiff.push_back(little ? 'I' : 'M');
        put16(2, 42), put32(4, 8);
        put16(8, 1);
        entry(10, 0x010F, 2, 8, 56);
        put32(22, thumb == Thumb::None ? 0 : 26);
        const std::uint32_t at = 64, length = std::uint32_t(thumbnail.size()), half = length / 2;
        put16(26, 2);
        if (thumb == Thumb::Strips) {
            entry(28, 0x0111, 3, 2, at | (at + half) << 16);
            entry(40, 0x0117, 3, 2, half | (length - half) << 16);
        } else {
            entry(28, 0x0201, 4, 1, at);
            entry(40, 0x0202, 4, 1, length);
        }
        put32(52, 0);
        tiff.resize(56);
        tiff = tiff + lit("Stanor\0\0") + thumbnail;
        if (!thumbLast) tiff = tiff + text("GPS-DATA");
        return lit("Exif\0\0") + tiff;
    }
};

std::uint32_t linkToSecondDirectory(const Bytes& payload, bool little) {
    const std::uint8_t* b = payload.data() + 6 + 22;
    return little ? std::uint32_t(b[0] | b[1] << 8 | b[2] << 16 | b[3] << 24)
                  : std::uint32_t(b[0] << 24 | b[1] << 16 | b[2] << 8 | b[3]);
}

// The photo with `segments` in place of its own header segments.
Bytes withSegments(const Bytes& jpeg, const std::vector<JpegSegment>& segments) {
    std::size_t at = 2;
    while (jpeg[at] == 0xFF && ((jpeg[at + 1] >= 0xE0 && jpeg[at + 1] <= 0xEF) || jpeg[at + 1] == 0xFE))
        at += 2 + std::size_t(jpeg[at + 2] << 8 | jpeg[at + 3]);
    Bytes out{0xFF, 0xD8};
    for (const JpegSegment& s : segments) {
        const std::size_t n = s.data.size() + 2;
        out = out + Bytes{0xFF, std::uint8_t(s.marker), std::uint8_t(n >> 8), std::uint8_t(n)} + s.data;
    }
    return out + Bytes(jpeg.begin() + long(at), jpeg.end());
}

}  // namespace

namespace stanor::images {
void PrintTo(const JpegSegment& s, std::ostream* os) {
    *os << std::hex << s.marker << std::dec << ":" << s.data.size() << " bytes \""
        << std::string(s.data.begin(), s.data.begin() + long(std::min<std::size_t>(12, s.data.size()))) << "\"";
}
}  // namespace stanor::images

TEST(ExifThumbnail, IsTakenOutAndEverythingElseStaysInPlace) {
    struct Row {
        const char* what;
        bool little;
        Thumb thumb;
        bool thumbLast;
    } rows[] = {
        {"Intel order, JPEG thumbnail at the end", true, Thumb::Jpeg, true},
        {"Motorola order, JPEG thumbnail followed by more data", false, Thumb::Jpeg, false},
        {"uncompressed thumbnail in two strips", true, Thumb::Strips, false},
        {"uncompressed thumbnail in two strips at the end", false, Thumb::Strips, true},
        {"no thumbnail", true, Thumb::None, true},
    };
    for (const Row& r : rows) {
        Exif exif;
        exif.little = r.little, exif.thumb = r.thumb, exif.thumbLast = r.thumbLast;
        const Bytes before = exif.payload();
        Bytes after = before;
        ASSERT_TRUE(removeExifThumbnail(after)) << r.what;
        EXPECT_EQ(linkToSecondDirectory(after, r.little), 0u) << r.what;
        EXPECT_TRUE(contains(after, lit("Stanor\0"))) << r.what;  // offsets still point at it
        EXPECT_EQ(std::equal(after.begin(), after.begin() + 6 + 22, before.begin()), true) << r.what;
        if (r.thumb == Thumb::None) {
            EXPECT_EQ(after, before) << r.what;
            continue;
        }
        EXPECT_FALSE(contains(after, text("plate still readable"))) << r.what;
        if (r.thumbLast) {
            EXPECT_EQ(after.size(), 6u + 64u) << r.what;  // cut off
        } else {
            EXPECT_EQ(after.size(), before.size()) << r.what;  // blanked in place
            EXPECT_TRUE(contains(after, text("GPS-DATA"))) << r.what;
        }
    }
}

TEST(ExifThumbnail, DataThatCannotBeFollowedSafelyIsLeftAsItIs) {
    Exif exif;
    const Bytes good = exif.payload();
    auto patched = [&](std::size_t at, std::initializer_list<std::uint8_t> bytes) {
        Bytes b = good;
        for (std::uint8_t v : bytes) b.at(at++) = v;
        return b;
    };
    struct Row {
        const char* what;
        Bytes payload;
    } rows[] = {
        {"no TIFF byte order", patched(6, {'X', 'X'})},
        {"not the TIFF magic number", patched(8, {43, 0})},
        {"first directory beyond the end", patched(10, {0xF0, 0xFF, 0, 0})},
        {"second directory beyond the end", patched(6 + 22, {0xF0, 0xFF, 0, 0})},
        {"thumbnail longer than the data", patched(6 + 40 + 8, {0xFF, 0xFF, 0, 0})},
        {"thumbnail over the first directory", patched(6 + 28 + 8, {10, 0, 0, 0})},
        {"thumbnail length without its offset", patched(6 + 28, {0x00, 0x01})},
        {"thumbnail entry of another type", patched(6 + 28 + 2, {2, 0})},
        {"too short for a TIFF header", Bytes(good.begin(), good.begin() + 10)},
    };
    for (const Row& r : rows) {
        Bytes b = r.payload;
        EXPECT_FALSE(removeExifThumbnail(b)) << r.what;
        EXPECT_EQ(b, r.payload) << r.what;
    }
}

TEST(BlurredPhotoSegments, ExifWithoutThumbnailColourProfileAndCommentsAreKept) {
    Exif exif;
    const JpegSegment exifSegment{kApp1, exif.payload()};
    JpegSegment exifWithout = exifSegment;
    ASSERT_TRUE(removeExifThumbnail(exifWithout.data));
    const JpegSegment icc1{kApp2, lit("ICC_PROFILE\0\x01\x02") + Bytes(3000, 0x42)};
    const JpegSegment icc2{kApp2, lit("ICC_PROFILE\0\x02\x02") + Bytes(500, 0x43)};
    const JpegSegment comment{kComment, text("Garage Martin, Clio grise")};
    const JpegSegment xmp{kApp1, lit("http://ns.adobe.com/xap/1.0/\0<x:xmpmeta/>")};
    const JpegSegment mpf{kApp2, lit("MPF\0MM\0\x2A")};
    const JpegSegment photoshop{0xED, lit("Photoshop 3.0\0" "8BIM\x04\x0C preview")};
    const JpegSegment maker{0xE3, text("Meta")};
    const std::vector<JpegSegment> camera{exifSegment, xmp, icc1, icc2, mpf, photoshop, maker, comment};
    const std::vector<JpegSegment> kept{exifWithout, icc1, icc2, comment};

    const Bytes photo = withSegments(encodeJpeg(photoLike(96, 64)), camera);
    ASSERT_EQ(readSegments(photo.data(), photo.size()), camera);
    const ZoneBlurParams zone{10, 10, 40, 20, 5, 100, true};
    const Bytes grey = withSegments(greyJpeg(96, 64), camera);
    Bytes brokenExif = exifSegment.data;
    brokenExif[6] = 'X';
    const Bytes broken = withSegments(encodeJpeg(photoLike(96, 64)), {{kApp1, brokenExif}, icc1, comment});
    const Bytes jfif = encodeJpeg(photoLike(96, 64));

    struct Row {
        const char* what;
        const Bytes& photo;
        int quality;
        std::vector<JpegSegment> want;
        int firstMarker;
    } rows[] = {
        {"only the zone's blocks coded again", photo, -1, kept, kApp1},
        {"the whole photo coded again", photo, 85, kept, kApp1},
        {"grey photo made colour: its grey profile goes", grey, -1, {exifWithout, comment}, kApp1},
        {"EXIF that cannot be read safely goes whole", broken, -1, {icc1, comment}, kApp2},
        {"a JFIF photo stays JFIF", jfif, -1, readSegments(jfif.data(), jfif.size()), 0xE0},
        {"a JFIF photo coded again stays JFIF", jfif, 85, readSegments(jfif.data(), jfif.size()), 0xE0},
    };
    for (const Row& r : rows) {
        JpegWriteOptions o;
        o.quality = r.quality;
        const Bytes out = blurZoneInJpeg(r.photo.data(), r.photo.size(), zone, o);
        EXPECT_EQ(readSegments(out.data(), out.size()), r.want) << r.what;
        EXPECT_EQ(out[3], r.firstMarker) << r.what;  // EXIF right after the start of the file
        EXPECT_FALSE(contains(out, text("plate still readable"))) << r.what;
        Bitmap b;
        EXPECT_NO_THROW(decodeJpeg(out, b)) << r.what;
    }
}
