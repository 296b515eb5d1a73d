// The blurring window's answer to a track-bar move: the zone blurred again from its unblurred
// copy, put back into the photo and the photo repainted (offscreen), on a 640 x 480 photo. A move
// must be answered within one frame (16 ms).
#include "BenchMain.h"
#include "images/UnitBlur.h"
#include "platform/ConsoleDialogs.h"

#include <QSlider>

#include <benchmark/benchmark.h>

#include <random>

using namespace stanor::images;

namespace {

QImage photo() {
    QImage img(640, 480, QImage::Format_BGR888);
    std::mt19937 gen(11);
    for (int y = 0; y < 480; ++y) {
        uchar* p = img.scanLine(y);
        for (int x = 0; x < 640 * 3; ++x) p[x] = uchar((x * 7 + y * 3 + (gen() & 31)) & 0xFF);
    }
    return img;
}

// Arguments: the zone's width and height, the blur radius moved to (and back from, the other
// way each time: radius - 1).
void BM_TrackBarMove(benchmark::State& state) {
    stanor::platform::ConsoleDialogs dialogs;
    TFrmBlur form(dialogs);
    form.setPicture(photo());
    form.show();
    const int w = int(state.range(0)), h = int(state.range(1)), radius = int(state.range(2));
    const QPoint from((640 - w) / 2, (480 - h) / 2);
    form.Image1MouseDown(from);
    form.Image1MouseUp(from + QPoint(w, h));
    form.TrackBar2->setValue(100);
    bool flip = false;
    for (auto _ : state) {
        form.TrackBar1->setValue(flip ? radius - 1 : radius);
        form.Image1->repaint();
        flip = !flip;
    }
}
BENCHMARK(BM_TrackBarMove)
    ->Args({200, 60, 5})->Args({200, 60, 10})
    ->Args({640, 480, 3})->Args({640, 480, 10})
    ->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    // Measured offscreen whatever the environment names.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    return stanor::bench::runWithApplication(argc, argv);
}
