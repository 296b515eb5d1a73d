#include "PhotoFiles.h"

#include "images/Jpeg.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstring>
#include <semaphore>
#include <vector>

namespace fs = std::filesystem;

namespace stanor::dataservice {

namespace {

bool Digits(const std::string& s, size_t from, size_t to) {
    if (from >= to) return false;
    for (size_t i = from; i < to; ++i)
        if (!std::isdigit(static_cast<unsigned char>(s[i]))) return false;
    return true;
}

std::string Failed(const std::string& what) {
    return "Écriture de la photo impossible dans le dossier des images (" + what + " : " + std::strerror(errno) + ")";
}

}  // namespace

std::string PhotoRefusal(const std::string& bytes, uint64_t maxPixels) {
    // A photo of many scans keeps all its coefficients while it decodes: two at
    // a time keep that memory bounded whatever the number of uploads.
    static std::counting_semaphore<2> decoders(2);
    const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
    // Rows go through a band of sixteen, reused.
    struct Band : images::RowSink {
        std::vector<std::uint8_t> rows;
        size_t stride = 0;
        void begin(int width, int) override {
            stride = static_cast<size_t>(width) * 3 + 4;
            rows.assign(stride * 16, 0);
        }
        std::uint8_t* row(int y) override { return rows.data() + stride * static_cast<size_t>(y % 16); }
        void rowsDone(int) override {}
    } band;
    try {
        int width = 0, height = 0;
        images::readJpegSize(data, bytes.size(), width, height);
        if (static_cast<uint64_t>(width) * static_cast<uint64_t>(height) > maxPixels)
            return "Photo trop grande : " + std::to_string(width) + " x " + std::to_string(height) + " pixels (au plus " +
                   std::to_string(maxPixels / 1'000'000) + " mégapixels)";
        decoders.acquire();
        struct Release {
            ~Release() { decoders.release(); }
        } release;
        images::decodeJpegRows(data, bytes.size(), band);
    } catch (const std::exception& e) {
        return std::string("Le fichier envoyé n'est pas une photo JPEG lisible : ") + e.what();
    }
    return {};
}

std::optional<PhotoName> ParsePhotoNames(const std::string& photo, const std::string& miniature, std::string& why) {
    const std::string ext = ".jpg";
    const size_t dash = photo.find('-');
    const bool shaped = photo.size() > ext.size() && photo.size() <= 40 && photo[0] == 'V' &&
                        photo.compare(photo.size() - ext.size(), ext.size(), ext) == 0 && dash != std::string::npos &&
                        dash >= 8 && Digits(photo, 1, dash) && photo.size() - ext.size() - dash - 1 >= 2 &&
                        Digits(photo, dash + 1, photo.size() - ext.size());
    if (!shaped || dash > 19) {
        why = "Nom de photo refusé : \"" + photo.substr(0, 60) +
              "\" (V, le numéro du véhicule sur 7 chiffres au moins, -, le numéro de la photo sur 2 chiffres au "
              "moins, .jpg)";
        return std::nullopt;
    }
    PhotoName name;
    name.stem = photo.substr(0, photo.size() - ext.size());
    name.idVO = std::stoll(photo.substr(1, dash - 1));
    if (miniature != name.stem + "m" + ext) {
        why = "Nom de miniature refusé : \"" + miniature.substr(0, 60) + "\" (attendu : " + name.stem + "m.jpg)";
        return std::nullopt;
    }
    return name;
}

PhotoFiles::PhotoFiles(fs::path dir) : dir_(std::move(dir)) {}

PhotoFiles::~PhotoFiles() {
    if (!kept_) takeBack();
    std::error_code ec;
    for (const Entry& e : entries_)
        if (!e.placed) fs::remove(e.temp, ec);
}

std::string PhotoFiles::stage(const std::string& name, const std::string& bytes) {
    std::error_code ec;
    fs::create_directories(dir_, ec);
    std::string pattern = (dir_ / ("." + name + ".XXXXXX")).string();
    const int fd = ::mkstemp(pattern.data());
    if (fd < 0) return Failed("fichier temporaire");
    Entry entry;
    entry.temp = pattern;
    entry.target = dir_ / name;
    entry.former = pattern + ".old";
    entries_.push_back(entry);
    // Served to everyone like the other photos; on disk before it takes its name.
    bool ok = ::fchmod(fd, 0644) == 0;
    for (size_t done = 0; ok && done < bytes.size();) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        ok = n > 0;
        if (ok) done += static_cast<size_t>(n);
    }
    ok = ok && ::fsync(fd) == 0;
    const std::string why = ok ? std::string() : Failed(name);
    ::close(fd);
    return why;
}

void PhotoFiles::retarget(const std::string& from, const std::string& to) {
    for (Entry& e : entries_)
        if (!e.placed && e.target.filename() == from) e.target = dir_ / to;
}

std::string PhotoFiles::putInPlace() {
    for (Entry& e : entries_) {
        // A hard link keeps the former file aside while its name always serves
        // one whole photo, the former or the new one.
        if (::link(e.target.c_str(), e.former.c_str()) == 0) {
            e.hadFormer = true;
        } else if (errno != ENOENT) {
            const std::string why = Failed(e.target.filename().string());
            takeBack();
            return why;
        }
        if (::rename(e.temp.c_str(), e.target.c_str()) != 0) {
            const std::string why = Failed(e.target.filename().string());
            takeBack();
            return why;
        }
        e.placed = true;
    }
    return {};
}

void PhotoFiles::keep() {
    kept_ = true;
    for (Entry& e : entries_)
        if (e.hadFormer) ::unlink(e.former.c_str());
}

void PhotoFiles::takeBack() {
    for (auto e = entries_.rbegin(); e != entries_.rend(); ++e) {
        if (e->placed) {
            if (e->hadFormer) ::rename(e->former.c_str(), e->target.c_str());
            else ::unlink(e->target.c_str());
        } else if (e->hadFormer) {
            ::unlink(e->former.c_str());
        }
        e->placed = false;
        e->hadFormer = false;
    }
}

}  // namespace stanor::dataservice
