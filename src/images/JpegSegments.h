#pragma once
// The application segments and comments of a JPEG photo (EXIF, ICC colour profile, XMP, ...),
// and the ones a retouched photo keeps.

#include <cstdint>
#include <string>
#include <vector>

namespace stanor::images {

struct JpegSegment {
    int marker = 0;                   // 0xE0 + n for APPn, 0xFE for a comment
    std::vector<std::uint8_t> data;   // the payload, without marker and length
    bool operator==(const JpegSegment& o) const { return marker == o.marker && data == o.data; }
};

constexpr int kApp1 = 0xE1, kApp2 = 0xE2, kComment = 0xFE;

// Every APPn segment and comment of the photo's header, in file order; `components` (when given)
// receives the number of colour components (1 grey, 3 colour, 4 CMYK). Raises ImageError for
// data that is not a readable JPEG header.
std::vector<JpegSegment> readSegments(const std::uint8_t* data, std::size_t size, int* components = nullptr);

bool isExif(const JpegSegment& s);
bool isIccProfile(const JpegSegment& s);

// The segments a photo keeps when its pixels are retouched (the plate blurred): the EXIF data
// without its thumbnail (a small copy of the photo as it was, plate readable), the ICC colour
// profile when the colours stay in the same model (`sameColours`), and the comments. Everything
// else is left out: XMP (which may describe or embed other pictures), the index of further
// pictures stored after the photo (MPF), Photoshop resources (which hold a preview), makers'
// own segments. EXIF data that cannot be read safely is left out whole.
std::vector<JpegSegment> keptSegments(const std::vector<JpegSegment>& all, bool sameColours);

// The orientation the camera recorded in the EXIF data (tag 0x0112 of the first directory):
// 1 upright, 2 mirrored, 3 upside down, 4 mirrored upside down, 5 to 8 turned a quarter (6: to
// be turned a quarter clockwise to stand upright, 8: counter-clockwise, 5 and 7 mirrored too).
// 1 when the photo carries none, or one that cannot be read safely.
int exifOrientation(const std::vector<JpegSegment>& segments);

// Takes the thumbnail out of an EXIF payload ("Exif\0\0" and a TIFF structure): the link to the
// thumbnail's directory is cut and the thumbnail's bytes blanked, or cut off when they end the
// payload. Every other byte stays where it is, so the offsets inside stay valid. False, the
// payload unchanged, when the structure cannot be followed safely.
bool removeExifThumbnail(std::vector<std::uint8_t>& payload);

}  // namespace stanor::images
