#pragma once
// The libjpeg plumbing shared by the JPEG reading, writing and patching code: the error manager
// that turns libjpeg's failures into ImageError texts, and the decoder and encoder objects.
// Internal to the image library.

#include "images/Bitmap.h"

#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include <jpeglib.h>

namespace stanor::images::codec {

// libjpeg reports failures through callbacks that end the work with a longjmp back to the
// caller. Warnings do too, except the ones a usual viewer passes over without losing a pixel:
// stray bytes between two markers, an unknown JFIF revision, and data that ends without the
// final end marker (whether the image data itself is complete is then checked with
// imageDataComplete once all of it has been read).
struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
    bool endMarkerMissing = false;
    // Per component, the coefficients (bit k for coefficient k in zigzag order) that a scan sent
    // down to their last bit.
    std::uint64_t finished[MAX_COMPONENTS] = {};
};

void setupErrors(ErrorManager& err);

struct Decoder {
    jpeg_decompress_struct cinfo{};
    ErrorManager err{};
    Decoder();
    ~Decoder();
    Decoder(const Decoder&) = delete;
    Decoder& operator=(const Decoder&) = delete;
};

// libjpeg's output kept in a vector that the encoder owns, so that work ended half-way (by an
// error or a stop) leaves nothing to free twice and nothing behind.
struct VectorDestination {
    jpeg_destination_mgr pub;
    std::vector<std::uint8_t>* bytes;
    std::size_t expected;
};

struct Encoder {
    jpeg_compress_struct cinfo{};
    ErrorManager err{};
    std::vector<std::uint8_t> bytes;  // the JPEG data, complete once the compression finished
    VectorDestination destination{};
    Encoder();
    // Sends the output into `bytes` (after jpeg_create_compress), starting with room for
    // `expected` bytes.
    void toMemory(std::size_t expected = 64 * 1024);
    ~Encoder();
    Encoder(const Encoder&) = delete;
    Encoder& operator=(const Encoder&) = delete;
};

// The steps that may fail inside libjpeg return false with err.message set. No object with a
// destructor may live in the frame that calls setjmp, so that the longjmp skips nothing.

// Starts decoding from memory and reads the header; with keepSegments the application segments
// and comments are kept in cinfo.marker_list.
bool readHeader(Decoder& d, const std::uint8_t* data, std::size_t size, bool keepSegments = false);

// Once every scan has been read: false when the data ended before the image data was complete
// (a scan cut short, or scans missing after the last one), with err.message set.
bool imageDataComplete(Decoder& d);

// Ends libjpeg's work from inside one of its callbacks (a progress monitor, a memory method),
// as an error would: `text` becomes err.message and the caller's setjmp returns.
[[noreturn]] void stopWork(j_common_ptr cinfo, const char* text);

[[noreturn]] void failJpeg(const char* message);
[[noreturn]] void failCompression(const char* message);

std::string sizeText(std::uint64_t w, std::uint64_t h);

}  // namespace stanor::images::codec
