// Patching a rectangle of a JPEG photo without coding the rest of it again.
#include "images/Jpeg.h"
#include "images/JpegCodec.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <thread>

namespace stanor::images {

using namespace codec;

namespace {

bool readCoefficients(Decoder& d, jvirt_barray_ptr*& coefs) {
    if (setjmp(d.err.jump)) return false;
    coefs = jpeg_read_coefficients(&d.cinfo);
    return imageDataComplete(d);
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

// Writes the photo's coefficients with the segments it keeps. The JFIF header is written only
// when the photo had one, so that EXIF data stays right after the start of the file.
bool writeCoefficients(Encoder& e, Decoder& photo, jvirt_barray_ptr* coefs, const std::vector<JpegSegment>& segments) {
    if (setjmp(e.err.jump)) return false;
    if (setjmp(photo.err.jump)) return false;
    jpeg_create_compress(&e.cinfo);
    jpeg_mem_dest(&e.cinfo, &e.buffer, &e.size);
    jpeg_copy_critical_parameters(&photo.cinfo, &e.cinfo);
    e.cinfo.write_JFIF_header = photo.cinfo.saw_JFIF_marker;
    jpeg_write_coefficients(&e.cinfo, coefs);
    for (const JpegSegment& s : segments)
        jpeg_write_marker(&e.cinfo, s.marker, s.data.data(), unsigned(s.data.size()));
    jpeg_finish_compress(&e.cinfo);
    return true;
}

}  // namespace

// Photos below this many pixels have their area coded again on the calling thread.
constexpr std::uint64_t kAreaThreadPixels = 2'000'000;

bool patchJpegArea(const std::uint8_t* data, std::size_t size, const JpegArea& rect,
                   const AreaEdit& edit, std::vector<std::uint8_t>& out) {
    Decoder photo;
    if (!readHeader(photo, data, size, true)) failJpeg(photo.err.message);
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
                failCompression(areaEnc.err.message);
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

    std::vector<JpegSegment> segments;
    for (jpeg_saved_marker_ptr m = photo.cinfo.marker_list; m; m = m->next)
        segments.push_back({int(m->marker), std::vector<std::uint8_t>(m->data, m->data + m->data_length)});
    segments = keptSegments(segments, true);
    Encoder result;
    if (!writeCoefficients(result, photo, photoCoefs, segments))
        throw ImageError(std::string("Échec de la compression JPEG : ") + result.err.message + photo.err.message);
    out.assign(result.buffer, result.buffer + result.size);
    return true;
}

}  // namespace stanor::images
