#include "PhotoTool.h"

#include "images/GBlur.h"
#include "images/Jpeg.h"
#include "images/Reduction.h"
#include "images/Resample.h"
#include "images/ResampleFast.h"
#include "images/ZoneBlur.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <map>
#include <optional>

namespace stanor::tools {

using namespace stanor::images;

namespace {

constexpr const char* kVersion = "stanor-photo 0.1";

constexpr const char* kHelp = R"(Usage : stanor-photo COMMANDE ...

  reduce SRC.jpg NOM.jpg [--dir DOSSIER] [--quality Q]
      écrit DOSSIER/NOM.jpg (640 x 480) et la miniature DOSSIER/NOMm.jpg (120 x 90),
      filtre Lanczos3 (dossier courant par défaut)
  resize SRC.jpg PHOTO.jpg MINIATURE.jpg [--quality Q]
      la même réduction, vers deux chemins donnés
  resample --filter NOM SRC DST LxH [--quality Q]
      rééchantillonne SRC (JPEG ou PPM selon l'extension) à L x H pixels ; filtres :
      Box, Triangle, Hermite, Bell, B-Spline, Lanczos3, Mitchell
  blur SRC DST --zone X,Y,L,H [--radius R] [--thickness E] [--rising] [--quality Q]
      floute la bande de la zone comme la fenêtre de floutage (rayon 5, épaisseur 30,
      bande descendante sauf avec --rising) ; sans --quality, seuls les blocs JPEG de la
      zone sont recodés et les autres pixels de la photo sont gardés tels quels.
      La photo floutée garde ses données EXIF, son profil de couleurs ICC et ses
      commentaires. Elle perd la vignette de l'EXIF (une copie réduite de la photo
      où la plaque se lit encore), les segments XMP, MPF (images jointes), Photoshop
      et ceux propres aux fabricants, et ce qui suit la fin de l'image

  --quality Q   qualité JPEG 1 à 100 (par défaut celle de l'encodeur)
  --threads N   nombre de fils de calcul (par défaut un par cœur)
  --help, --version
)";

class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Positional arguments and --name value options; flags listed in `flags` take no value.
struct Args {
    std::vector<std::string> positional;
    std::map<std::string, std::string> options;

    Args(const std::vector<std::string>& in, std::size_t from, const std::vector<std::string>& valued,
         const std::vector<std::string>& flags) {
        for (std::size_t i = from; i < in.size(); ++i) {
            const std::string& a = in[i];
            if (a.size() > 2 && a.compare(0, 2, "--") == 0) {
                const std::string name = a.substr(2);
                if (std::find(flags.begin(), flags.end(), name) != flags.end()) {
                    options[name] = "1";
                } else if (std::find(valued.begin(), valued.end(), name) != valued.end()) {
                    if (i + 1 >= in.size()) throw UsageError("valeur manquante après " + a);
                    options[name] = in[++i];
                } else {
                    throw UsageError("option inconnue : " + a);
                }
            } else {
                positional.push_back(a);
            }
        }
    }
    std::optional<std::string> get(const std::string& name) const {
        auto it = options.find(name);
        if (it == options.end()) return std::nullopt;
        return it->second;
    }
    void expect(std::size_t n, const char* what) const {
        if (positional.size() != n) throw UsageError(std::string("arguments attendus : ") + what);
    }
};

int parseInt(const std::string& text, const std::string& what, int min, int max) {
    int v = 0;
    const char* end = text.data() + text.size();
    auto [p, ec] = std::from_chars(text.data(), end, v);
    if (ec != std::errc() || p != end || v < min || v > max)
        throw UsageError(what + " invalide : \"" + text + "\" (" + std::to_string(min) + " à " +
                         std::to_string(max) + ")");
    return v;
}

std::vector<int> parseList(const std::string& text, char sep, std::size_t count, const std::string& what) {
    std::vector<int> values;
    std::size_t start = 0;
    for (;;) {
        std::size_t at = text.find(sep, start);
        values.push_back(parseInt(text.substr(start, at - start), what, 0, 1'000'000));
        if (at == std::string::npos) break;
        start = at + 1;
    }
    if (values.size() != count) throw UsageError(what + " invalide : \"" + text + "\"");
    return values;
}

JpegWriteOptions jpegOptions(const Args& a) {
    JpegWriteOptions o;
    if (auto q = a.get("quality")) o.quality = parseInt(*q, "qualité", 1, 100);
    return o;
}

int threadsOption(const Args& a) {
    auto t = a.get("threads");
    return t ? parseInt(*t, "nombre de fils", 1, 64) : 0;
}

int cmdReduce(const std::vector<std::string>& in) {
    Args a(in, 1, {"dir", "quality", "threads"}, {});
    a.expect(2, "SRC.jpg NOM.jpg");
    ReductionOptions o;
    o.dir = a.get("dir").value_or("");
    o.jpeg = jpegOptions(a);
    o.threads = threadsOption(a);
    ReductionJPG(a.positional[0], nullptr, a.positional[1], o);
    return kOk;
}

int cmdResize(const std::vector<std::string>& in) {
    Args a(in, 1, {"quality", "threads"}, {});
    a.expect(3, "SRC.jpg PHOTO.jpg MINIATURE.jpg");
    const JpegWriteOptions jo = jpegOptions(a);
    const FileBytes bytes(a.positional[0]);
    ReducedPhoto r;
    try {
        r = reduceJpegData(bytes.data(), bytes.size(), Simd::Best, threadsOption(a));
    } catch (const ImageError& e) {
        throw ImageError(a.positional[0] + " : " + e.what());
    }
    writePicture(r.photo, a.positional[1], jo);
    writePicture(r.miniature, a.positional[2], jo);
    return kOk;
}

int cmdResample(const std::vector<std::string>& in) {
    Args a(in, 1, {"filter", "quality", "threads"}, {});
    a.expect(3, "SRC DST LxH");
    const std::string name = a.get("filter").value_or("");
    const FilterEntry* f = findFilter(name);
    if (!f)
        throw UsageError("filtre inconnu : \"" + name +
                         "\" (Box, Triangle, Hermite, Bell, B-Spline, Lanczos3, Mitchell)");
    const std::vector<int> size = parseList(a.positional[2], 'x', 2, "taille");
    if (size[0] < 1 || size[1] < 1 || std::uint64_t(size[0]) * std::uint64_t(size[1]) > kMaxPixels)
        throw UsageError("taille invalide : \"" + a.positional[2] + "\"");
    Bitmap src = readPicture(a.positional[0]);
    Bitmap dst(size[0], size[1]);
    ResampleBitmapFast(src, dst, f->filter, f->support, Simd::Best, threadsOption(a));
    writePicture(dst, a.positional[1], jpegOptions(a));
    return kOk;
}

bool isPpm(const std::string& path) {
    return path.size() >= 4 && std::equal(path.end() - 4, path.end(), ".ppm", [](char a, char b) {
               return std::tolower(static_cast<unsigned char>(a)) == b;
           });
}

int cmdBlur(const std::vector<std::string>& in) {
    Args a(in, 1, {"zone", "radius", "thickness", "quality"}, {"rising"});
    a.expect(2, "SRC DST --zone X,Y,L,H");
    const auto zoneText = a.get("zone");
    if (!zoneText) throw UsageError("la zone est obligatoire : --zone X,Y,L,H");
    const std::vector<int> z = parseList(*zoneText, ',', 4, "zone");
    if (z[2] < 1 || z[3] < 1) throw UsageError("zone vide : \"" + *zoneText + "\"");
    ZoneBlurParams params;
    params.x = z[0], params.y = z[1], params.width = z[2], params.height = z[3];
    params.radius = a.get("radius") ? parseInt(*a.get("radius"), "rayon", 1, 100) : 5;
    params.thickness = a.get("thickness") ? parseInt(*a.get("thickness"), "épaisseur", 1, 1'000'000) : 30;
    params.leftToRight = !a.get("rising");
    const JpegWriteOptions jo = jpegOptions(a);
    const std::string& src = a.positional[0];
    const std::string& dst = a.positional[1];
    if (!isPpm(src) && !isPpm(dst)) {
        const FileBytes bytes(src);
        std::vector<std::uint8_t> out;
        try {
            out = blurZoneInJpeg(bytes.data(), bytes.size(), params, jo);
        } catch (const ImageError& e) {
            throw ImageError(src + " : " + e.what());
        }
        writeFileBytes(dst, out);
        return kOk;
    }
    Bitmap pic = readPicture(src);
    blurZone(pic, params);
    writePicture(pic, dst, jo);
    return kOk;
}

}  // namespace

int runPhotoTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (args.empty()) {
        err << kHelp;
        return kUsage;
    }
    const std::string& cmd = args[0];
    if (cmd == "help" || std::find(args.begin(), args.end(), "--help") != args.end() ||
        std::find(args.begin(), args.end(), "-h") != args.end()) {
        out << kHelp;
        return kOk;
    }
    if (cmd == "--version") {
        out << kVersion << '\n';
        return kOk;
    }
    try {
        if (cmd == "reduce") return cmdReduce(args);
        if (cmd == "resize") return cmdResize(args);
        if (cmd == "resample") return cmdResample(args);
        if (cmd == "blur") return cmdBlur(args);
        throw UsageError("commande inconnue : \"" + cmd + "\"");
    } catch (const UsageError& e) {
        err << "stanor-photo : " << e.what() << "\n(stanor-photo --help pour l'aide)\n";
        return kUsage;
    } catch (const std::exception& e) {
        err << "stanor-photo : erreur : " << e.what() << '\n';
        return kFailed;
    }
}

}  // namespace stanor::tools
