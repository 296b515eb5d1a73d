#include "images/ZoneBlur.h"

#include "images/GBlur.h"
#include "images/Parallel.h"

#include <atomic>
#include <exception>
#include <thread>

namespace stanor::images {

namespace {
void checkZone(const ZoneBlurParams& z, int width, int height) {
    if (z.width < 1 || z.height < 1) throw ImageError("Zone vide");
    if (z.x < 0 || z.y < 0 || std::int64_t(z.x) + z.width > width || std::int64_t(z.y) + z.height > height)
        throw ImageError("Zone en dehors de l'image (" + std::to_string(width) + " x " +
                         std::to_string(height) + ")");
}
}  // namespace

void blurZone(Bitmap& picture, const ZoneBlurParams& z) {
    checkZone(z, picture.width(), picture.height());
    const Bitmap source = picture.copyRect(z.x, z.y, z.width, z.height);
    Bitmap zone = source;
    BlurBand(source, zone, z.leftToRight, z.thickness, z.radius);
    picture.paste(zone, z.x, z.y);
}

std::vector<std::uint8_t> blurZoneInJpeg(const std::uint8_t* jpeg, std::size_t size,
                                         const ZoneBlurParams& z, const JpegWriteOptions& options) {
    int width = 0, height = 0;
    readJpegSize(jpeg, size, width, height);
    checkPictureSize(std::uint64_t(width), std::uint64_t(height));
    checkZone(z, width, height);

    // Without a quality of its own, only the blocks around the zone are coded again.
    if (options.quality == -1 && options.subsample && !options.progressive) {
        std::vector<std::uint8_t> out;
        const auto blurInside = [&](Bitmap& area, const JpegArea& inside) {
            ZoneBlurParams local = z;
            local.x = inside.x, local.y = inside.y;
            blurZone(area, local);
        };
        if (patchJpegArea(jpeg, size, {z.x, z.y, z.width, z.height}, blurInside, out)) return out;
    }

    // The whole photo is coded again: it keeps the same segments as a patched one, its colour
    // profile only while it stays in colour.
    int components = 0;
    const std::vector<JpegSegment> all = readSegments(jpeg, size, &components);
    const std::vector<JpegSegment> segments = keptSegments(all, components == 3);

    Bitmap picture;
    RowGate available;
    int ready = 0;  // rows the encoder knows to be decoded (its own thread only)
    auto waitRows = [&](int rows) {
        if (ready >= rows) return;
        // Wait for a batch at once rather than row by row.
        const int want = std::min(height, std::max(rows, ready + 32));
        if (available.waitFor(want))
            ready = want;
        else if (available.waitFor(rows))
            ready = rows;
        else
            throw ImageError("Décodage interrompu");
    };

    // The encoder runs on a second thread; the zone is blurred there once its rows are decoded.
    std::vector<std::uint8_t> out;
    std::exception_ptr encodeError;
    std::thread encoder([&] {
        try {
            out = encodeJpegRows(width, height, [&](int y) {
                if (y == z.y) {
                    waitRows(z.y + z.height);
                    blurZone(picture, z);
                }
                waitRows(y + 1);
                return picture.scanLine(y);
            }, options, segments);
        } catch (...) {
            encodeError = std::current_exception();
        }
    });
    try {
        decodeJpeg(jpeg, size, picture, [&](int rows) { available.publish(rows); });
    } catch (...) {
        available.abort();
        encoder.join();
        throw;
    }
    encoder.join();
    if (encodeError) std::rethrow_exception(encodeError);
    return out;
}

}  // namespace stanor::images
