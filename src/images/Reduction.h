#pragma once
// The local part of the photo reduction: read a photo, bring it to 640 x 480 and to the
// 120 x 90 miniature with Lanczos3, write both JPEG files.

#include "images/Bitmap.h"
#include "images/Jpeg.h"
#include "images/ResampleFast.h"

#include <functional>
#include <string>

namespace stanor::images {

constexpr int kPhotoWidth = 640, kPhotoHeight = 480;
constexpr int kMiniWidth = 120, kMiniHeight = 90;

// The miniature's file name: every ".jpg" replaced by "m.jpg", ignoring case
// (V0001234-03.jpg and V0001234-03.JPG both give V0001234-03m.jpg).
std::string miniatureName(const std::string& targetName);

struct ReducedPhoto {
    Bitmap photo;      // 640 x 480
    Bitmap miniature;  // 120 x 90
};

// The two sizes from a picture already in memory (a 640 x 480 picture is kept unchanged).
ReducedPhoto reducePicture(Bitmap& picture, Simd simd = Simd::Best, int threads = 0);
// The same from JPEG data, resampling while the photo is being decoded.
ReducedPhoto reduceJpegData(const std::uint8_t* jpeg, std::size_t size, Simd simd = Simd::Best,
                            int threads = 0);

struct ReductionOptions {
    std::string dir;             // where both files are written
    JpegWriteOptions jpeg;       // the encoder's defaults unless set
    std::function<void(const std::string&)> memo;  // progress lines, when wanted
    int threads = 0;
};

// Reads `source` (a JPEG file; when empty, `picture` is used: the blurred photo), writes
// dir/targetName and dir/miniatureName(targetName). Errors raise ImageError; files already
// written stay.
void ReductionJPG(const std::string& source, const Bitmap* picture, const std::string& targetName,
                  const ReductionOptions& options);

}  // namespace stanor::images
