// One field edited and saved, the page clean again: the time from the change
// in the control (its change event, the page's statement) through
// SaveChanges (the request to the data service on loopback, the loaded
// values brought up to date) to the save button disabled again. Counters:
// the median and 90th percentile of one save, the data service's own time
// per save (from its request log) and the client's side, the median less
// the service's time.
#include "BenchMain.h"
#include "E2eService.h"
#include "ServiceLog.h"

#include "pages/RecordView.h"
#include "toolkit/Controls.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <algorithm>
#include <atomic>
#include <benchmark/benchmark.h>

namespace {

std::atomic<long long> serviceMicros{0};

void countServiceTime(const std::string& line) { serviceMicros += stanor::bench::serviceMicros(line); }

double percentile(std::vector<double> v, double p)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, static_cast<size_t>(p * double(v.size())))];
}

void BM_SaveOneField(benchmark::State& state)
{
    QTemporaryDir tmp;
    e2e::RunningService dataService(tmp.path(), countServiceTime);
    e2e::FormRun run(tmp.path(), dataService.baseHRef());
    run.set("idTVO", QStringLiteral("1"));
    run.set("idClient", QString());
    run.set("idTypeVO", QStringLiteral("1"));
    run.set("Trace", QStringLiteral("0"));
    stanor::app::TAxStanor& form = run.start();
    auto* kms = stanor::toolkit::asFieldControl(form.findChild<QWidget*>(QStringLiteral("cKMS")));
    if (!kms) {
        state.SkipWithError("cKMS absent");
        return;
    }
    std::vector<double> ms;
    long long service = 0;
    int n = 0;
    for (auto _ : state) {
        serviceMicros = 0;
        QElapsedTimer t;
        t.start();
        kms->setText(QString::number(80000 + (n++ % 1000)));
        const bool saved = form.SaveChanges();
        const bool clean = !form.JvXPBtnSave->isEnabled();
        ms.push_back(double(t.nsecsElapsed()) / 1e6);
        service += serviceMicros;
        if (!saved || !clean || !form.LbDebugInfo0->text().isEmpty()) {
            state.SkipWithError("l'enregistrement a échoué");
            break;
        }
    }
    const double median = percentile(ms, 0.5);
    const double serviceMs = ms.empty() ? 0 : double(service) / 1000.0 / double(ms.size());
    state.counters["median_ms"] = median;
    state.counters["p90_ms"] = percentile(ms, 0.9);
    state.counters["service_ms"] = serviceMs;
    state.counters["client_ms"] = median - serviceMs;
}

BENCHMARK(BM_SaveOneField)->Unit(benchmark::kMillisecond)->MinTime(3.0);

}  // namespace

int main(int argc, char** argv) { return stanor::bench::runWithApplication(argc, argv); }
