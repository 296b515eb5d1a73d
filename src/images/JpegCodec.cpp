#include "images/JpegCodec.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include <jerror.h>

namespace stanor::images::codec {

namespace {

constexpr const char* kIncomplete = "données d'image incomplètes (fichier tronqué ou abîmé)";

void onError(j_common_ptr cinfo) {
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, err->message);
    std::longjmp(err->jump, 1);
}

// Ends the work with the text `what` (a printf format taking libjpeg's own message). Nothing
// here may own memory: the longjmp skips every destructor between here and the caller.
[[noreturn]] void fail(j_common_ptr cinfo, const char* what) {
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    char text[JMSG_LENGTH_MAX];
    (*cinfo->err->format_message)(cinfo, text);
    std::snprintf(err->message, sizeof err->message, what, text);
    std::longjmp(err->jump, 1);
}

// Which coefficients of which components the scan just announced sends to their last bit. The
// scan's parameters are complete when libjpeg traces them.
void noteScan(j_decompress_ptr cinfo, ErrorManager& err) {
    std::uint64_t coefficients = ~std::uint64_t(0);
    if (cinfo->progressive_mode) {
        if (cinfo->Al != 0 || cinfo->Ss < 0 || cinfo->Se > 63 || cinfo->Ss > cinfo->Se) return;
        const int count = cinfo->Se - cinfo->Ss + 1;
        coefficients = (count == 64 ? ~std::uint64_t(0) : ((std::uint64_t(1) << count) - 1)) << cinfo->Ss;
    }
    for (int i = 0; i < cinfo->comps_in_scan && i < MAX_COMPS_IN_SCAN; ++i)
        if (const jpeg_component_info* c = cinfo->cur_comp_info[i])
            if (c->component_index >= 0 && c->component_index < MAX_COMPONENTS)
                err.finished[c->component_index] |= coefficients;
}

void onMessage(j_common_ptr cinfo, int level) {
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    const int code = cinfo->err->msg_code;
    if (level > 0) {
        if (code == JTRC_SOS_PARAMS && cinfo->is_decompressor)
            noteScan(reinterpret_cast<j_decompress_ptr>(cinfo), *err);
        return;
    }
    if (level == 0) return;
    switch (code) {
    case JWRN_JPEG_EOF:
        // The source gives libjpeg an end marker in place of the missing data; whether image data
        // is missing too shows in the warning below or in imageDataComplete.
        err->endMarkerMissing = true;
        return;
    case JWRN_EXTRANEOUS_DATA:
    case JWRN_JFIF_MAJOR:
        return;
    case JWRN_HIT_MARKER:
        fail(cinfo, kIncomplete);
    default:
        fail(cinfo, "données d'image abîmées (%s)");
    }
}

}  // namespace

void setupErrors(ErrorManager& err) {
    jpeg_std_error(&err.pub);
    err.pub.error_exit = onError;
    err.pub.emit_message = onMessage;
    err.message[0] = 0;
    err.endMarkerMissing = false;
    for (std::uint64_t& f : err.finished) f = 0;
}

Decoder::Decoder() {
    cinfo.err = &err.pub;
    setupErrors(err);
}
Decoder::~Decoder() { jpeg_destroy_decompress(&cinfo); }

Encoder::Encoder() {
    cinfo.err = &err.pub;
    setupErrors(err);
}
Encoder::~Encoder() { jpeg_destroy_compress(&cinfo); }

namespace {
void startOutput(j_compress_ptr c) {
    auto* d = reinterpret_cast<VectorDestination*>(c->dest);
    d->bytes->resize(std::max<std::size_t>(d->expected, 4096));
    c->dest->next_output_byte = d->bytes->data();
    c->dest->free_in_buffer = d->bytes->size();
}
boolean moreOutput(j_compress_ptr c) {
    auto* d = reinterpret_cast<VectorDestination*>(c->dest);
    const std::size_t used = d->bytes->size();
    bool grown = true;
    try {
        d->bytes->resize(used * 2);
    } catch (...) {
        grown = false;
    }
    if (!grown) stopWork(reinterpret_cast<j_common_ptr>(c), "mémoire insuffisante");
    c->dest->next_output_byte = d->bytes->data() + used;
    c->dest->free_in_buffer = d->bytes->size() - used;
    return TRUE;
}
void endOutput(j_compress_ptr c) {
    auto* d = reinterpret_cast<VectorDestination*>(c->dest);
    d->bytes->resize(d->bytes->size() - c->dest->free_in_buffer);
}
}  // namespace

void Encoder::toMemory(std::size_t expected) {
    destination.bytes = &bytes;
    destination.expected = expected;
    destination.pub.init_destination = startOutput;
    destination.pub.empty_output_buffer = moreOutput;
    destination.pub.term_destination = endOutput;
    cinfo.dest = &destination.pub;
}

bool readHeader(Decoder& d, const std::uint8_t* data, std::size_t size, bool keepSegments) {
    if (setjmp(d.err.jump)) return false;
    jpeg_create_decompress(&d.cinfo);
    jpeg_mem_src(&d.cinfo, data, static_cast<unsigned long>(size));
    if (keepSegments) {
        jpeg_save_markers(&d.cinfo, JPEG_COM, 0xFFFF);
        for (int m = 0; m < 16; ++m) jpeg_save_markers(&d.cinfo, JPEG_APP0 + m, 0xFFFF);
    }
    jpeg_read_header(&d.cinfo, TRUE);
    return true;
}

bool imageDataComplete(Decoder& d) {
    if (!d.err.endMarkerMissing) return true;
    for (int c = 0; c < d.cinfo.num_components && c < MAX_COMPONENTS; ++c)
        if (d.err.finished[c] != ~std::uint64_t(0)) {
            std::snprintf(d.err.message, sizeof d.err.message, "%s", kIncomplete);
            return false;
        }
    return true;
}

void stopWork(j_common_ptr cinfo, const char* text) {
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    std::snprintf(err->message, sizeof err->message, "%s", text);
    std::longjmp(err->jump, 1);
}

void failJpeg(const char* message) {
    throw ImageError(std::string("Image JPEG illisible : ") + message);
}

void failCompression(const char* message) {
    throw ImageError(std::string("Échec de la compression JPEG : ") + message);
}

std::string sizeText(std::uint64_t w, std::uint64_t h) {
    return std::to_string(w) + " x " + std::to_string(h);
}

}  // namespace stanor::images::codec
