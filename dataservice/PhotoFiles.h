#pragma once
// The files of a photo upload: the names that the photos of a vehicle take,
// and their placement in the images folder, both files or none, together with
// the link row of the upload.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace stanor::dataservice {

// One photo of one vehicle: "V0001234-03" is photo 3 of vehicle 1234.
struct PhotoName {
    std::string stem;    // the name without ".jpg", as the link row keeps it
    long long idVO = 0;
};

// The photo of an upload when `photo` and `miniature` name one photo of one
// vehicle: "V" + the vehicle id on at least 7 digits + "-" + the photo number
// on at least 2 digits + ".jpg", and the same stem + "m.jpg". Otherwise
// nothing, with the French reason in `why`.
std::optional<PhotoName> ParsePhotoNames(const std::string& photo, const std::string& miniature, std::string& why);

// Why the bytes of an uploaded file are not a photo the service keeps, or
// "": the file must be a JPEG picture of at most `maxPixels` that decodes
// whole (every row of every scan), whatever its first bytes say, so that a
// page or a script dressed as a photo is never served as one.
std::string PhotoRefusal(const std::string& bytes, uint64_t maxPixels);

// Files written under temporary names, then put in place together: what they
// replace is kept aside until the upload is known to have committed, and put
// back when it did not. Temporary and kept names start with "." (never served).
class PhotoFiles {
public:
    explicit PhotoFiles(std::filesystem::path dir);
    ~PhotoFiles();  // takes back what was put in place unless kept; removes temporaries
    PhotoFiles(const PhotoFiles&) = delete;
    PhotoFiles& operator=(const PhotoFiles&) = delete;

    // Writes `bytes` under a temporary name, to become `name`. "" or why not.
    std::string stage(const std::string& name, const std::string& bytes);
    // The staged file to become `from` becomes `to` instead (before putInPlace).
    void retarget(const std::string& from, const std::string& to);
    // Puts every staged file in place. "" or why not, everything then taken back.
    std::string putInPlace();
    // The upload committed: what was replaced is dropped.
    void keep();
    // The upload failed: the folder is as it was before putInPlace.
    void takeBack();

private:
    struct Entry {
        std::filesystem::path temp, target, former;
        bool hadFormer = false;  // a file of that name existed and was kept aside
        bool placed = false;
    };
    std::filesystem::path dir_;
    std::vector<Entry> entries_;
    bool kept_ = false;
};

}  // namespace stanor::dataservice
