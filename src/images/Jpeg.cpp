#include "images/Jpeg.h"

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

namespace {

// libjpeg reports failures through these callbacks; both end the work with a longjmp back to
// the caller, warnings (such as a premature end of data) included, so that a damaged file is
// never taken for a good one.
struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

void onError(j_common_ptr cinfo) {
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, err->message);
    std::longjmp(err->jump, 1);
}

void onMessage(j_common_ptr cinfo, int level) {
    if (level < 0) onError(cinfo);
}

void setupErrors(ErrorManager& err) {
    jpeg_std_error(&err.pub);
    err.pub.error_exit = onError;
    err.pub.emit_message = onMessage;
    err.message[0] = 0;
}

std::string sizeText(std::uint64_t w, std::uint64_t h) {
    return std::to_string(w) + " x " + std::to_string(h);
}

}  // namespace

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

struct Decoder {
    jpeg_decompress_struct cinfo{};
    ErrorManager err{};
    Decoder() {
        cinfo.err = &err.pub;
        setupErrors(err);
    }
    ~Decoder() { jpeg_destroy_decompress(&cinfo); }
};

// The steps that may fail inside libjpeg; returns false with err.message set.
// No object with a destructor lives in this frame, so the longjmp skips nothing.
bool readHeader(Decoder& d, const std::uint8_t* data, std::size_t size) {
    if (setjmp(d.err.jump)) return false;
    jpeg_create_decompress(&d.cinfo);
    jpeg_mem_src(&d.cinfo, data, static_cast<unsigned long>(size));
    jpeg_read_header(&d.cinfo, TRUE);
    return true;
}

bool readPixels(Decoder& d, RowSink& sink, std::uint8_t* cmykRow) {
    if (setjmp(d.err.jump)) return false;
    jpeg_start_decompress(&d.cinfo);
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

[[noreturn]] void failJpeg(const char* message) {
    throw ImageError(std::string("Image JPEG illisible : ") + message);
}

struct Encoder {
    jpeg_compress_struct cinfo{};
    ErrorManager err{};
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    Encoder() {
        cinfo.err = &err.pub;
        setupErrors(err);
    }
    ~Encoder() {
        jpeg_destroy_compress(&cinfo);
        std::free(buffer);
    }
};

bool compress(Encoder& e, int width, int height, const RowSource& row, const JpegWriteOptions& options) {
    if (setjmp(e.err.jump)) return false;
    jpeg_create_compress(&e.cinfo);
    jpeg_mem_dest(&e.cinfo, &e.buffer, &e.size);
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
    jpeg_start_compress(&e.cinfo, TRUE);
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

namespace {

bool readCoefficients(Decoder& d, jvirt_barray_ptr*& coefs) {
    if (setjmp(d.err.jump)) return false;
    coefs = jpeg_read_coefficients(&d.cinfo);
    return true;
}

// Decodes rows y0..y1-1 and keeps columns x0..x1-1 of them in `area`. Only the columns from one
// MCU before x0 to one MCU after x1 are decoded: the margin gives the chroma upsampling the same
// neighbours it has in a full-width decode, so the kept pixels are the same. `row` holds a full
// row of the photo.
bool decodeArea(Decoder& d, int x0, int y0, int x1, int y1, int margin, std::uint8_t* row, Bitmap& area) {
    if (setjmp(d.err.jump)) return false;
    d.cinfo.out_color_space = JCS_EXT_BGR;
    jpeg_start_decompress(&d.cinfo);
    const int w = int(d.cinfo.output_width);
    JDIMENSION cropX = JDIMENSION(std::max(0, x0 - margin));
    JDIMENSION cropW = JDIMENSION(std::min(w, x1 + margin)) - cropX;
    if (cropW < JDIMENSION(w)) jpeg_crop_scanline(&d.cinfo, &cropX, &cropW);
    if (y0 > 0) jpeg_skip_scanlines(&d.cinfo, JDIMENSION(y0));
    const std::size_t from = std::size_t(x0 - int(cropX)) * 3;
    for (int y = y0; y < y1; ++y) {
        JSAMPROW r = row;
        if (jpeg_read_scanlines(&d.cinfo, &r, 1) != 1) {
            std::strcpy(d.err.message, "données manquantes");
            return false;
        }
        std::memcpy(area.scanLine(y - y0), row + from, std::size_t(x1 - x0) * 3);
    }
    return true;
}

// The sampling and quantisation of a photo, copied out of its decoder.
struct CodingLayout {
    bool hasTable[NUM_QUANT_TBLS] = {};
    UINT16 table[NUM_QUANT_TBLS][DCTSIZE2] = {};
    int hSamp[3] = {}, vSamp[3] = {}, tableNo[3] = {};
    explicit CodingLayout(const jpeg_decompress_struct& src) {
        for (int t = 0; t < NUM_QUANT_TBLS; ++t)
            if (src.quant_tbl_ptrs[t]) {
                hasTable[t] = true;
                std::memcpy(table[t], src.quant_tbl_ptrs[t]->quantval, sizeof(table[t]));
            }
        for (int c = 0; c < 3; ++c) {
            hSamp[c] = src.comp_info[c].h_samp_factor;
            vSamp[c] = src.comp_info[c].v_samp_factor;
            tableNo[c] = src.comp_info[c].quant_tbl_no;
        }
    }
};

// Encodes `area` with the given sampling and quantisation tables.
bool encodeLike(Encoder& e, const CodingLayout& src, const Bitmap& area) {
    if (setjmp(e.err.jump)) return false;
    jpeg_create_compress(&e.cinfo);
    jpeg_mem_dest(&e.cinfo, &e.buffer, &e.size);
    e.cinfo.image_width = JDIMENSION(area.width());
    e.cinfo.image_height = JDIMENSION(area.height());
    e.cinfo.input_components = 3;
    e.cinfo.in_color_space = JCS_EXT_BGR;
    jpeg_set_defaults(&e.cinfo);
    for (int t = 0; t < NUM_QUANT_TBLS; ++t) {
        if (!src.hasTable[t]) continue;
        if (!e.cinfo.quant_tbl_ptrs[t]) e.cinfo.quant_tbl_ptrs[t] = jpeg_alloc_quant_table(reinterpret_cast<j_common_ptr>(&e.cinfo));
        std::memcpy(e.cinfo.quant_tbl_ptrs[t]->quantval, src.table[t], sizeof(src.table[t]));
    }
    for (int c = 0; c < 3; ++c) {
        e.cinfo.comp_info[c].h_samp_factor = src.hSamp[c];
        e.cinfo.comp_info[c].v_samp_factor = src.vSamp[c];
        e.cinfo.comp_info[c].quant_tbl_no = src.tableNo[c];
    }
    jpeg_start_compress(&e.cinfo, TRUE);
    while (e.cinfo.next_scanline < e.cinfo.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(area.scanLine(int(e.cinfo.next_scanline)));
        jpeg_write_scanlines(&e.cinfo, &row, 1);
    }
    jpeg_finish_compress(&e.cinfo);
    return true;
}

// Copies every block of the area's coefficients into the photo's, at the area's place.
bool copyBlocks(Decoder& photo, jvirt_barray_ptr* dst, Decoder& area, jvirt_barray_ptr* src, int x0, int y0) {
    if (setjmp(photo.err.jump)) return false;
    if (setjmp(area.err.jump)) return false;
    const int mcuW = DCTSIZE * photo.cinfo.max_h_samp_factor, mcuH = DCTSIZE * photo.cinfo.max_v_samp_factor;
    for (int c = 0; c < 3; ++c) {
        const jpeg_component_info& pc = photo.cinfo.comp_info[c];
        const jpeg_component_info& ac = area.cinfo.comp_info[c];
        const JDIMENSION bx0 = JDIMENSION(x0 / mcuW * pc.h_samp_factor), by0 = JDIMENSION(y0 / mcuH * pc.v_samp_factor);
        for (JDIMENSION by = 0; by < ac.height_in_blocks && by0 + by < pc.height_in_blocks; ++by) {
            JBLOCKARRAY to = (*photo.cinfo.mem->access_virt_barray)(reinterpret_cast<j_common_ptr>(&photo.cinfo), dst[c], by0 + by, 1, TRUE);
            JBLOCKARRAY from = (*area.cinfo.mem->access_virt_barray)(reinterpret_cast<j_common_ptr>(&area.cinfo), src[c], by, 1, FALSE);
            for (JDIMENSION bx = 0; bx < ac.width_in_blocks && bx0 + bx < pc.width_in_blocks; ++bx)
                std::memcpy(to[0][bx0 + bx], from[0][bx], sizeof(JBLOCK));
        }
    }
    return true;
}

// Writes the photo's blocks covering columns cx0..cx1-1 and rows cy0..cy1-1 (whole MCUs from the
// top left, cut at the photo's right and bottom edges) as a JPEG of their own, without decoding
// them: the coefficients are taken as they are.
bool writeCrop(Encoder& e, Decoder& photo, jvirt_barray_ptr* coefs, int cx0, int cy0, int cx1, int cy1) {
    if (setjmp(e.err.jump)) return false;
    if (setjmp(photo.err.jump)) return false;
    jpeg_create_compress(&e.cinfo);
    jpeg_mem_dest(&e.cinfo, &e.buffer, &e.size);
    jpeg_copy_critical_parameters(&photo.cinfo, &e.cinfo);
    e.cinfo.image_width = JDIMENSION(cx1 - cx0);
    e.cinfo.image_height = JDIMENSION(cy1 - cy0);
    const int maxH = photo.cinfo.max_h_samp_factor, maxV = photo.cinfo.max_v_samp_factor;
    const int mcuW = DCTSIZE * maxH, mcuH = DCTSIZE * maxV;
    const int n = photo.cinfo.num_components;
    jvirt_barray_ptr crop[MAX_COMPONENTS] = {};
    JDIMENSION cropW[MAX_COMPONENTS] = {}, cropH[MAX_COMPONENTS] = {};
    const auto ceilDiv = [](long a, long b) { return JDIMENSION((a + b - 1) / b); };
    for (int c = 0; c < n; ++c) {
        const jpeg_component_info& pc = photo.cinfo.comp_info[c];
        const long hs = pc.h_samp_factor, vs = pc.v_samp_factor;
        // As the encoder counts them: blocks of the component, rounded up to whole MCUs.
        cropW[c] = ceilDiv(ceilDiv(long(cx1 - cx0) * hs, maxH), DCTSIZE * hs) * JDIMENSION(hs);
        cropH[c] = ceilDiv(ceilDiv(long(cy1 - cy0) * vs, maxV), DCTSIZE * vs) * JDIMENSION(vs);
        crop[c] = (*e.cinfo.mem->request_virt_barray)(reinterpret_cast<j_common_ptr>(&e.cinfo), JPOOL_IMAGE,
                                                        TRUE, cropW[c], cropH[c], JDIMENSION(vs));
    }
    (*e.cinfo.mem->realize_virt_arrays)(reinterpret_cast<j_common_ptr>(&e.cinfo));
    for (int c = 0; c < n; ++c) {
        const jpeg_component_info& pc = photo.cinfo.comp_info[c];
        const JDIMENSION hs = JDIMENSION(pc.h_samp_factor), vs = JDIMENSION(pc.v_samp_factor);
        const JDIMENSION bx0 = JDIMENSION(cx0 / mcuW) * hs, by0 = JDIMENSION(cy0 / mcuH) * vs;
        // The photo's arrays hold whole MCUs as well.
        const JDIMENSION srcW = (pc.width_in_blocks + hs - 1) / hs * hs, srcH = (pc.height_in_blocks + vs - 1) / vs * vs;
        for (JDIMENSION by = 0; by < cropH[c] && by0 + by < srcH; ++by) {
            JBLOCKARRAY from = (*photo.cinfo.mem->access_virt_barray)(reinterpret_cast<j_common_ptr>(&photo.cinfo), coefs[c], by0 + by, 1, FALSE);
            JBLOCKARRAY to = (*e.cinfo.mem->access_virt_barray)(reinterpret_cast<j_common_ptr>(&e.cinfo), crop[c], by, 1, TRUE);
            const JDIMENSION count = std::min(cropW[c], srcW - bx0);
            std::memcpy(to[0][0], from[0][bx0], sizeof(JBLOCK) * count);
        }
    }
    jpeg_write_coefficients(&e.cinfo, crop);
    jpeg_finish_compress(&e.cinfo);
    return true;
}

bool writeCoefficients(Encoder& e, Decoder& photo, jvirt_barray_ptr* coefs) {
    if (setjmp(e.err.jump)) return false;
    if (setjmp(photo.err.jump)) return false;
    jpeg_create_compress(&e.cinfo);
    jpeg_mem_dest(&e.cinfo, &e.buffer, &e.size);
    jpeg_copy_critical_parameters(&photo.cinfo, &e.cinfo);
    jpeg_write_coefficients(&e.cinfo, coefs);
    jpeg_finish_compress(&e.cinfo);
    return true;
}

}  // namespace

// Photos below this many pixels have their area coded again on the calling thread.
constexpr std::uint64_t kAreaThreadPixels = 2'000'000;

bool patchJpegArea(const std::uint8_t* data, std::size_t size, const JpegArea& rect,
                   const AreaEdit& edit, std::vector<std::uint8_t>& out) {
    Decoder photo;
    if (!readHeader(photo, data, size)) failJpeg(photo.err.message);
    const int w = int(photo.cinfo.image_width), h = int(photo.cinfo.image_height);
    checkPictureSize(std::uint64_t(w), std::uint64_t(h));
    if (photo.cinfo.jpeg_color_space != JCS_YCbCr || photo.cinfo.num_components != 3 ||
        photo.cinfo.data_precision != 8)
        return false;
    if (rect.width < 1 || rect.height < 1 || rect.x < 0 || rect.y < 0 || rect.x + rect.width > w ||
        rect.y + rect.height > h)
        throw ImageError("Zone en dehors de l'image (" + sizeText(std::uint64_t(w), std::uint64_t(h)) + ")");

    // The area: the rectangle widened to whole MCUs (minimum coded units).
    const int mcuW = DCTSIZE * photo.cinfo.max_h_samp_factor, mcuH = DCTSIZE * photo.cinfo.max_v_samp_factor;
    const int x0 = rect.x / mcuW * mcuW, y0 = rect.y / mcuH * mcuH;
    const int x1 = std::min(w, (rect.x + rect.width + mcuW - 1) / mcuW * mcuW);
    const int y1 = std::min(h, (rect.y + rect.height + mcuH - 1) / mcuH * mcuH);

    // On a large photo the area is decoded, edited and coded again on a second thread while
    // this one reads the photo's coefficients; the two only meet to copy the area's blocks. On a
    // small one starting that thread costs about as much as the area work itself, so both steps
    // run here, one after the other.
    const CodingLayout layout(photo.cinfo);
    std::vector<std::uint8_t> areaJpeg;
    std::exception_ptr areaError;
    // On the calling thread the area's pixels come from the coefficients already read (the blocks
    // around it, one MCU more on every side so that the chroma upsampling sees the same
    // neighbours, are written out as a small JPEG of their own and decoded); on the second thread
    // they are decoded from the photo itself.
    const Encoder* around = nullptr;
    int ax0 = 0, ay0 = 0;
    const auto areaWork = [&] {
        try {
            Bitmap area(x1 - x0, y1 - y0);
            {
                Decoder pixels;
                const std::uint8_t* from = around ? around->buffer : data;
                const std::size_t fromSize = around ? std::size_t(around->size) : size;
                std::vector<std::uint8_t> row(std::size_t(w) * 3);
                if (!readHeader(pixels, from, fromSize) ||
                    !decodeArea(pixels, x0 - ax0, y0 - ay0, x1 - ax0, y1 - ay0, mcuW, row.data(), area))
                    failJpeg(pixels.err.message);
            }
            edit(area, {rect.x - x0, rect.y - y0, rect.width, rect.height});
            Encoder areaEnc;
            if (!encodeLike(areaEnc, layout, area))
                throw ImageError(std::string("Échec de la compression JPEG : ") + areaEnc.err.message);
            areaJpeg.assign(areaEnc.buffer, areaEnc.buffer + areaEnc.size);
        } catch (...) {
            areaError = std::current_exception();
        }
    };
    jvirt_barray_ptr* photoCoefs = nullptr;
    bool read = false;
    if (std::uint64_t(w) * std::uint64_t(h) < kAreaThreadPixels) {
        read = readCoefficients(photo, photoCoefs);
        if (read) {
            Encoder crop;
            ax0 = std::max(0, x0 - mcuW), ay0 = std::max(0, y0 - mcuH);
            if (!writeCrop(crop, photo, photoCoefs, ax0, ay0, std::min(w, x1 + mcuW), std::min(h, y1 + mcuH)))
                throw ImageError(std::string("Échec de la compression JPEG : ") + crop.err.message + photo.err.message);
            around = &crop;
            areaWork();
            around = nullptr;
        }
    } else {
        std::thread areaThread(areaWork);
        read = readCoefficients(photo, photoCoefs);
        areaThread.join();
    }
    if (!read) failJpeg(photo.err.message);
    if (areaError) std::rethrow_exception(areaError);

    Decoder areaDec;
    jvirt_barray_ptr* areaCoefs = nullptr;
    if (!readHeader(areaDec, areaJpeg.data(), areaJpeg.size()) || !readCoefficients(areaDec, areaCoefs))
        failJpeg(areaDec.err.message);
    if (!copyBlocks(photo, photoCoefs, areaDec, areaCoefs, x0, y0)) failJpeg(photo.err.message);

    Encoder result;
    if (!writeCoefficients(result, photo, photoCoefs))
        throw ImageError(std::string("Échec de la compression JPEG : ") + result.err.message + photo.err.message);
    out.assign(result.buffer, result.buffer + result.size);
    return true;
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
                                         const JpegWriteOptions& options) {
    if (width <= 0 || height <= 0) throw ImageError("Image vide : rien à enregistrer");
    if (options.quality != -1 && (options.quality < 1 || options.quality > 100))
        throw ImageError("Qualité JPEG invalide : " + std::to_string(options.quality) + " (1 à 100)");
    Encoder e;
    if (!compress(e, width, height, row, options))
        throw ImageError(std::string("Échec de la compression JPEG : ") + e.err.message);
    return std::vector<std::uint8_t>(e.buffer, e.buffer + e.size);
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
