#pragma once
// JPEG and binary PPM reading and writing for 24-bit bitmaps (libjpeg-turbo).

#include "images/Bitmap.h"
#include "images/JpegSegments.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace stanor::images {

// Pictures above this many pixels are refused before any pixel memory is allocated
// (a 12-megapixel photo is far below; a 60,000 x 60,000 decompression bomb far above).
constexpr std::uint64_t kMaxPixels = 100'000'000;

struct JpegWriteOptions {
    int quality = -1;         // 1..100; -1 keeps the encoder's default (75)
    bool subsample = true;    // 4:2:0 chroma, the encoder's default; false writes 4:4:4
    bool progressive = false;
};

// Called while decoding with the number of rows of the bitmap already filled.
using RowsDecoded = std::function<void(int rows)>;

// Where decoded rows go, for a caller that keeps only a few of them at a time.
class RowSink {
public:
    virtual ~RowSink() = default;
    virtual void begin(int /*width*/, int /*height*/) {}
    // The buffer for row y (3 bytes a pixel, readable 4 bytes past the row); may block until
    // the caller has room, or throw to abandon the decoding.
    virtual std::uint8_t* row(int y) = 0;
    // Rows 0 .. rows-1 are complete.
    virtual void rowsDone(int rows) = 0;
};

// A whole file, mapped read-only into memory. Failures raise ImageError naming the file.
class FileBytes {
public:
    explicit FileBytes(const std::string& path);
    ~FileBytes();
    FileBytes(const FileBytes&) = delete;
    FileBytes& operator=(const FileBytes&) = delete;
    const std::uint8_t* data() const { return data_; }
    std::size_t size() const { return size_; }

private:
    const std::uint8_t* data_ = nullptr;
    std::size_t size_ = 0;
};

// Refuses (ImageError) an empty picture or one above kMaxPixels.
void checkPictureSize(std::uint64_t width, std::uint64_t height);

// Reads width and height from a JPEG header only.
void readJpegSize(const std::uint8_t* data, std::size_t size, int& width, int& height);

// Decodes a baseline or progressive JPEG of any chroma subsampling (EXIF and other markers are
// ignored). Truncated, corrupt or oversized data raise ImageError with a French text; a photo
// whose image data is whole is read as viewers read it, also when the final end marker is
// missing or stray bytes lie between two markers.
// `out` is sized from the header; `progress` (optional) is told as rows arrive.
void decodeJpeg(const std::uint8_t* data, std::size_t size, Bitmap& out,
                const RowsDecoded& progress = {});
inline void decodeJpeg(const std::vector<std::uint8_t>& data, Bitmap& out,
                       const RowsDecoded& progress = {}) {
    decodeJpeg(data.data(), data.size(), out, progress);
}
// The same, row by row into a sink.
void decodeJpegRows(const std::uint8_t* data, std::size_t size, RowSink& sink);
std::vector<std::uint8_t> encodeJpeg(const Bitmap& bmp, const JpegWriteOptions& options = {});
// Encodes a width x height picture whose rows are handed out, top to bottom, by row(y); row may
// block until the row is ready, or throw to abandon the work.
// `segments` are written after the header as they stand.
using RowSource = std::function<const std::uint8_t*(int y)>;
std::vector<std::uint8_t> encodeJpegRows(int width, int height, const RowSource& row,
                                         const JpegWriteOptions& options = {},
                                         const std::vector<JpegSegment>& segments = {});

// Replaces the pixels of the rectangle (x, y, w, h) of a JPEG photo by what `edit` makes of
// them, re-encoding only the blocks that cover the rectangle with the photo's own quantisation;
// every other block keeps its coded data, so the rest of the photo loses nothing. `edit` gets
// the decoded pixels of the block-aligned area around the rectangle and the rectangle's position
// inside it. Returns false, touching nothing, for a photo that is not three-component YCbCr
// (the caller then re-encodes the whole picture).
struct JpegArea {
    int x, y, width, height;
};
using AreaEdit = std::function<void(Bitmap& area, const JpegArea& inside)>;
bool patchJpegArea(const std::uint8_t* data, std::size_t size, const JpegArea& rect,
                   const AreaEdit& edit, std::vector<std::uint8_t>& out);

Bitmap readJpegFile(const std::string& path);
void writeJpegFile(const Bitmap& bmp, const std::string& path, const JpegWriteOptions& options = {});

// Binary PPM (P6, maxval 255 or less), for lossless checks.
Bitmap decodePpm(const std::vector<std::uint8_t>& data);
std::vector<std::uint8_t> encodePpm(const Bitmap& bmp);

// Whole-file helpers; failures raise ImageError naming the file.
std::vector<std::uint8_t> readFileBytes(const std::string& path);
void writeFileBytes(const std::string& path, const std::vector<std::uint8_t>& bytes);

// Reads or writes a JPEG or PPM picture, chosen by the extension (.ppm, else JPEG).
Bitmap readPicture(const std::string& path);
void writePicture(const Bitmap& bmp, const std::string& path, const JpegWriteOptions& options = {});

}  // namespace stanor::images
