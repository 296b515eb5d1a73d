#include "images/Jpeg.h"

#include "images/JpegCodec.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <algorithm>
#include <cstdlib>
#include <csetjmp>
#include <cstring>
#include <fstream>
#include <iterator>
#include <thread>

#include <fcntl.h>
#include <jpeglib.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace stanor::images {

using namespace codec;

void checkPictureSize(std::uint64_t w, std::uint64_t h) {
    if (w == 0 || h == 0) throw ImageError("Image vide (" + sizeText(w, h) + " pixels)");
    if (w * h > kMaxPixels)
        throw ImageError("Image trop grande : " + sizeText(w, h) + " pixels (au plus " +
                         std::to_string(kMaxPixels / 1'000'000) + " mégapixels)");
}

namespace {

// CMYK as written by most tools (inverted, Adobe style) to blue, green, red.
void cmykToBgr(const std::uint8_t* in, std::uint8_t* out, int width) {
    for (int x = 0; x < width; ++x, in += 4, out += 3) {
        const unsigned k = in[3];
        out[0] = std::uint8_t(in[2] * k / 255);
        out[1] = std::uint8_t(in[1] * k / 255);
        out[2] = std::uint8_t(in[0] * k / 255);
    }
}

bool readPixels(Decoder& d, RowSink& sink, std::uint8_t* cmykRow) {
    if (setjmp(d.err.jump)) return false;
    jpeg_start_decompress(&d.cinfo);
    // A photo in several scans has been read whole by now; one in a single scan shows missing
    // data as it is decoded.
    if (!imageDataComplete(d)) return false;
    const int height = int(d.cinfo.output_height), width = int(d.cinfo.output_width);
    constexpr int kBatch = 16;
    JSAMPROW rows[kBatch];
    int done = 0;
    while (done < height) {
        int want = height - done < kBatch ? height - done : kBatch;
        if (cmykRow) want = 1;
        for (int i = 0; i < want; ++i) rows[i] = cmykRow ? cmykRow : sink.row(done + i);
        int got = int(jpeg_read_scanlines(&d.cinfo, rows, JDIMENSION(want)));
        if (got <= 0) {
            std::strcpy(d.err.message, "données manquantes");
            return false;
        }
        if (cmykRow) cmykToBgr(cmykRow, sink.row(done), width);
        done += got;
        sink.rowsDone(done);
    }
    jpeg_finish_decompress(&d.cinfo);
    return true;
}

bool compress(Encoder& e, int width, int height, const RowSource& row, const JpegWriteOptions& options,
              const std::vector<JpegSegment>& segments) {
    if (setjmp(e.err.jump)) return false;
    jpeg_create_compress(&e.cinfo);
    e.toMemory();
    e.cinfo.image_width = JDIMENSION(width);
    e.cinfo.image_height = JDIMENSION(height);
    e.cinfo.input_components = 3;
    e.cinfo.in_color_space = JCS_EXT_BGR;
    jpeg_set_defaults(&e.cinfo);
    if (options.quality >= 0) jpeg_set_quality(&e.cinfo, options.quality, TRUE);
    if (!options.subsample) {
        e.cinfo.comp_info[0].h_samp_factor = 1;
        e.cinfo.comp_info[0].v_samp_factor = 1;
    }
    if (options.progressive) jpeg_simple_progression(&e.cinfo);
    // EXIF data must come first in the file, where a JFIF header would stand.
    for (const JpegSegment& s : segments)
        if (isExif(s)) e.cinfo.write_JFIF_header = FALSE;
    jpeg_start_compress(&e.cinfo, TRUE);
    for (const JpegSegment& s : segments)
        jpeg_write_marker(&e.cinfo, s.marker, s.data.data(), unsigned(s.data.size()));
    while (e.cinfo.next_scanline < e.cinfo.image_height) {
        JSAMPROW line = const_cast<JSAMPROW>(row(int(e.cinfo.next_scanline)));
        jpeg_write_scanlines(&e.cinfo, &line, 1);
    }
    jpeg_finish_compress(&e.cinfo);
    return true;
}

bool endsWithNoCase(const std::string& s, const char* suffix) {
    const std::size_t n = std::strlen(suffix);
    if (s.size() < n) return false;
    for (std::size_t i = 0; i < n; ++i)
        if (std::tolower(static_cast<unsigned char>(s[s.size() - n + i])) != suffix[i]) return false;
    return true;
}

}  // namespace

FileBytes::FileBytes(const std::string& path) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) throw ImageError("Impossible de lire le fichier " + path);
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        throw ImageError("Impossible de lire le fichier " + path);
    }
    size_ = std::size_t(st.st_size);
    if (size_ > 0) {
        void* p = mmap(nullptr, size_, PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd, 0);
        if (p == MAP_FAILED) {
            close(fd);
            throw ImageError("Impossible de lire le fichier " + path);
        }
        data_ = static_cast<const std::uint8_t*>(p);
    }
    close(fd);
}

FileBytes::~FileBytes() {
    if (data_) munmap(const_cast<std::uint8_t*>(data_), size_);
}

void readJpegSize(const std::uint8_t* data, std::size_t size, int& width, int& height) {
    Decoder d;
    if (!readHeader(d, data, size)) failJpeg(d.err.message);
    width = int(d.cinfo.image_width);
    height = int(d.cinfo.image_height);
}

void decodeJpegRows(const std::uint8_t* data, std::size_t size, RowSink& sink) {
    Decoder d;
    if (!readHeader(d, data, size)) failJpeg(d.err.message);
    checkPictureSize(d.cinfo.image_width, d.cinfo.image_height);
    const bool cmyk = d.cinfo.jpeg_color_space == JCS_CMYK || d.cinfo.jpeg_color_space == JCS_YCCK;
    d.cinfo.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGR;
    sink.begin(int(d.cinfo.image_width), int(d.cinfo.image_height));
    std::vector<std::uint8_t> cmykRow(cmyk ? std::size_t(d.cinfo.image_width) * 4 : 0);
    if (!readPixels(d, sink, cmyk ? cmykRow.data() : nullptr)) failJpeg(d.err.message);
}

void decodeJpeg(const std::uint8_t* data, std::size_t size, Bitmap& out, const RowsDecoded& progress) {
    struct ToBitmap : RowSink {
        Bitmap& out;
        const RowsDecoded& progress;
        ToBitmap(Bitmap& o, const RowsDecoded& p) : out(o), progress(p) {}
        void begin(int w, int h) override { out.resizeUninitialized(w, h); }
        std::uint8_t* row(int y) override { return out.scanLine(y); }
        void rowsDone(int rows) override {
            if (progress) progress(rows);
        }
    } sink(out, progress);
    // On failure the rows already decoded stay: other threads may still be reading them.
    decodeJpegRows(data, size, sink);
}

std::vector<std::uint8_t> encodeJpeg(const Bitmap& bmp, const JpegWriteOptions& options) {
    return encodeJpegRows(bmp.width(), bmp.height(), [&](int y) { return bmp.scanLine(y); }, options);
}

std::vector<std::uint8_t> encodeJpegRows(int width, int height, const RowSource& row,
                                         const JpegWriteOptions& options,
                                         const std::vector<JpegSegment>& segments) {
    if (width <= 0 || height <= 0) throw ImageError("Image vide : rien à enregistrer");
    if (options.quality != -1 && (options.quality < 1 || options.quality > 100))
        throw ImageError("Qualité JPEG invalide : " + std::to_string(options.quality) + " (1 à 100)");
    Encoder e;
    if (!compress(e, width, height, row, options, segments))
        failCompression(e.err.message);
    return std::move(e.bytes);
}

std::vector<std::uint8_t> readFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw ImageError("Impossible de lire le fichier " + path);
    std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) throw ImageError("Impossible de lire le fichier " + path);
    return bytes;
}

void writeFileBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    // An existing file is written over in place and then cut to the new length, rather than
    // emptied first: emptying gives its blocks back to the file system (which may discard them on
    // the disk) only to take new ones a moment later, which costs more than the writing itself
    // when the same photo is written again.
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) throw ImageError("Impossible d'écrire le fichier " + path);
    bool ok = true;
    const std::uint8_t* p = bytes.data();
    std::size_t left = bytes.size();
    while (ok && left > 0) {
        const ssize_t n = write(fd, p, left);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            ok = false;
            break;
        }
        p += n;
        left -= std::size_t(n);
    }
    struct stat st {};
    if (ok && fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size != off_t(bytes.size()))
        ok = ftruncate(fd, off_t(bytes.size())) == 0;
    ok = close(fd) == 0 && ok;
    if (!ok) throw ImageError("Impossible d'écrire le fichier " + path);
}

Bitmap readJpegFile(const std::string& path) {
    const FileBytes bytes(path);
    Bitmap bmp;
    try {
        decodeJpeg(bytes.data(), bytes.size(), bmp);
    } catch (const ImageError& e) {
        throw ImageError(path + " : " + e.what());
    }
    return bmp;
}

void writeJpegFile(const Bitmap& bmp, const std::string& path, const JpegWriteOptions& options) {
    writeFileBytes(path, encodeJpeg(bmp, options));
}

Bitmap decodePpm(const std::vector<std::uint8_t>& data) {
    std::size_t pos = 0;
    auto bad = [](const char* why) { return ImageError(std::string("Fichier PPM invalide : ") + why); };
    auto skipSpace = [&] {
        while (pos < data.size()) {
            if (data[pos] == '#') {
                while (pos < data.size() && data[pos] != '\n') ++pos;
            } else if (std::isspace(data[pos])) {
                ++pos;
            } else {
                break;
            }
        }
    };
    auto number = [&]() -> std::uint64_t {
        skipSpace();
        if (pos >= data.size() || !std::isdigit(data[pos])) throw bad("en-tête incomplet");
        std::uint64_t v = 0;
        while (pos < data.size() && std::isdigit(data[pos])) {
            v = v * 10 + std::uint64_t(data[pos++] - '0');
            if (v > 1'000'000'000) throw bad("nombre trop grand dans l'en-tête");
        }
        return v;
    };
    if (data.size() < 2 || data[0] != 'P' || data[1] != '6') throw bad("ce n'est pas un PPM binaire (P6)");
    pos = 2;
    const std::uint64_t w = number(), h = number(), maxval = number();
    if (maxval == 0 || maxval > 255) throw bad("valeur maximale non prise en charge (1 à 255)");
    if (pos >= data.size() || !std::isspace(data[pos])) throw bad("en-tête incomplet");
    ++pos;
    checkPictureSize(w, h);
    if (data.size() - pos < w * h * 3) throw bad("données tronquées");
    Bitmap bmp(static_cast<int>(w), static_cast<int>(h));
    const std::uint8_t* in = data.data() + pos;
    for (int y = 0; y < int(h); ++y) {
        std::uint8_t* out = bmp.scanLine(y);
        for (int x = 0; x < int(w); ++x, in += 3, out += 3) {
            for (int c = 0; c < 3; ++c)
                out[c] = std::uint8_t(maxval == 255 ? in[2 - c] : in[2 - c] * 255 / maxval);
        }
    }
    return bmp;
}

std::vector<std::uint8_t> encodePpm(const Bitmap& bmp) {
    const std::string header = "P6\n" + std::to_string(bmp.width()) + " " + std::to_string(bmp.height()) + "\n255\n";
    std::vector<std::uint8_t> out(header.begin(), header.end());
    out.reserve(out.size() + bmp.byteCount());
    for (int y = 0; y < bmp.height(); ++y) {
        const std::uint8_t* p = bmp.scanLine(y);
        for (int x = 0; x < bmp.width(); ++x, p += 3) {
            out.push_back(p[2]);
            out.push_back(p[1]);
            out.push_back(p[0]);
        }
    }
    return out;
}

Bitmap readPicture(const std::string& path) {
    if (!endsWithNoCase(path, ".ppm")) return readJpegFile(path);
    try {
        return decodePpm(readFileBytes(path));
    } catch (const ImageError& e) {
        throw ImageError(path + " : " + e.what());
    }
}

void writePicture(const Bitmap& bmp, const std::string& path, const JpegWriteOptions& options) {
    if (endsWithNoCase(path, ".ppm"))
        writeFileBytes(path, encodePpm(bmp));
    else
        writeJpegFile(bmp, path, options);
}

}  // namespace stanor::images
