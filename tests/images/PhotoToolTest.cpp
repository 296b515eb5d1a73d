#include "PhotoTool.h"
#include "TestImages.h"
#include "images/Jpeg.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <sys/wait.h>

using namespace stanor::images;
using namespace stanor::images::test;
using stanor::tools::runPhotoTool;

namespace {
struct ToolRun {
    int code;
    std::string out, err;
};

ToolRun run(std::vector<std::string> args) {
    std::ostringstream out, err;
    int code = runPhotoTool(args, out, err);
    return {code, out.str(), err.str()};
}

class PhotoTool : public ::testing::Test {
protected:
    void SetUp() override {
        writeJpegFile(photoLike(800, 600), dir.file("photo.jpg"));
        writePicture(photoLike(640, 480), dir.file("small.jpg"));
        const std::vector<std::uint8_t> good = readFileBytes(dir.file("photo.jpg"));
        writeFileBytes(dir.file("cut.jpg"), {good.begin(), good.begin() + long(good.size() / 2)});
        writeFileBytes(dir.file("text.jpg"), {'n', 'o', 'n'});
    }
    ScratchDir dir;
};
}  // namespace

TEST_F(PhotoTool, ReduceWritesThePhotoAndItsMiniature) {
    ToolRun r = run({"reduce", dir.file("photo.jpg"), "V0001234-03.JPG", "--dir", dir.path().string()});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(readJpegFile(dir.file("V0001234-03.JPG")).width(), 640);
    EXPECT_EQ(readJpegFile(dir.file("V0001234-03m.jpg")).width(), 120);

    r = run({"resize", dir.file("photo.jpg"), dir.file("main.jpg"), dir.file("thumb.jpg"), "--quality", "85"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(readJpegFile(dir.file("thumb.jpg")).height(), 90);
}

TEST_F(PhotoTool, ResampleAnyFilterAndFormat) {
    writePicture(randomBitmap(30, 20, 8), dir.file("in.ppm"));
    for (const char* f : {"Box", "Triangle", "Hermite", "Bell", "B-Spline", "Lanczos3", "Mitchell"}) {
        ToolRun r = run({"resample", "--filter", f, dir.file("in.ppm"), dir.file("out.ppm"), "13x41"});
        ASSERT_EQ(r.code, 0) << f << r.err;
        const Bitmap out = readPicture(dir.file("out.ppm"));
        EXPECT_EQ(out.width(), 13);
        EXPECT_EQ(out.height(), 41);
    }
    // Box at the same size through PPM is lossless.
    ASSERT_EQ(run({"resample", "--filter", "Box", dir.file("in.ppm"), dir.file("same.ppm"), "30x20"}).code, 0);
    EXPECT_TRUE(readPicture(dir.file("same.ppm")) == readPicture(dir.file("in.ppm")));
}

TEST_F(PhotoTool, BlurChangesTheZoneOnly) {
    Bitmap src = randomBitmap(64, 48, 9);
    writePicture(src, dir.file("b.ppm"));
    ToolRun r = run({"blur", dir.file("b.ppm"), dir.file("o.ppm"), "--zone", "10,8,30,20", "--thickness", "100"});
    ASSERT_EQ(r.code, 0) << r.err;
    const Bitmap out = readPicture(dir.file("o.ppm"));
    int changedIn = 0, changedOut = 0;
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x) {
            bool same = std::equal(out.scanLine(y) + x * 3, out.scanLine(y) + x * 3 + 3, src.scanLine(y) + x * 3);
            bool inside = x >= 10 && x < 40 && y >= 8 && y < 28;
            (inside ? changedIn : changedOut) += !same;
        }
    EXPECT_GT(changedIn, 500);
    EXPECT_EQ(changedOut, 0);
}

TEST_F(PhotoTool, PhotosThatViewersShowAreBlurredAndReduced) {
    std::vector<std::uint8_t> noEnd = readFileBytes(dir.file("photo.jpg"));
    noEnd.resize(noEnd.size() - 2);
    writeFileBytes(dir.file("noend.jpg"), noEnd);
    std::vector<std::uint8_t> stray = readFileBytes(dir.file("photo.jpg"));
    const std::string junk = "\r\n";
    stray.insert(stray.begin() + long(markerOffset(stray, 0xDB)), junk.begin(), junk.end());
    writeFileBytes(dir.file("stray.jpg"), stray);
    for (const char* name : {"noend.jpg", "stray.jpg"}) {
        ToolRun r = run({"blur", dir.file(name), dir.file("b.jpg"), "--zone", "100,100,200,60"});
        EXPECT_EQ(r.code, 0) << name << r.err;
        r = run({"reduce", dir.file(name), "N.jpg", "--dir", dir.path().string()});
        EXPECT_EQ(r.code, 0) << name << r.err;
        EXPECT_EQ(readJpegFile(dir.file("Nm.jpg")).width(), 120);
        std::filesystem::remove(dir.file("Nm.jpg"));
    }
}

TEST_F(PhotoTool, ErrorsAreClearAndExitNonZero) {
    const std::string photo = dir.file("photo.jpg"), out = dir.file("o.jpg");
    struct Row {
        std::vector<std::string> args;
        int code;
        const char* message;
    } rows[] = {
        {{}, 2, "Usage"},
        {{"shrink"}, 2, "commande inconnue"},
        {{"reduce", photo}, 2, "arguments attendus"},
        {{"reduce", dir.file("absent.jpg"), "N.jpg", "--dir", dir.path().string()}, 1, "Impossible de lire"},
        {{"reduce", dir.file("cut.jpg"), "N.jpg", "--dir", dir.path().string()}, 1, "Image JPEG illisible"},
        {{"reduce", dir.file("text.jpg"), "N.jpg", "--dir", dir.path().string()}, 1, "Image JPEG illisible"},
        {{"reduce", photo, "N.jpg", "--dir", dir.file("nowhere")}, 1, "Impossible d'écrire"},
        {{"reduce", photo, "N.jpg", "--quality", "0"}, 2, "qualité invalide"},
        {{"resample", "--filter", "Lanczos", photo, out, "10x10"}, 2, "filtre inconnu"},
        {{"resample", photo, out, "10x10"}, 2, "filtre inconnu"},
        {{"resample", "--filter", "Box", photo, out, "0x10"}, 2, "taille invalide"},
        {{"resample", "--filter", "Box", photo, out, "10"}, 2, "taille invalide"},
        {{"resample", "--filter", "Box", photo, out, "axb"}, 2, "taille invalide"},
        {{"resample", "--filter", "Box", photo, out, "60000x60000"}, 2, "taille invalide"},
        {{"blur", photo, out}, 2, "zone est obligatoire"},
        {{"blur", photo, out, "--zone", "1,2,3"}, 2, "zone invalide"},
        {{"blur", photo, out, "--zone", "10,10,0,5"}, 2, "zone vide"},
        {{"blur", photo, out, "--zone", "700,10,200,50"}, 1, "Zone en dehors de l'image (800 x 600)"},
        {{"blur", dir.file("cut.jpg"), out, "--zone", "0,0,10,10"}, 1, "Image JPEG illisible"},
        {{"blur", dir.file("text.jpg"), out, "--zone", "0,0,10,10"}, 1, "Image JPEG illisible"},
        {{"blur", photo, out, "--zone", "-5,10,20,20"}, 2, "zone invalide"},
        {{"blur", photo, out, "--zone", "0,0,10,10", "--radius", "0"}, 2, "rayon invalide"},
        {{"blur", photo, out, "--zone", "0,0,10,10", "--rising", "--bogus"}, 2, "option inconnue"},
        {{"blur", photo, out, "--zone"}, 2, "valeur manquante"},
    };
    for (const Row& row : rows) {
        ToolRun r = run(row.args);
        std::string joined;
        for (const auto& a : row.args) joined += a + " ";
        EXPECT_EQ(r.code, row.code) << joined << "\n" << r.err;
        EXPECT_NE(r.err.find(row.message), std::string::npos) << joined << "\n" << r.err;
    }
    EXPECT_FALSE(std::filesystem::exists(dir.file("N.jpg")));
}

TEST_F(PhotoTool, HelpAndTheRealProgramsExitCodes) {
    ToolRun help = run({"--help"});
    EXPECT_EQ(help.code, 0);
    EXPECT_NE(help.out.find("reduce SRC.jpg NOM.jpg"), std::string::npos);

    auto status = [](const std::string& cmd) {
        int s = std::system((cmd + " >/dev/null 2>&1").c_str());
        return WIFEXITED(s) ? WEXITSTATUS(s) : -1;
    };
    const std::string exe = STANOR_PHOTO_EXE;
    EXPECT_EQ(status(exe + " --version"), 0);
    EXPECT_EQ(status(exe + " reduce '" + dir.file("cut.jpg") + "' N.jpg --dir '" + dir.path().string() + "'"), 1);
    EXPECT_EQ(status(exe + " resample --filter Nope a b 1x1"), 2);
}
