#include "images/JpegSegments.h"

#include "images/JpegCodec.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace stanor::images {

namespace {

// A TIFF structure inside an EXIF payload, read with bounds checks throughout: offsets count
// from the byte order mark, six bytes into the payload.
class Tiff {
public:
    explicit Tiff(std::vector<std::uint8_t>& payload) : p_(payload) {}
    bool open() {
        if (p_.size() < kBase + 8) return false;
        if (p_[kBase] == 'I' && p_[kBase + 1] == 'I')
            little_ = true;
        else if (p_[kBase] == 'M' && p_[kBase + 1] == 'M')
            little_ = false;
        else
            return false;
        return u16(2) == 42;
    }
    std::size_t size() const { return p_.size() - kBase; }
    bool holds(std::size_t offset, std::size_t length) const {
        return offset <= size() && length <= size() - offset;
    }
    std::uint32_t u16(std::size_t at) const {
        const std::uint8_t* b = &p_[kBase + at];
        return little_ ? std::uint32_t(b[0] | b[1] << 8) : std::uint32_t(b[0] << 8 | b[1]);
    }
    std::uint32_t u32(std::size_t at) const {
        const std::uint8_t* b = &p_[kBase + at];
        return little_ ? std::uint32_t(b[0]) | std::uint32_t(b[1]) << 8 | std::uint32_t(b[2]) << 16 | std::uint32_t(b[3]) << 24
                       : std::uint32_t(b[0]) << 24 | std::uint32_t(b[1]) << 16 | std::uint32_t(b[2]) << 8 | std::uint32_t(b[3]);
    }
    void clear32(std::size_t at) { std::memset(&p_[kBase + at], 0, 4); }
    void blank(std::size_t offset, std::size_t length) { std::memset(&p_[kBase + offset], 0, length); }
    void cut(std::size_t offset) { p_.resize(kBase + offset); }

    // The values of a directory entry of type SHORT or LONG, stored in the entry when they fit
    // in its four bytes, elsewhere otherwise.
    bool values(std::size_t entry, std::vector<std::uint32_t>& out) const {
        const std::uint32_t type = u16(entry + 2), count = u32(entry + 4);
        const std::size_t width = type == 3 ? 2 : type == 4 ? 4 : 0;
        if (width == 0 || count == 0 || count > 65535) return false;
        std::size_t at = entry + 8;
        if (count * width > 4) {
            at = u32(entry + 8);
            if (!holds(at, count * width)) return false;
        }
        out.clear();
        for (std::uint32_t i = 0; i < count; ++i) out.push_back(width == 2 ? u16(at + i * 2) : u32(at + i * 4));
        return true;
    }

private:
    static constexpr std::size_t kBase = 6;
    std::vector<std::uint8_t>& p_;
    bool little_ = true;
};

bool startsWith(const JpegSegment& s, const char* text, std::size_t length) {
    return s.data.size() >= length && std::memcmp(s.data.data(), text, length) == 0;
}

}  // namespace

bool isExif(const JpegSegment& s) { return s.marker == kApp1 && startsWith(s, "Exif\0", 5); }
bool isIccProfile(const JpegSegment& s) { return s.marker == kApp2 && startsWith(s, "ICC_PROFILE\0", 12); }

bool removeExifThumbnail(std::vector<std::uint8_t>& payload) {
    Tiff t(payload);
    if (!t.open()) return false;
    const std::uint32_t ifd0 = t.u32(4);
    if (!t.holds(ifd0, 2)) return false;
    const std::size_t link = std::size_t(ifd0) + 2 + 12 * std::size_t(t.u16(ifd0));
    if (!t.holds(link, 4)) return false;
    const std::uint32_t ifd1 = t.u32(link);
    if (ifd1 == 0) return true;  // no thumbnail
    if (!t.holds(ifd1, 2)) return false;
    const std::uint32_t entries = t.u16(ifd1);
    if (!t.holds(std::size_t(ifd1) + 2, 12 * std::size_t(entries))) return false;

    // The thumbnail's bytes: one JPEG stream, or the strips of an uncompressed picture.
    std::vector<std::uint32_t> jpegAt, jpegLength, stripAt, stripLength, v;
    for (std::uint32_t i = 0; i < entries; ++i) {
        const std::size_t entry = std::size_t(ifd1) + 2 + 12 * std::size_t(i);
        std::vector<std::uint32_t>* into = nullptr;
        switch (t.u16(entry)) {
        case 0x0201: into = &jpegAt; break;
        case 0x0202: into = &jpegLength; break;
        case 0x0111: into = &stripAt; break;
        case 0x0117: into = &stripLength; break;
        default: continue;
        }
        if (!t.values(entry, v)) return false;
        *into = v;
    }
    if (jpegAt.size() != jpegLength.size() || jpegAt.size() > 1 || stripAt.size() != stripLength.size())
        return false;
    std::vector<std::pair<std::size_t, std::size_t>> ranges;
    for (std::size_t i = 0; i < jpegAt.size(); ++i) ranges.emplace_back(jpegAt[i], jpegLength[i]);
    for (std::size_t i = 0; i < stripAt.size(); ++i) ranges.emplace_back(stripAt[i], stripLength[i]);
    // The thumbnail may not overlap the header or the first directory.
    for (const auto& [at, length] : ranges)
        if (!t.holds(at, length) || at < 8 || (at < link + 4 && at + length > ifd0)) return false;

    t.clear32(link);
    for (const auto& [at, length] : ranges) t.blank(at, length);
    // Thumbnail data that ends the payload is cut off, strip after strip from the last one.
    std::sort(ranges.begin(), ranges.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
    std::size_t end = t.size();
    for (const auto& [at, length] : ranges)
        if (at + length == end) end = at;
    t.cut(end);
    return true;
}

int exifOrientation(const std::vector<JpegSegment>& segments) {
    for (const JpegSegment& s : segments) {
        if (!isExif(s)) continue;
        std::vector<std::uint8_t> payload = s.data;
        Tiff t(payload);
        if (!t.open()) return 1;
        const std::uint32_t ifd0 = t.u32(4);
        if (!t.holds(ifd0, 2)) return 1;
        const std::uint32_t entries = t.u16(ifd0);
        if (!t.holds(std::size_t(ifd0) + 2, 12 * std::size_t(entries))) return 1;
        std::vector<std::uint32_t> v;
        for (std::uint32_t i = 0; i < entries; ++i) {
            const std::size_t entry = std::size_t(ifd0) + 2 + 12 * std::size_t(i);
            if (t.u16(entry) != 0x0112) continue;
            if (!t.values(entry, v) || v.size() != 1 || v[0] < 1 || v[0] > 8) return 1;
            return int(v[0]);
        }
        return 1;
    }
    return 1;
}

std::vector<JpegSegment> readSegments(const std::uint8_t* data, std::size_t size, int* components) {
    codec::Decoder d;
    if (!codec::readHeader(d, data, size, true)) codec::failJpeg(d.err.message);
    if (components) *components = d.cinfo.num_components;
    std::vector<JpegSegment> out;
    for (jpeg_saved_marker_ptr m = d.cinfo.marker_list; m; m = m->next)
        out.push_back({int(m->marker), std::vector<std::uint8_t>(m->data, m->data + m->data_length)});
    return out;
}

std::vector<JpegSegment> keptSegments(const std::vector<JpegSegment>& all, bool sameColours) {
    std::vector<JpegSegment> kept;
    for (const JpegSegment& s : all) {
        if (isExif(s)) {
            JpegSegment copy = s;
            if (removeExifThumbnail(copy.data)) kept.push_back(std::move(copy));
        } else if ((isIccProfile(s) && sameColours) || s.marker == kComment) {
            kept.push_back(s);
        }
    }
    return kept;
}

}  // namespace stanor::images
