// Image pipeline benchmarks. With STANOR_BENCH_PHOTO set to a JPEG file, the reduction runs on
// that photo; otherwise on a synthetic 4000 x 3000 picture encoded in memory.
#include "images/GBlur.h"
#include "images/Jpeg.h"
#include "images/Reduction.h"
#include "images/Resample.h"
#include "images/ResampleFast.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <random>

using namespace stanor::images;

namespace {

Bitmap texture(int w, int h) {
    Bitmap b(w, h);
    std::mt19937 gen(7);
    for (int y = 0; y < h; ++y) {
        std::uint8_t* p = b.scanLine(y);
        for (int x = 0; x < w; ++x, p += 3) {
            const unsigned n = gen() & 31;
            p[0] = std::uint8_t((x * 7 + n) & 0xFF);
            p[1] = std::uint8_t((y * 5 + n) & 0xFF);
            p[2] = std::uint8_t(((x ^ y) + n) & 0xFF);
        }
    }
    return b;
}

const std::vector<std::uint8_t>& photoJpeg() {
    static const std::vector<std::uint8_t> bytes = [] {
        if (const char* path = std::getenv("STANOR_BENCH_PHOTO")) return readFileBytes(path);
        return encodeJpeg(texture(4000, 3000), {92});
    }();
    return bytes;
}

const Bitmap& photoBitmap() {
    static const Bitmap bmp = [] {
        Bitmap b;
        decodeJpeg(photoJpeg(), b);
        return b;
    }();
    return bmp;
}

void BM_Decode(benchmark::State& state) {
    for (auto _ : state) {
        Bitmap b;
        decodeJpeg(photoJpeg(), b);
        benchmark::DoNotOptimize(b.bits());
    }
}
BENCHMARK(BM_Decode)->Unit(benchmark::kMillisecond);

// The full local job: decode, 640 x 480 and 120 x 90 from the full-size source, encode both.
void BM_ReduceJob(benchmark::State& state) {
    const auto& jpeg = photoJpeg();
    for (auto _ : state) {
        ReducedPhoto r = reduceJpegData(jpeg.data(), jpeg.size(), Simd::Best, int(state.range(0)));
        benchmark::DoNotOptimize(encodeJpeg(r.photo, {85}));
        benchmark::DoNotOptimize(encodeJpeg(r.miniature, {85}));
    }
}
BENCHMARK(BM_ReduceJob)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ResamplePlain(benchmark::State& state) {
    for (auto _ : state) {
        Bitmap src = photoBitmap(), dst(640, 480);
        ResampleBitmap(src, dst, Lanczos3Filter, 3.0f);
        benchmark::DoNotOptimize(dst.bits());
    }
}
BENCHMARK(BM_ResamplePlain)->Unit(benchmark::kMillisecond)->Iterations(2);

// Arguments: vector unit (0 SSE2, 1 AVX2), threads.
void BM_ResampleFast(benchmark::State& state) {
    Bitmap src = photoBitmap();
    const Simd simd = state.range(0) ? Simd::Avx2 : Simd::Sse2;
    for (auto _ : state) {
        Bitmap dst(640, 480);
        ResampleBitmapFast(src, dst, Lanczos3Filter, 3.0f, simd, int(state.range(1)));
        benchmark::DoNotOptimize(dst.bits());
    }
}
BENCHMARK(BM_ResampleFast)->Args({0, 1})->Args({1, 1})->Args({1, 2})->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_BlurBandZone(benchmark::State& state) {
    const Bitmap zone = texture(200, 60);
    for (auto _ : state) {
        Bitmap z = zone;
        BlurBand(zone, z, true, 30, double(state.range(0)));
        benchmark::DoNotOptimize(z.bits());
    }
}
BENCHMARK(BM_BlurBandZone)->Arg(2)->Arg(5)->Arg(10)->Unit(benchmark::kMicrosecond);

// The whole of a 640 x 480 photo blurred: the largest zone the blurring window can take.
void BM_GBlurWholePhoto(benchmark::State& state) {
    const Bitmap photo = texture(640, 480);
    for (auto _ : state) {
        Bitmap b = photo;
        GBlur(b, double(state.range(0)));
        benchmark::DoNotOptimize(b.bits());
    }
}
BENCHMARK(BM_GBlurWholePhoto)->Arg(2)->Arg(10)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
