#include "images/Reduction.h"

#include "images/JpegSegments.h"

#include <cctype>

namespace stanor::images {

std::string miniatureName(const std::string& targetName) {
    std::string out;
    out.reserve(targetName.size() + 4);
    std::size_t i = 0;
    while (i < targetName.size()) {
        if (i + 4 <= targetName.size() && targetName[i] == '.' &&
            std::tolower(static_cast<unsigned char>(targetName[i + 1])) == 'j' &&
            std::tolower(static_cast<unsigned char>(targetName[i + 2])) == 'p' &&
            std::tolower(static_cast<unsigned char>(targetName[i + 3])) == 'g') {
            out += "m.jpg";
            i += 4;
        } else {
            out += targetName[i++];
        }
    }
    return out;
}

ReducedPhoto reducePicture(Bitmap& picture, Simd simd, int threads) {
    if (picture.empty()) throw ImageError("Source bitmap too small");
    ReducedPhoto r;
    const bool keep = picture.width() == kPhotoWidth && picture.height() == kPhotoHeight;
    std::vector<Size> targets;
    if (!keep) targets.push_back({kPhotoWidth, kPhotoHeight});
    targets.push_back({kMiniWidth, kMiniHeight});
    std::vector<Bitmap> out = resampleTo(picture, targets, lanczos3(), simd, threads);
    r.photo = keep ? picture : std::move(out.front());
    r.miniature = std::move(out.back());
    return r;
}

ReducedPhoto reduceJpegData(const std::uint8_t* jpeg, std::size_t size, Simd simd, int threads) {
    int w = 0, h = 0;
    readJpegSize(jpeg, size, w, h);
    checkPictureSize(std::uint64_t(w), std::uint64_t(h));  // before any buffer is sized from it
    Bitmap source;
    // A photo taken with the phone turned is stored as the sensor saw it: it is stood upright
    // as the camera recorded, as every viewer shows it, before it is brought to size.
    if (const int orientation = exifOrientation(readSegments(jpeg, size)); orientation != 1) {
        decodeJpeg(jpeg, size, source);
        Bitmap upright = source.oriented(orientation);
        return reducePicture(upright, simd, threads);
    }
    if (w == kPhotoWidth && h == kPhotoHeight) {
        decodeJpeg(jpeg, size, source);
        return reducePicture(source, simd, threads);
    }
    std::vector<Bitmap> out = resampleStream(
        w, h, {{kPhotoWidth, kPhotoHeight}, {kMiniWidth, kMiniHeight}}, lanczos3(),
        [&](RowSink& sink) { decodeJpegRows(jpeg, size, sink); }, simd, threads);
    return {std::move(out[0]), std::move(out[1])};
}

void ReductionJPG(const std::string& source, const Bitmap* picture, const std::string& targetName,
                  const ReductionOptions& options) {
    auto memo = [&](const std::string& line) {
        if (options.memo) options.memo(line);
    };
    // A name without ".jpg" would give the miniature the photo's own name, and the miniature
    // would overwrite the photo; a path would write outside the folder.
    if (miniatureName(targetName) == targetName)
        throw ImageError("Nom de cliché invalide (il doit finir par .jpg) : " + targetName);
    if (targetName.find_first_of("/\\") != std::string::npos)
        throw ImageError("Nom de cliché invalide (un nom de fichier sans dossier) : " + targetName);
    const std::string label = source.empty() ? "\"image floutée\"" : source;
    memo("Réduction & Transferts de : " + label + " vers : " + targetName);
    memo("Lecture de : " + label);

    ReducedPhoto r;
    if (!source.empty()) {
        const FileBytes bytes(source);
        try {
            r = reduceJpegData(bytes.data(), bytes.size(), Simd::Best, options.threads);
        } catch (const ImageError& e) {
            throw ImageError(source + " : " + e.what());
        }
    } else {
        if (!picture) throw ImageError("Aucune image à réduire");
        Bitmap copy = *picture;
        r = reducePicture(copy, Simd::Best, options.threads);
    }

    const std::string dir = options.dir.empty() || options.dir.back() == '/' ? options.dir : options.dir + "/";
    const std::vector<std::uint8_t> photoJpeg = encodeJpeg(r.photo, options.jpeg);
    const std::vector<std::uint8_t> miniJpeg = encodeJpeg(r.miniature, options.jpeg);
    writeFileBytes(dir + targetName, photoJpeg);
    writeFileBytes(dir + miniatureName(targetName), miniJpeg);
}

}  // namespace stanor::images
