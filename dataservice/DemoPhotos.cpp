#include "DemoPhotos.h"

#include "Store.h"

#include <turbojpeg.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace fs = std::filesystem;

namespace stanor::dataservice {

namespace {

struct Canvas {
    int w, h;
    std::vector<unsigned char> rgb;
    Canvas(int width, int height) : w(width), h(height), rgb(static_cast<size_t>(width) * height * 3) {}
    void put(int x, int y, unsigned r, unsigned g, unsigned b) {
        if (x < 0 || y < 0 || x >= w || y >= h) return;
        unsigned char* p = &rgb[(static_cast<size_t>(y) * w + x) * 3];
        p[0] = static_cast<unsigned char>(r);
        p[1] = static_cast<unsigned char>(g);
        p[2] = static_cast<unsigned char>(b);
    }
    void rect(double x0, double y0, double x1, double y1, unsigned r, unsigned g, unsigned b) {
        for (int y = static_cast<int>(y0 * h); y < static_cast<int>(y1 * h); ++y)
            for (int x = static_cast<int>(x0 * w); x < static_cast<int>(x1 * w); ++x) put(x, y, r, g, b);
    }
    void disc(double cx, double cy, double radius, unsigned r, unsigned g, unsigned b) {
        const double R = radius * h;
        for (int y = static_cast<int>(cy * h - R); y <= static_cast<int>(cy * h + R); ++y)
            for (int x = static_cast<int>(cx * w - R); x <= static_cast<int>(cx * w + R); ++x)
                if (std::hypot(x - cx * w, y - cy * h) <= R) put(x, y, r, g, b);
    }
};

}  // namespace

std::vector<unsigned char> DrawCarJpeg(int width, int height, unsigned seed) {
    Canvas c(width, height);
    for (int y = 0; y < height; ++y) {
        const bool sky = y < height * 0.6;
        const double t = static_cast<double>(y) / height;
        for (int x = 0; x < width; ++x)
            if (sky) c.put(x, y, 120 + static_cast<unsigned>(80 * t), 170 + static_cast<unsigned>(50 * t), 235);
            else c.put(x, y, 90, 90, 95);
    }
    static const unsigned kColours[][3] = {{200, 30, 30}, {30, 70, 170}, {230, 230, 230}, {40, 40, 40}, {120, 120, 125}};
    const unsigned* body = kColours[seed % 5];
    const double dx = ((seed / 5) % 5) * 0.02 - 0.04;
    c.rect(0.18 + dx, 0.45, 0.82 + dx, 0.68, body[0], body[1], body[2]);
    c.rect(0.30 + dx, 0.30, 0.68 + dx, 0.46, body[0], body[1], body[2]);
    c.rect(0.33 + dx, 0.33, 0.48 + dx, 0.45, 180, 210, 235);
    c.rect(0.50 + dx, 0.33, 0.65 + dx, 0.45, 180, 210, 235);
    c.disc(0.32 + dx, 0.69, 0.08, 20, 20, 20);
    c.disc(0.68 + dx, 0.69, 0.08, 20, 20, 20);
    c.rect(0.42 + dx, 0.58, 0.58 + dx, 0.64, 250, 250, 250);   // licence plate
    c.rect(0.42 + dx, 0.58, 0.43 + dx, 0.64, 30, 60, 160);
    tjhandle tj = tjInitCompress();
    if (!tj) throw std::runtime_error("compression JPEG indisponible");
    unsigned char* out = nullptr;
    unsigned long size = 0;
    int rc = tjCompress2(tj, c.rgb.data(), width, 0, height, TJPF_RGB, &out, &size, TJSAMP_420, 85, 0);
    std::vector<unsigned char> bytes;
    if (rc == 0) bytes.assign(out, out + size);
    tjFree(out);
    tjDestroy(tj);
    if (rc != 0) throw std::runtime_error("compression JPEG impossible");
    return bytes;
}

int EnsureDemoPhotos(Store& db, const std::string& imagesDir) {
    fs::create_directories(imagesDir);
    auto session = db.acquire();
    ResultSet links = session->query("SELECT NomImage FROM \"tVO - Liens Images\" WHERE NomImage IS NOT NULL");
    int written = 0;
    for (size_t i = 0; i < links.rows.size(); ++i) {
        const std::string& name = links.rows[i][0];
        if (name.empty() || name.find_first_of("/\\") != std::string::npos || name[0] == '.') continue;
        unsigned seed = 0;
        for (char ch : name) seed = seed * 31 + static_cast<unsigned char>(ch);
        const std::pair<std::string, std::pair<int, int>> files[] = {
            {name + ".jpg", {640, 480}}, {name + "m.jpg", {120, 90}}};
        for (const auto& [file, size] : files) {
            fs::path path = fs::path(imagesDir) / file;
            if (fs::exists(path)) continue;
            std::vector<unsigned char> jpeg = DrawCarJpeg(size.first, size.second, seed);
            std::ofstream out(path, std::ios::binary);
            out.write(reinterpret_cast<const char*>(jpeg.data()), static_cast<std::streamsize>(jpeg.size()));
            if (!out) throw std::runtime_error("écriture impossible : " + path.string());
            ++written;
        }
    }
    return written;
}

}  // namespace stanor::dataservice
