#include "SheetLayout.h"

#include <cairo-pdf.h>
#include <cairo.h>
#include <pango/pangocairo.h>
#include <turbojpeg.h>

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <type_traits>

namespace stanor::dataservice::sheets {

namespace {

// A4 in points, and the frame of the text.
constexpr double kPageW = 595.28, kPageH = 841.89;
constexpr double kLeft = 42, kRight = kPageW - 42;
constexpr double kWidth = kRight - kLeft;
constexpr double kBottom = kPageH - 46;  // content stops here; the footer sits below
constexpr double kBandH = 76;            // coloured band of the first page

constexpr const char* kFamily = "DejaVu Sans";

struct Rgb {
    double r, g, b;
};
constexpr Rgb kAccent{0.11, 0.24, 0.40};
constexpr Rgb kInk{0.13, 0.13, 0.15};
constexpr Rgb kMuted{0.42, 0.44, 0.48};
constexpr Rgb kFill{0.94, 0.95, 0.97};
constexpr Rgb kRule{0.80, 0.82, 0.86};
constexpr Rgb kWhite{1, 1, 1};
constexpr Rgb kAlert{0.70, 0.12, 0.10};

struct Font {
    double size;
    bool bold = false;
    bool italic = false;
};

// A decoded photo for cairo, the JPEG itself attached so that the PDF embeds
// the original stream rather than raw pixels.
struct Picture {
    cairo_surface_t* surface = nullptr;
    int width = 0, height = 0;
    ~Picture() {
        if (surface) cairo_surface_destroy(surface);
    }
};

// The photo is drawn from a copy at most this many pixels on its longer side:
// the largest photo of a sheet is 511 points wide, 1400 pixels at 200 dpi.
constexpr int kPhotoSide = 1600;

// The photo reduced for the sheet: decoded at the largest of the JPEG's own
// reduced scales that fits kPhotoSide (a 8000 x 8000 photo costs 4 MB instead
// of 256), and encoded again, so that the PDF embeds that copy instead of the
// original file. Nothing when the bytes are no readable JPEG or the picture
// is larger than `maxPixels`: the sheet then goes without photo.
std::unique_ptr<Picture> DecodeJpeg(const std::string& jpeg, uint64_t maxPixels) {
    if (jpeg.empty()) return nullptr;
    tjhandle tj = tjInitDecompress();
    if (!tj) return nullptr;
    auto* src = reinterpret_cast<const unsigned char*>(jpeg.data());
    int w = 0, h = 0, subsampling = 0, colourspace = 0;
    std::unique_ptr<Picture> picture;
    if (tjDecompressHeader3(tj, src, jpeg.size(), &w, &h, &subsampling, &colourspace) == 0 && w > 0 && h > 0 &&
        static_cast<uint64_t>(w) * static_cast<uint64_t>(h) <= maxPixels) {
        int count = 0, sw = w, sh = h;
        const tjscalingfactor* factors = tjGetScalingFactors(&count);
        // The largest reduced size that fits, else the smallest there is.
        int fitting = -1, smallest = -1;
        for (int i = 0; i < count; ++i) {
            if (factors[i].num > factors[i].denom) continue;  // never larger than the photo
            const int fw = TJSCALED(w, factors[i]), fh = TJSCALED(h, factors[i]);
            if (std::max(fw, fh) <= kPhotoSide && (fitting < 0 || fw > TJSCALED(w, factors[fitting]))) fitting = i;
            if (smallest < 0 || fw < TJSCALED(w, factors[smallest])) smallest = i;
        }
        const int chosen = fitting >= 0 ? fitting : smallest;
        if (chosen >= 0) {
            sw = TJSCALED(w, factors[chosen]);
            sh = TJSCALED(h, factors[chosen]);
        }
        cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_RGB24, sw, sh);
        if (cairo_surface_status(s) == CAIRO_STATUS_SUCCESS) {
            cairo_surface_flush(s);
            // cairo's RGB24 pixels are 32-bit words 0x00RRGGBB in native order.
            const int format = std::endian::native == std::endian::little ? TJPF_BGRX : TJPF_XRGB;
            unsigned char* pixels = cairo_image_surface_get_data(s);
            const int stride = cairo_image_surface_get_stride(s);
            if (tjDecompress2(tj, src, jpeg.size(), pixels, sw, stride, sh, format, 0) == 0) {
                cairo_surface_mark_dirty(s);
                if (tjhandle enc = tjInitCompress()) {
                    unsigned char* copy = nullptr;
                    unsigned long copySize = 0;
                    if (tjCompress2(enc, pixels, sw, stride, sh, format, &copy, &copySize, TJSAMP_420, 85, 0) == 0 &&
                        cairo_surface_set_mime_data(s, CAIRO_MIME_TYPE_JPEG, copy, copySize,
                                                    [](void* p) { tjFree(static_cast<unsigned char*>(p)); },
                                                    copy) == CAIRO_STATUS_SUCCESS)
                        copy = nullptr;
                    if (copy) tjFree(copy);
                    tjDestroy(enc);
                }
                picture = std::make_unique<Picture>();
                picture->surface = s;
                picture->width = sw;
                picture->height = sh;
                s = nullptr;
            }
        }
        if (s) cairo_surface_destroy(s);
    }
    tjDestroy(tj);
    return picture;
}

// Every text of a sheet cut to what its place can show.
Sheet Bounded(const Sheet& sheet) {
    constexpr size_t kLine = 200, kField = 1000, kFieldLines = 20, kParagraph = 8000, kParagraphLines = 200;
    Sheet b = sheet;
    for (std::string* t : {&b.documentTitle, &b.kind, &b.title, &b.printed, &b.heading, &b.subheading, &b.banner,
                           &b.footer})
        *t = CutText(*t, kLine, 3);
    for (auto* list : {&b.issuer, &b.badges})
        for (std::string& t : *list) t = CutText(t, kLine, 3);
    for (Block& block : b.blocks)
        std::visit(
            [&](auto& x) {
                using T = std::decay_t<decltype(x)>;
                if constexpr (std::is_same_v<T, FieldGroup>) {
                    for (Field& f : x.fields) f.value = CutText(f.value, kField, kFieldLines);
                } else if constexpr (std::is_same_v<T, Table>) {
                    for (auto* rows : {&x.rows, &x.totals})
                        for (auto& line : *rows)
                            for (std::string& cell : line) cell = CutText(cell, kField, kFieldLines);
                } else if constexpr (std::is_same_v<T, Figures>) {
                    for (Figure& f : x.items) f.value = CutText(f.value, kLine, 3);
                    x.note = CutText(x.note, kField, kFieldLines);
                } else {
                    x.text = CutText(x.text, kParagraph, kParagraphLines);
                }
            },
            block);
    return b;
}

cairo_status_t AppendTo(void* closure, const unsigned char* data, unsigned int length) {
    static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
    return CAIRO_STATUS_SUCCESS;
}

// Draws a sheet page after page. Run once to count the pages, then again
// with the count known for the "page n / N" footers.
class Painter {
public:
    Painter(const Sheet& sheet, const Picture* photo, int pageCount, std::string* out,
            std::chrono::steady_clock::time_point deadline)
        : sheet_(sheet), photo_(photo), pageCount_(pageCount), deadline_(deadline) {
        surface_ = cairo_pdf_surface_create_for_stream(AppendTo, out, kPageW, kPageH);
        cairo_pdf_surface_restrict_to_version(surface_, CAIRO_PDF_VERSION_1_4);
        cairo_pdf_surface_set_metadata(surface_, CAIRO_PDF_METADATA_TITLE, sheet.documentTitle.c_str());
        cairo_pdf_surface_set_metadata(surface_, CAIRO_PDF_METADATA_CREATOR, "stanor-dataservice");
        cr_ = cairo_create(surface_);
        layout_ = pango_cairo_create_layout(cr_);
        font_ = pango_font_description_new();
        pango_font_description_set_family(font_, kFamily);
        // No ligatures: "fi" stays two letters, so the text of the sheet can be
        // searched and copied as it reads.
        plainLetters_ = pango_attr_list_new();
        pango_attr_list_insert(plainLetters_, pango_attr_font_features_new("liga=0,clig=0"));
    }
    ~Painter() {
        pango_attr_list_unref(plainLetters_);
        pango_font_description_free(font_);
        g_object_unref(layout_);
        cairo_destroy(cr_);
        cairo_surface_destroy(surface_);
    }
    Painter(const Painter&) = delete;
    Painter& operator=(const Painter&) = delete;

    // Draws everything; returns the number of pages.
    int paint() {
        firstPageHeader();
        for (const Block& block : sheet_.blocks) {
            checkTime();
            std::visit([this](const auto& b) { draw(b); }, block);
        }
        footer();
        cairo_show_page(cr_);
        cairo_surface_finish(surface_);
        const cairo_status_t status = cairo_surface_status(surface_);
        if (status != CAIRO_STATUS_SUCCESS)
            throw std::runtime_error(std::string("dessin de la fiche impossible : ") + cairo_status_to_string(status));
        return page_;
    }

private:
    void checkTime() const {
        if (std::chrono::steady_clock::now() > deadline_)
            throw SheetTooLong("la fiche dépasse le temps admis pour la dessiner");
    }

    // --- text -------------------------------------------------------------
    void setText(const std::string& text, const Font& f, double width, Align align = Align::Left, bool oneLine = false) {
        pango_font_description_set_absolute_size(font_, f.size * PANGO_SCALE);
        pango_font_description_set_weight(font_, f.bold ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL);
        pango_font_description_set_style(font_, f.italic ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
        pango_layout_set_font_description(layout_, font_);
        pango_layout_set_width(layout_, width > 0 ? static_cast<int>(width * PANGO_SCALE) : -1);
        pango_layout_set_wrap(layout_, PANGO_WRAP_WORD_CHAR);
        pango_layout_set_ellipsize(layout_, oneLine ? PANGO_ELLIPSIZE_END : PANGO_ELLIPSIZE_NONE);
        pango_layout_set_alignment(layout_, align == Align::Right ? PANGO_ALIGN_RIGHT : PANGO_ALIGN_LEFT);
        pango_layout_set_text(layout_, text.c_str(), -1);
        pango_layout_set_attributes(layout_, plainLetters_);
    }
    double height(const std::string& text, const Font& f, double width) {
        if (text.empty()) return 0;
        setText(text, f, width);
        int w = 0, h = 0;
        pango_layout_get_size(layout_, &w, &h);
        return static_cast<double>(h) / PANGO_SCALE;
    }
    double textWidth(const std::string& text, const Font& f) {
        setText(text, f, -1);
        int w = 0, h = 0;
        pango_layout_get_size(layout_, &w, &h);
        return static_cast<double>(w) / PANGO_SCALE;
    }
    // Draws wrapped text; returns its height.
    double text(double x, double y, double width, const std::string& t, const Font& f, Rgb c,
                Align align = Align::Left, bool oneLine = false) {
        if (t.empty()) return 0;
        setText(t, f, width, align, oneLine);
        colour(c);
        cairo_move_to(cr_, x, y);
        pango_cairo_show_layout(cr_, layout_);
        int w = 0, h = 0;
        pango_layout_get_size(layout_, &w, &h);
        return static_cast<double>(h) / PANGO_SCALE;
    }

    // --- shapes -----------------------------------------------------------
    void colour(Rgb c) { cairo_set_source_rgb(cr_, c.r, c.g, c.b); }
    void box(double x, double y, double w, double h, Rgb c, double radius = 0) {
        colour(c);
        if (radius <= 0) {
            cairo_rectangle(cr_, x, y, w, h);
        } else {
            cairo_new_sub_path(cr_);
            cairo_arc(cr_, x + w - radius, y + radius, radius, -G_PI / 2, 0);
            cairo_arc(cr_, x + w - radius, y + h - radius, radius, 0, G_PI / 2);
            cairo_arc(cr_, x + radius, y + h - radius, radius, G_PI / 2, G_PI);
            cairo_arc(cr_, x + radius, y + radius, radius, G_PI, 3 * G_PI / 2);
            cairo_close_path(cr_);
        }
        cairo_fill(cr_);
    }
    void rule(double y, Rgb c, double weight = 0.6, double x0 = kLeft, double x1 = kRight) {
        colour(c);
        cairo_set_line_width(cr_, weight);
        cairo_move_to(cr_, x0, y);
        cairo_line_to(cr_, x1, y);
        cairo_stroke(cr_);
    }
    void picture(double x, double y, double w, double h) {
        cairo_save(cr_);
        cairo_rectangle(cr_, x, y, w, h);
        cairo_clip(cr_);
        cairo_translate(cr_, x, y);
        cairo_scale(cr_, w / photo_->width, h / photo_->height);
        cairo_set_source_surface(cr_, photo_->surface, 0, 0);
        cairo_paint(cr_);
        cairo_restore(cr_);
        colour(kRule);
        cairo_set_line_width(cr_, 0.6);
        cairo_rectangle(cr_, x, y, w, h);
        cairo_stroke(cr_);
    }

    // --- pages ------------------------------------------------------------
    void footer() {
        rule(kPageH - 36, kRule);
        const Font small{7.5};
        text(kLeft, kPageH - 30, kWidth * 0.75, sheet_.footer, small, kMuted, Align::Left, true);
        std::string number = "Page " + std::to_string(page_);
        if (pageCount_ > 0) number += " / " + std::to_string(pageCount_);
        text(kRight - 120, kPageH - 30, 120, number, small, kMuted, Align::Right);
    }
    void newPage() {
        footer();
        cairo_show_page(cr_);
        ++page_;
        const Font small{8};
        std::string running = sheet_.title + " \u2014 " + sheet_.heading;
        text(kLeft, 26, kWidth, running, small, kMuted, Align::Left, true);
        rule(42, kRule);
        y_ = 56;
    }
    // Starts a new page unless `h` points still fit on this one.
    void need(double h) {
        if (y_ + h > kBottom && y_ > 60) newPage();
    }

    void firstPageHeader() {
        box(0, 0, kPageW, kBandH, kAccent);
        const double leftW = kWidth * 0.58;
        text(kLeft, 17, leftW, sheet_.kind, Font{9}, Rgb{0.78, 0.84, 0.92});
        text(kLeft, 30, leftW, sheet_.title, Font{21, true}, kWhite);
        double ry = 16;
        const double rightW = kWidth - leftW - 12;
        for (const std::string& line : sheet_.issuer)
            ry += text(kRight - rightW, ry, rightW, line, Font{9, &line == &sheet_.issuer.front()}, kWhite,
                       Align::Right);
        text(kRight - rightW, std::max(ry + 2, 52.0), rightW, sheet_.printed, Font{8}, Rgb{0.78, 0.84, 0.92},
             Align::Right);

        y_ = kBandH + 16;
        const bool beside = photo_ && !sheet_.largePhoto;
        double photoW = 0, photoH = 0;
        if (photo_) {
            photoW = sheet_.largePhoto ? kWidth : 170;
            photoH = photoW * photo_->height / photo_->width;
            const double maxH = sheet_.largePhoto ? 260 : 128;
            if (photoH > maxH) {
                photoH = maxH;
                photoW = photoH * photo_->width / photo_->height;
            }
        }
        const double identityW = beside ? kWidth - photoW - 18 : kWidth;
        const double top = y_;
        y_ += text(kLeft, y_, identityW, sheet_.heading, Font{19, true}, kAccent);
        y_ += 2;
        y_ += text(kLeft, y_, identityW, sheet_.subheading, Font{11}, kMuted);
        y_ += 10;
        double x = kLeft;
        const Font badge{9, true};
        for (const std::string& b : sheet_.badges) {
            const double w = std::min(textWidth(b, badge) + 16, identityW);
            if (x > kLeft && x + w > kLeft + identityW) {
                x = kLeft;
                y_ += 24;
            }
            box(x, y_, w, 19, kFill, 4);
            text(x + 8, y_ + 3.5, w - 16, b, badge, kAccent, Align::Left, true);
            x += w + 8;
        }
        if (!sheet_.badges.empty()) y_ += 19;
        if (beside) {
            picture(kRight - photoW, top, photoW, photoH);
            y_ = std::max(y_, top + photoH);
        } else if (photo_) {
            y_ += 14;
            picture(kLeft + (kWidth - photoW) / 2, y_, photoW, photoH);
            y_ += photoH;
        }
        y_ += 14;
        if (!sheet_.banner.empty()) {
            const Font f{11, true};
            const double h = height(sheet_.banner, f, kWidth - 24) + 14;
            box(kLeft, y_, kWidth, h, kAlert, 4);
            text(kLeft + 12, y_ + 7, kWidth - 24, sheet_.banner, f, kWhite);
            y_ += h + 14;
        }
    }

    // Section title with its rule; kept on the page of what follows it.
    void sectionTitle(const std::string& title, double following) {
        if (title.empty()) {
            need(following);
            return;
        }
        const Font f{11, true};
        const double h = height(title, f, kWidth) + 6;
        need(h + following + 6);
        y_ += 6;
        text(kLeft, y_, kWidth, title, f, kAccent);
        y_ += h;
        rule(y_ - 2, kAccent, 1.1);
        y_ += 4;
    }

    // --- blocks -----------------------------------------------------------
    void draw(const FieldGroup& g) {
        std::vector<const Field*> fields;
        for (const Field& f : g.fields)
            if (!f.value.empty()) fields.push_back(&f);
        if (fields.empty()) return;
        const int columns = std::max(1, g.columns);
        const double gap = 18;
        const double colW = (kWidth - gap * (columns - 1)) / columns;
        const double labelW = std::min(colW * 0.42, 104.0);
        const Font label{8}, value{9.5};
        // Rows: up to `columns` ordinary fields, or one wide field.
        std::vector<std::vector<const Field*>> rows;
        for (const Field* f : fields) {
            if (f->wide || rows.empty() || rows.back().front()->wide ||
                static_cast<int>(rows.back().size()) == columns)
                rows.push_back({});
            rows.back().push_back(f);
            if (f->wide) rows.push_back({});
        }
        std::erase_if(rows, [](const auto& r) { return r.empty(); });
        auto rowHeight = [&](const std::vector<const Field*>& row) {
            double h = 0;
            for (const Field* f : row) {
                const double vw = (f->wide ? kWidth : colW) - labelW - 6;
                h = std::max({h, height(f->label, label, labelW) + 1.5, height(f->value, value, vw)});
            }
            return h + 5;
        };
        // A short group is kept on one page.
        double whole = 0;
        for (const auto& row : rows) whole += rowHeight(row);
        sectionTitle(g.title, whole <= (kBottom - 56) * 0.4 ? whole : rowHeight(rows.front()));
        for (const auto& row : rows) {
            checkTime();
            const double h = rowHeight(row);
            need(h);
            for (size_t i = 0; i < row.size(); ++i) {
                const Field* f = row[i];
                const double x = kLeft + i * (colW + gap);
                const double vw = (f->wide ? kWidth : colW) - labelW - 6;
                text(x, y_ + 4, labelW, f->label, label, kMuted);
                text(x + labelW + 6, y_ + 2.5, vw, f->value, value, kInk);
            }
            y_ += h;
            rule(y_, kFill, 0.8);
        }
        y_ += 3;
    }

    void draw(const Table& t) {
        double total = 0;
        for (const Column& c : t.columns) total += c.weight;
        std::vector<double> xs, ws;
        double x = kLeft;
        for (const Column& c : t.columns) {
            xs.push_back(x);
            ws.push_back(kWidth * c.weight / total);
            x += ws.back();
        }
        const Font head{7.5, true}, cell{8.5}, bold{8.5, true};
        auto lineHeight = [&](const std::vector<std::string>& line, const Font& f) {
            double h = 0;
            for (size_t i = 0; i < line.size() && i < ws.size(); ++i) h = std::max(h, height(line[i], f, ws[i] - 8));
            return std::max(h, f.size * 1.2) + 6;
        };
        auto drawLine = [&](const std::vector<std::string>& line, const Font& f, Rgb c) {
            for (size_t i = 0; i < line.size() && i < ws.size(); ++i)
                text(xs[i] + 4, y_ + 3, ws[i] - 8, line[i], f, c, t.columns[i].align);
        };
        std::vector<std::string> headers;
        for (const Column& c : t.columns) headers.push_back(c.header);
        const double headH = lineHeight(headers, head);
        auto header = [&] {
            box(kLeft, y_, kWidth, headH, kFill);
            drawLine(headers, head, kMuted);
            y_ += headH;
        };
        // A short table is kept on one page; a long one starts where it can.
        double whole = t.rows.empty() ? 20 : 0;
        for (const auto& line : t.rows) whole += lineHeight(line, cell);
        for (const auto& line : t.totals) whole += lineHeight(line, bold) + 1;
        const double first = t.rows.empty() ? 20 : lineHeight(t.rows.front(), cell);
        sectionTitle(t.title, headH + (whole <= (kBottom - 56) * 0.4 ? whole : first));
        header();
        if (t.rows.empty()) {
            y_ += text(kLeft + 4, y_ + 4, kWidth - 8, t.whenEmpty, Font{8.5, false, true}, kMuted) + 10;
        }
        for (size_t r = 0; r < t.rows.size(); ++r) {
            checkTime();
            const double h = lineHeight(t.rows[r], cell);
            if (y_ + h > kBottom) {
                newPage();
                header();
            }
            if (r % 2 == 1) box(kLeft, y_, kWidth, h, Rgb{0.975, 0.978, 0.985});
            drawLine(t.rows[r], cell, kInk);
            y_ += h;
        }
        if (!t.totals.empty()) {
            double h = 0;
            for (const auto& line : t.totals) h += lineHeight(line, bold);
            need(h + 2);
            rule(y_, kAccent, 0.9);
            y_ += 1;
            for (const auto& line : t.totals) {
                drawLine(line, bold, kInk);
                y_ += lineHeight(line, bold);
            }
        }
        y_ += 5;
    }

    void draw(const Figures& f) {
        if (f.items.empty()) return;
        const double gap = 10;
        const size_t n = f.items.size();
        // Tiles are at most a third of the width, set from the right so that
        // the strong figure, last, sits at the same place on every sheet.
        const double w = std::min((kWidth - gap * (n - 1)) / n, (kWidth - 2 * gap) / 3);
        const double x0 = kRight - (w * n + gap * (n - 1));
        const Font label{8}, value{15, true};
        double h = 0;
        for (const Figure& i : f.items)
            h = std::max(h, height(i.label, label, w - 20) + height(i.value, value, w - 20) + 18);
        const double noteH = f.note.empty() ? 0 : height(f.note, Font{7.5, false, true}, kWidth) + 6;
        sectionTitle(f.title, h + noteH);
        for (size_t k = 0; k < n; ++k) {
            const Figure& i = f.items[k];
            const double x = x0 + k * (w + gap);
            box(x, y_, w, h, i.strong ? kAccent : kFill, 5);
            const double lh = text(x + 10, y_ + 8, w - 20, i.label, label, i.strong ? Rgb{0.80, 0.86, 0.94} : kMuted);
            text(x + 10, y_ + 10 + lh, w - 20, i.value, value, i.strong ? kWhite : kAccent);
        }
        y_ += h;
        if (!f.note.empty()) y_ += text(kLeft, y_ + 5, kWidth, f.note, Font{7.5, false, true}, kMuted) + 6;
        y_ += 4;
    }

    void draw(const Paragraph& p) {
        if (p.text.empty()) return;
        const Font f{9.5};
        const double h = height(p.text, f, kWidth - 20) + 14;
        sectionTitle(p.title, std::min(h, 60.0));
        if (y_ + h <= kBottom) {
            box(kLeft, y_, kWidth, h, kFill, 4);
            text(kLeft + 10, y_ + 7, kWidth - 20, p.text, f, kInk);
            y_ += h + 8;
            return;
        }
        // Longer than the page allows: set line by line, going on over the next
        // pages. The lines come from a layout of their own, since the page
        // headers drawn on the way reuse the common one.
        PangoLayout* own = pango_cairo_create_layout(cr_);
        pango_font_description_set_absolute_size(font_, f.size * PANGO_SCALE);
        pango_font_description_set_weight(font_, PANGO_WEIGHT_NORMAL);
        pango_font_description_set_style(font_, PANGO_STYLE_NORMAL);
        pango_layout_set_font_description(own, font_);
        pango_layout_set_width(own, static_cast<int>((kWidth - 20) * PANGO_SCALE));
        pango_layout_set_wrap(own, PANGO_WRAP_WORD_CHAR);
        pango_layout_set_text(own, p.text.c_str(), -1);
        pango_layout_set_attributes(own, plainLetters_);
        PangoLayoutIter* it = pango_layout_get_iter(own);
        bool late = false;
        do {
            if (std::chrono::steady_clock::now() > deadline_) {
                late = true;
                break;
            }
            PangoRectangle logical;
            pango_layout_iter_get_line_extents(it, nullptr, &logical);
            const double lh = static_cast<double>(logical.height) / PANGO_SCALE;
            const double ascent = static_cast<double>(pango_layout_iter_get_baseline(it) - logical.y) / PANGO_SCALE;
            if (y_ + lh > kBottom) newPage();
            colour(kInk);
            cairo_move_to(cr_, kLeft + 10, y_ + ascent);
            pango_cairo_show_layout_line(cr_, pango_layout_iter_get_line_readonly(it));
            y_ += lh;
        } while (pango_layout_iter_next_line(it));
        pango_layout_iter_free(it);
        g_object_unref(own);
        if (late) checkTime();
        y_ += 8;
    }

    const Sheet& sheet_;
    const Picture* photo_;
    int pageCount_;
    std::chrono::steady_clock::time_point deadline_;
    cairo_surface_t* surface_ = nullptr;
    cairo_t* cr_ = nullptr;
    PangoLayout* layout_ = nullptr;
    PangoFontDescription* font_ = nullptr;
    PangoAttrList* plainLetters_ = nullptr;
    double y_ = 0;
    int page_ = 1;
};

}  // namespace

std::string CutText(const std::string& utf8, size_t characters, size_t lines) {
    size_t chars = 0, breaks = 0, i = 0;
    for (; i < utf8.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(utf8[i]);
        if ((c & 0xC0) == 0x80) continue;  // inside a character
        if (chars == characters || breaks == lines) break;
        ++chars;
        if (c == '\n') ++breaks;
    }
    if (i >= utf8.size()) return utf8;
    std::string cut = utf8.substr(0, i);
    while (!cut.empty() && (cut.back() == '\n' || cut.back() == '\r' || cut.back() == ' ')) cut.pop_back();
    return cut + "\u2026";
}

std::string RenderPdf(const Sheet& sheet, const RenderLimits& limits) {
    const Sheet bounded = Bounded(sheet);
    const std::unique_ptr<Picture> photo = DecodeJpeg(bounded.photoJpeg, limits.photoPixels);
    std::string scratch;
    const int pages = Painter(bounded, photo.get(), 0, &scratch, limits.deadline).paint();
    std::string pdf;
    Painter(bounded, photo.get(), pages, &pdf, limits.deadline).paint();
    return pdf;
}

}  // namespace stanor::dataservice::sheets
