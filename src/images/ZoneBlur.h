#pragma once
// Blurring the plate zone of a JPEG photo in one go: the photo is decoded, the zone's band
// blurred as the blurring window does it, and the result encoded again, the encoder starting on
// the first rows while the decoder is still working on the last ones.

#include "images/Jpeg.h"

#include <cstdint>
#include <vector>

namespace stanor::images {

struct ZoneBlurParams {
    int x = 0, y = 0, width = 0, height = 0;
    double radius = 5;
    int thickness = 30;
    bool leftToRight = true;
};

// Throws ImageError for an empty zone or one outside the picture (the picture's size is named).
// With the encoder's default options, the photo keeps its own coding outside the blocks that
// cover the zone (nothing is lost there); with a quality of its own the whole photo is encoded.
void blurZone(Bitmap& picture, const ZoneBlurParams& zone);
std::vector<std::uint8_t> blurZoneInJpeg(const std::uint8_t* jpeg, std::size_t size,
                                         const ZoneBlurParams& zone, const JpegWriteOptions& options);

}  // namespace stanor::images
