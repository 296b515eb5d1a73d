// Patching a rectangle of a JPEG photo without coding the rest of it again.
//
// The photo's blocks of coefficients are read, and written out again row of blocks after row of
// blocks; on a large photo the writer runs on a second thread and works on the first rows while
// the reader is still on the last ones. When the writer reaches the rows of the area, it waits
// for the rows around them, turns them into pixels, lets the caller change them, codes them
// again with the photo's own quantisation and puts the new blocks in place of the old.
#include "images/Jpeg.h"
#include "images/JpegCodec.h"
#include "images/Parallel.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <new>
#include <thread>

#include <sys/mman.h>

namespace stanor::images {

using namespace codec;

namespace {

// What the writer needs to know of the photo, copied out of its decoder before the two threads
// start, so that the writer never reads the decoder while the reader works with it.
struct CodingLayout {
    bool hasTable[NUM_QUANT_TBLS] = {};
    UINT16 table[NUM_QUANT_TBLS][DCTSIZE2] = {};
    int componentId[3] = {}, hSamp[3] = {}, vSamp[3] = {}, tableNo[3] = {};
    JDIMENSION widthInBlocks[3] = {}, heightInBlocks[3] = {};
    int maxH = 1, maxV = 1;
    explicit CodingLayout(const jpeg_decompress_struct& src) {
        for (int t = 0; t < NUM_QUANT_TBLS; ++t)
            if (src.quant_tbl_ptrs[t]) {
                hasTable[t] = true;
                std::memcpy(table[t], src.quant_tbl_ptrs[t]->quantval, sizeof(table[t]));
            }
        for (int c = 0; c < 3; ++c) {
            const jpeg_component_info& ci = src.comp_info[c];
            componentId[c] = ci.component_id;
            hSamp[c] = ci.h_samp_factor;
            vSamp[c] = ci.v_samp_factor;
            tableNo[c] = ci.quant_tbl_no;
            widthInBlocks[c] = ci.width_in_blocks;
            heightInBlocks[c] = ci.height_in_blocks;
        }
        maxH = src.max_h_samp_factor;
        maxV = src.max_v_samp_factor;
    }
    int mcuWidth() const { return DCTSIZE * maxH; }
    int mcuHeight() const { return DCTSIZE * maxV; }
};

// Sets up an encoder for a width x height picture coded like the photo: the same components,
// sampling and quantisation tables.
void configureLike(jpeg_compress_struct& c, const CodingLayout& src, int width, int height) {
    c.image_width = JDIMENSION(width);
    c.image_height = JDIMENSION(height);
    c.input_components = 3;
    c.in_color_space = JCS_EXT_BGR;
    jpeg_set_defaults(&c);
    for (int t = 0; t < NUM_QUANT_TBLS; ++t) {
        if (!src.hasTable[t]) continue;
        if (!c.quant_tbl_ptrs[t]) c.quant_tbl_ptrs[t] = jpeg_alloc_quant_table(reinterpret_cast<j_common_ptr>(&c));
        std::memcpy(c.quant_tbl_ptrs[t]->quantval, src.table[t], sizeof(src.table[t]));
    }
    for (int i = 0; i < 3; ++i) {
        c.comp_info[i].component_id = src.componentId[i];
        c.comp_info[i].h_samp_factor = src.hSamp[i];
        c.comp_info[i].v_samp_factor = src.vSamp[i];
        c.comp_info[i].quant_tbl_no = src.tableNo[i];
    }
}

// ---- The blocks shared by the two threads ----

// Zeroed memory mapped for the photo's blocks: filled in one go rather than a page at a time as
// it is first touched, on huge pages when it is large.
class ZeroedMemory {
public:
    explicit ZeroedMemory(std::size_t bytes) : size_(std::max<std::size_t>(bytes, 1)) {
        void* p = mmap(nullptr, size_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (p == MAP_FAILED) throw std::bad_alloc();
        data_ = static_cast<std::uint8_t*>(p);
        if (size_ >= (std::size_t(2) << 20)) madvise(data_, size_, MADV_HUGEPAGE);
        madvise(data_, size_, kPopulateWrite);  // refused by older systems: the pages then come one by one
    }
    ~ZeroedMemory() { munmap(data_, size_); }
    ZeroedMemory(const ZeroedMemory&) = delete;
    ZeroedMemory& operator=(const ZeroedMemory&) = delete;
    std::uint8_t* data() const { return data_; }
    std::size_t size() const { return size_; }

    // The memory of the previous photo is kept for the next one (up to a size), so that photos
    // patched one after the other do not map and fault in the same pages again.
    static std::unique_ptr<ZeroedMemory> take(std::size_t bytes) {
        std::unique_ptr<ZeroedMemory> m;
        {
            std::lock_guard<std::mutex> lock(spareLock_);
            if (spare_ && spare_->size_ >= bytes) m = std::move(spare_);
        }
        if (!m) return std::make_unique<ZeroedMemory>(bytes);
        std::memset(m->data_, 0, bytes);
        return m;
    }
    static void giveBack(std::unique_ptr<ZeroedMemory> m) {
        if (!m || m->size_ > kKeep) return;
        std::lock_guard<std::mutex> lock(spareLock_);
        if (!spare_ || spare_->size_ < m->size_) spare_ = std::move(m);
    }

private:
    static constexpr std::size_t kKeep = std::size_t(16) << 20;
    static inline std::mutex spareLock_;
    static inline std::unique_ptr<ZeroedMemory> spare_;
    static constexpr int kPopulateWrite = 23;  // MADV_POPULATE_WRITE
    std::size_t size_;
    std::uint8_t* data_ = nullptr;
};

// One component's blocks, for the whole photo: as many as libjpeg asks for (the component's
// blocks rounded up to whole MCUs), in memory of our own, so that neither thread goes through
// the reader's memory manager for them.
struct BlockArray {
    JDIMENSION blocksPerRow = 0, rowCount = 0;
    std::vector<JBLOCKROW> rows;
};

// The reader tells through `ready` how many rows of blocks are complete; the writer reads them
// (and the area's work changes them) only once they are.
struct SharedBlocks {
    BlockArray arrays[3];
    std::unique_ptr<ZeroedMemory> memory;
    int arraysGiven = 0;
    int totalRows = 0;     // iMCU rows (rows of MCUs) of the photo
    bool oneScan = true;   // a photo in several scans is complete only at its end
    // 0 until the reader has started, then 1 + the number of complete iMCU rows.
    RowGate ready;
    std::atomic<bool> writerStopped{false};
    bool stoppedByWriter = false;  // the reader gave up because the writer had (reader only)
    jpeg_progress_mgr progress{};

    explicit SharedBlocks(const jpeg_decompress_struct& photo) {
        totalRows = int(photo.total_iMCU_rows);
        oneScan = !photo.progressive_mode && photo.comps_in_scan == photo.num_components;
        std::size_t bytes = 0;
        for (int c = 0; c < 3; ++c) {
            const jpeg_component_info& ci = photo.comp_info[c];
            const auto roundUp = [](JDIMENSION a, int b) { return (a + JDIMENSION(b) - 1) / JDIMENSION(b) * JDIMENSION(b); };
            arrays[c].blocksPerRow = roundUp(ci.width_in_blocks, ci.h_samp_factor);
            arrays[c].rowCount = roundUp(ci.height_in_blocks, ci.v_samp_factor);
            bytes += std::size_t(arrays[c].blocksPerRow) * arrays[c].rowCount * sizeof(JBLOCK);
        }
        memory = ZeroedMemory::take(bytes);
        std::uint8_t* at = memory->data();
        for (BlockArray& a : arrays) {
            a.rows.resize(a.rowCount);
            for (JBLOCKROW& r : a.rows) {
                r = reinterpret_cast<JBLOCKROW>(at);
                at += std::size_t(a.blocksPerRow) * sizeof(JBLOCK);
            }
        }
    }
    ~SharedBlocks() { ZeroedMemory::giveBack(std::move(memory)); }
    SharedBlocks(const SharedBlocks&) = delete;
    SharedBlocks& operator=(const SharedBlocks&) = delete;
    const BlockArray* find(jvirt_barray_ptr handle) const {
        for (const BlockArray& a : arrays)
            if (reinterpret_cast<jvirt_barray_ptr>(const_cast<BlockArray*>(&a)) == handle) return &a;
        return nullptr;
    }
};

SharedBlocks& sharedOf(j_common_ptr cinfo) { return *static_cast<SharedBlocks*>(cinfo->client_data); }

// libjpeg asks for one array of blocks per component, in component order; it gets ours.
jvirt_barray_ptr giveArray(j_common_ptr cinfo, int, boolean, JDIMENSION perRow, JDIMENSION rows, JDIMENSION) {
    SharedBlocks& s = sharedOf(cinfo);
    if (s.arraysGiven >= 3) stopWork(cinfo, "tableaux de coefficients inattendus");
    BlockArray& a = s.arrays[s.arraysGiven++];
    if (perRow != a.blocksPerRow || rows != a.rowCount) stopWork(cinfo, "tableaux de coefficients inattendus");
    return reinterpret_cast<jvirt_barray_ptr>(&a);
}

// Rows of our arrays, for the reader's decoder and the writer's encoder alike.
JBLOCKARRAY blockRows(const SharedBlocks& s, j_common_ptr cinfo, jvirt_barray_ptr handle, JDIMENSION first, JDIMENSION count) {
    const BlockArray* a = s.find(handle);
    if (!a || std::size_t(first) + count > a->rows.size()) stopWork(cinfo, "blocs hors de la photo");
    return const_cast<JBLOCKARRAY>(a->rows.data() + first);
}

JBLOCKARRAY readerRows(j_common_ptr cinfo, jvirt_barray_ptr handle, JDIMENSION first, JDIMENSION count, boolean) {
    return blockRows(sharedOf(cinfo), cinfo, handle, first, count);
}

// Called by the reader before each row of blocks.
void readerProgress(j_common_ptr cinfo) {
    SharedBlocks& s = sharedOf(cinfo);
    if (s.writerStopped) {
        s.stoppedByWriter = true;
        stopWork(cinfo, "écriture interrompue");
    }
    if (s.arraysGiven != 3) stopWork(cinfo, "tableaux de coefficients inattendus");
    s.ready.publish(1 + (s.oneScan ? int(reinterpret_cast<j_decompress_ptr>(cinfo)->input_iMCU_row) : 0));
}

// Reads the photo's blocks into the shared arrays, telling each row as it is complete.
bool readShared(Decoder& d, SharedBlocks& s) {
    if (setjmp(d.err.jump)) return false;
    d.cinfo.client_data = &s;
    d.cinfo.mem->request_virt_barray = giveArray;
    d.cinfo.mem->access_virt_barray = readerRows;
    s.progress.progress_monitor = readerProgress;
    d.cinfo.progress = &s.progress;
    jpeg_read_coefficients(&d.cinfo);
    if (!imageDataComplete(d)) return false;
    s.ready.publish(1 + s.totalRows);
    return true;
}

// ---- The writer ----

struct Writer {
    SharedBlocks* shared = nullptr;
    int areaRow = 0;     // the first iMCU row of the area
    int areaNeeds = 0;   // iMCU rows the area's work reads
    std::function<bool()> patchArea;  // false on failure, the error kept by the caller
    bool areaDone = false;
    int known = 0;   // iMCU rows known to be complete
    // The writer codes a row in about half the time the reader takes to read one: started from
    // the first row it would wait for nearly every row. It starts once half of them and the rows
    // around the area are read, patches the area, and then seldom has to wait again.
    int firstRows = 1;
    // Waits until `rows` rows are complete (at first, until firstRows are).
    bool waitRows(int rows) {
        if (known >= rows) return true;
        const int want = std::min(shared->totalRows, known == 0 ? std::max(rows, firstRows) : rows);
        if (shared->ready.waitFor(1 + want)) {
            known = want;
        } else if (shared->ready.waitFor(1 + rows)) {
            known = rows;
        } else {
            return false;
        }
        return true;
    }
    jpeg_progress_mgr progress{};
};

Writer& writerOf(j_common_ptr cinfo) { return *static_cast<Writer*>(cinfo->client_data); }

JBLOCKARRAY writerRows(j_common_ptr cinfo, jvirt_barray_ptr handle, JDIMENSION first, JDIMENSION count, boolean) {
    return blockRows(*writerOf(cinfo).shared, cinfo, handle, first, count);
}

// Called by the encoder before it codes each row of blocks.
void writerProgress(j_common_ptr cinfo) {
    Writer& w = writerOf(cinfo);
    const int row = int(cinfo->progress->pass_counter);
    if (!w.waitRows(row + 1)) stopWork(cinfo, "lecture interrompue");
    // The area is patched as soon as the rows around it are read (the first wait covers them),
    // and in any case before its first row is coded.
    if (!w.areaDone && (w.known >= w.areaNeeds || row >= w.areaRow)) {
        w.areaDone = true;
        if (!w.waitRows(w.areaNeeds)) stopWork(cinfo, "lecture interrompue");
        if (!w.patchArea()) stopWork(cinfo, "zone non recodée");
    }
}

// Sets up the encoder of the result: the photo's coding, its JFIF header only when it had one
// (so that EXIF data stays right after the start of the file). Runs before the reader starts.
bool prepareResult(Encoder& e, Decoder& photo, Writer& w, std::size_t expected) {
    if (setjmp(e.err.jump)) return false;
    if (setjmp(photo.err.jump)) return false;
    jpeg_create_compress(&e.cinfo);
    e.toMemory(expected);
    jpeg_copy_critical_parameters(&photo.cinfo, &e.cinfo);
    e.cinfo.write_JFIF_header = photo.cinfo.saw_JFIF_marker;
    e.cinfo.client_data = &w;
    e.cinfo.mem->access_virt_barray = writerRows;
    w.progress.progress_monitor = writerProgress;
    e.cinfo.progress = &w.progress;
    return true;
}

// Writes the photo's blocks, each row once the reader has it, and the kept segments.
bool writeShared(Encoder& e, Writer& w, const std::vector<JpegSegment>& segments) {
    if (setjmp(e.err.jump)) return false;
    if (!w.shared->ready.waitFor(1)) stopWork(reinterpret_cast<j_common_ptr>(&e.cinfo), "lecture interrompue");
    jvirt_barray_ptr handles[3];
    for (int c = 0; c < 3; ++c) handles[c] = reinterpret_cast<jvirt_barray_ptr>(&w.shared->arrays[c]);
    jpeg_write_coefficients(&e.cinfo, handles);
    for (const JpegSegment& s : segments)
        jpeg_write_marker(&e.cinfo, s.marker, s.data.data(), unsigned(s.data.size()));
    jpeg_finish_compress(&e.cinfo);
    return true;
}

// ---- The area ----

bool readCoefficients(Decoder& d, jvirt_barray_ptr*& coefs) {
    if (setjmp(d.err.jump)) return false;
    coefs = jpeg_read_coefficients(&d.cinfo);
    return imageDataComplete(d);
}

// Writes the photo's blocks covering columns cx0..cx1-1 and rows cy0..cy1-1 (whole MCUs from the
// top left, cut at the photo's right and bottom edges) as a JPEG of their own, without decoding
// them: the coefficients are taken as they are.
bool writeCrop(Encoder& e, const CodingLayout& layout, const SharedBlocks& photo, int cx0, int cy0, int cx1, int cy1) {
    if (setjmp(e.err.jump)) return false;
    jpeg_create_compress(&e.cinfo);
    e.toMemory();
    configureLike(e.cinfo, layout, cx1 - cx0, cy1 - cy0);
    const int mcuW = layout.mcuWidth(), mcuH = layout.mcuHeight();
    jvirt_barray_ptr crop[MAX_COMPONENTS] = {};
    JDIMENSION cropW[3] = {}, cropH[3] = {};
    const auto ceilDiv = [](long a, long b) { return JDIMENSION((a + b - 1) / b); };
    for (int c = 0; c < 3; ++c) {
        const long hs = layout.hSamp[c], vs = layout.vSamp[c];
        // As the encoder counts them: blocks of the component, rounded up to whole MCUs.
        cropW[c] = ceilDiv(ceilDiv(long(cx1 - cx0) * hs, layout.maxH), DCTSIZE * hs) * JDIMENSION(hs);
        cropH[c] = ceilDiv(ceilDiv(long(cy1 - cy0) * vs, layout.maxV), DCTSIZE * vs) * JDIMENSION(vs);
        crop[c] = (*e.cinfo.mem->request_virt_barray)(reinterpret_cast<j_common_ptr>(&e.cinfo), JPOOL_IMAGE,
                                                        TRUE, cropW[c], cropH[c], JDIMENSION(vs));
    }
    (*e.cinfo.mem->realize_virt_arrays)(reinterpret_cast<j_common_ptr>(&e.cinfo));
    for (int c = 0; c < 3; ++c) {
        const JDIMENSION hs = JDIMENSION(layout.hSamp[c]), vs = JDIMENSION(layout.vSamp[c]);
        const JDIMENSION bx0 = JDIMENSION(cx0 / mcuW) * hs, by0 = JDIMENSION(cy0 / mcuH) * vs;
        // The photo's arrays hold whole MCUs as well.
        const JDIMENSION srcW = (layout.widthInBlocks[c] + hs - 1) / hs * hs;
        const JDIMENSION srcH = JDIMENSION(photo.arrays[c].rows.size());
        for (JDIMENSION by = 0; by < cropH[c] && by0 + by < srcH; ++by) {
            JBLOCKARRAY to = (*e.cinfo.mem->access_virt_barray)(reinterpret_cast<j_common_ptr>(&e.cinfo), crop[c], by, 1, TRUE);
            const JDIMENSION count = std::min(cropW[c], srcW - bx0);
            std::memcpy(to[0][0], photo.arrays[c].rows[by0 + by][bx0], sizeof(JBLOCK) * count);
        }
    }
    jpeg_write_coefficients(&e.cinfo, crop);
    jpeg_finish_compress(&e.cinfo);
    return true;
}

// Decodes rows y0..y1-1 and keeps columns x0..x1-1 of them in `area`. Only the columns from one
// MCU before x0 to one MCU after x1 are decoded: the margin gives the chroma upsampling the same
// neighbours it has in a full-width decode, so the kept pixels are the same. `row` holds a full
// row of the picture.
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

// Encodes `area` coded like the photo.
bool encodeLike(Encoder& e, const CodingLayout& layout, const Bitmap& area) {
    if (setjmp(e.err.jump)) return false;
    jpeg_create_compress(&e.cinfo);
    e.toMemory();
    configureLike(e.cinfo, layout, area.width(), area.height());
    jpeg_start_compress(&e.cinfo, TRUE);
    while (e.cinfo.next_scanline < e.cinfo.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(area.scanLine(int(e.cinfo.next_scanline)));
        jpeg_write_scanlines(&e.cinfo, &row, 1);
    }
    jpeg_finish_compress(&e.cinfo);
    return true;
}

// Copies every block of the area's coefficients into the photo's, at the area's place.
bool copyBlocks(const CodingLayout& layout, SharedBlocks& photo, Decoder& area, jvirt_barray_ptr* src, int x0, int y0) {
    if (setjmp(area.err.jump)) return false;
    for (int c = 0; c < 3; ++c) {
        const jpeg_component_info& ac = area.cinfo.comp_info[c];
        const JDIMENSION bx0 = JDIMENSION(x0 / layout.mcuWidth() * layout.hSamp[c]);
        const JDIMENSION by0 = JDIMENSION(y0 / layout.mcuHeight() * layout.vSamp[c]);
        for (JDIMENSION by = 0; by < ac.height_in_blocks && by0 + by < layout.heightInBlocks[c]; ++by) {
            JBLOCKROW to = photo.arrays[c].rows[by0 + by];
            JBLOCKARRAY from = (*area.cinfo.mem->access_virt_barray)(reinterpret_cast<j_common_ptr>(&area.cinfo), src[c], by, 1, FALSE);
            for (JDIMENSION bx = 0; bx < ac.width_in_blocks && bx0 + bx < layout.widthInBlocks[c]; ++bx)
                std::memcpy(to[bx0 + bx], from[0][bx], sizeof(JBLOCK));
        }
    }
    return true;
}

}  // namespace

// Photos from this many pixels are read and written on two threads; on smaller ones the gain is
// a fraction of a millisecond, which waking a second thread and waiting for it can cost as well
// on a busy machine, so both steps run on the calling thread, one after the other.
constexpr std::uint64_t kTwoThreadPixels = 2'000'000;

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

    const CodingLayout layout(photo.cinfo);
    // The area: the rectangle widened to whole MCUs (minimum coded units). Its pixels are decoded
    // from the blocks around it, one MCU more on every side, so that the chroma upsampling sees
    // the same neighbours as in a decode of the whole photo.
    const int mcuW = layout.mcuWidth(), mcuH = layout.mcuHeight();
    const int x0 = rect.x / mcuW * mcuW, y0 = rect.y / mcuH * mcuH;
    const int x1 = std::min(w, (rect.x + rect.width + mcuW - 1) / mcuW * mcuW);
    const int y1 = std::min(h, (rect.y + rect.height + mcuH - 1) / mcuH * mcuH);
    const int ax0 = std::max(0, x0 - mcuW), ay0 = std::max(0, y0 - mcuH);
    const int ax1 = std::min(w, x1 + mcuW), ay1 = std::min(h, y1 + mcuH);

    std::vector<JpegSegment> segments;
    for (jpeg_saved_marker_ptr m = photo.cinfo.marker_list; m; m = m->next)
        segments.push_back({int(m->marker), std::vector<std::uint8_t>(m->data, m->data + m->data_length)});
    segments = keptSegments(segments, true);

    SharedBlocks shared(photo.cinfo);

    std::exception_ptr areaError;
    Writer writer;
    writer.shared = &shared;
    writer.areaRow = y0 / mcuH;
    writer.areaNeeds = (ay1 + mcuH - 1) / mcuH;
    writer.firstRows = std::max(writer.areaNeeds, shared.totalRows / 2);
    writer.patchArea = [&]() -> bool {
        try {
            Encoder around;
            if (!writeCrop(around, layout, shared, ax0, ay0, ax1, ay1)) failCompression(around.err.message);
            Bitmap area(x1 - x0, y1 - y0);
            {
                Decoder pixels;
                std::vector<std::uint8_t> row(std::size_t(ax1 - ax0) * 3 + 64);
                if (!readHeader(pixels, around.bytes.data(), around.bytes.size()) ||
                    !decodeArea(pixels, x0 - ax0, y0 - ay0, x1 - ax0, y1 - ay0, mcuW, row.data(), area))
                    failJpeg(pixels.err.message);
            }
            edit(area, {rect.x - x0, rect.y - y0, rect.width, rect.height});
            Encoder areaEnc;
            if (!encodeLike(areaEnc, layout, area)) failCompression(areaEnc.err.message);
            Decoder areaDec;
            jvirt_barray_ptr* areaCoefs = nullptr;
            if (!readHeader(areaDec, areaEnc.bytes.data(), areaEnc.bytes.size()) || !readCoefficients(areaDec, areaCoefs))
                failJpeg(areaDec.err.message);
            if (!copyBlocks(layout, shared, areaDec, areaCoefs, x0, y0)) failJpeg(areaDec.err.message);
            return true;
        } catch (...) {
            areaError = std::current_exception();
            return false;
        }
    };

    Encoder result;
    // The result is about the photo's size.
    if (!prepareResult(result, photo, writer, size + size / 8 + 4096)) failCompression(result.err.message);
    bool written = false, read = false;
    if (std::uint64_t(w) * std::uint64_t(h) < kTwoThreadPixels) {
        read = readShared(photo, shared);
        if (!read) shared.ready.abort();
        written = writeShared(result, writer, segments);
    } else {
        std::thread writing([&] {
            written = writeShared(result, writer, segments);
            if (!written) shared.writerStopped = true;
        });
        read = readShared(photo, shared);
        if (!read) shared.ready.abort();
        writing.join();
    }
    // The first failure is the one told: the reader's own, the area's, or the writer's.
    if (!read && !shared.stoppedByWriter) failJpeg(photo.err.message);
    if (areaError) std::rethrow_exception(areaError);
    if (!written) failCompression(result.err.message);
    out = std::move(result.bytes);
    return true;
}

}  // namespace stanor::images
