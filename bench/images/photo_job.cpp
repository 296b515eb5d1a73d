// The bench's jobs run REPEAT times in one process, for the side-by-side rows without start-up:
//   photo-job resize IN OUTDIR   (OUTDIR/main.jpg 640 x 480 and OUTDIR/thumb.jpg 120 x 90, Q85)
//   photo-job blur IN OUTDIR     (OUTDIR/blur.jpg, zone 220,210,200,60, radius 5, whole zone)
// Prints "MIN_MS MEDIAN_MS CPU_PER_WALL". QUALITY and ZONE are read from the environment.
#include "images/Jpeg.h"
#include "images/Reduction.h"
#include "images/ZoneBlur.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

using namespace stanor::images;

namespace {
double cpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}
int envInt(const char* name, int fallback) {
    const char* v = std::getenv(name);
    return v ? std::atoi(v) : fallback;
}
}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: photo-job resize|blur IN OUTDIR\n");
        return 2;
    }
    const std::string job = argv[1], in = argv[2], out = argv[3];
    const int repeat = std::max(1, envInt("REPEAT", 10));
    JpegWriteOptions q;
    q.quality = envInt("QUALITY", 85);
    ZoneBlurParams zone{220, 210, 200, 60, 5, 1 << 20, true};
    if (const char* z = std::getenv("ZONE")) std::sscanf(z, "%d,%d,%d,%d", &zone.x, &zone.y, &zone.width, &zone.height);
    try {
        std::vector<double> wall;
        const double cpu0 = cpuSeconds();
        for (int i = 0; i < repeat; ++i) {
            const auto t0 = std::chrono::steady_clock::now();
            const FileBytes bytes(in);
            if (job == "resize") {
                ReducedPhoto r = reduceJpegData(bytes.data(), bytes.size());
                writeFileBytes(out + "/main.jpg", encodeJpeg(r.photo, q));
                writeFileBytes(out + "/thumb.jpg", encodeJpeg(r.miniature, q));
            } else if (job == "blur") {
                writeFileBytes(out + "/blur.jpg", blurZoneInJpeg(bytes.data(), bytes.size(), zone, {}));
            } else {
                std::fprintf(stderr, "photo-job: unknown job %s\n", job.c_str());
                return 2;
            }
            wall.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
        }
        const double cpu = (cpuSeconds() - cpu0) * 1000.0;
        double total = 0;
        for (double w : wall) total += w;
        std::sort(wall.begin(), wall.end());
        std::printf("%.2f %.2f %.2f\n", wall.front(), wall[wall.size() / 2], cpu / total);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "photo-job: %s\n", e.what());
        return 1;
    }
    return 0;
}
