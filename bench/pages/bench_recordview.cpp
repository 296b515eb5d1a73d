// Time from the reload message to a record fully shown, requests to the data
// service on loopback included: a first description pass (a fresh form, so
// every page is described, its controls bound or created and filled) and a
// refresh of a record already described. The counter "service_ms" is the
// data service's own time per reload, summed from its request log.
#include "BenchMain.h"
#include "E2eService.h"
#include "ServiceLog.h"

#include "pages/RecordView.h"

#include <QElapsedTimer>

#include <QLabel>
#include <benchmark/benchmark.h>
#include <atomic>

namespace {

std::atomic<long long> serviceMicros{0};
long long requestMicros = 0;

// Times each record request as the client sees it (round trip on loopback).
void timeRequests(stanor::app::TAxStanor& form)
{
    auto* view = stanor::pages::RecordView::of(&form, {});
    auto send = view->host().httpExecute;
    view->host().httpExecute = [send](const QString& url, const QString& file) {
        QElapsedTimer t;
        t.start();
        send(url, file);
        requestMicros += t.nsecsElapsed() / 1000;
    };
}

void countServiceTime(const std::string& line) { serviceMicros += stanor::bench::serviceMicros(line); }

struct Setup {
    QTemporaryDir tmp;
    std::unique_ptr<e2e::RunningService> service;
    Setup() { service = std::make_unique<e2e::RunningService>(tmp.path(), countServiceTime); }
};

Setup& setup()
{
    static Setup s;
    return s;
}

void report(benchmark::State& state, long long micros, long long requests)
{
    state.counters["request_ms"] =
        benchmark::Counter(double(requests) / 1000.0, benchmark::Counter::kAvgIterations);
    state.counters["service_ms"] =
        benchmark::Counter(double(micros) / 1000.0, benchmark::Counter::kAvgIterations);
}

void configure(e2e::FormRun& run, const char* idTVO, const char* idTypeVO)
{
    run.set("idTVO", QString::fromLatin1(idTVO));
    run.set("idClient", QString());
    run.set("idTypeVO", QString::fromLatin1(idTypeVO));
    run.set("Trace", QStringLiteral("0"));
}

// A fresh form for every iteration: the reload describes and fills every page.
void BM_FirstDescriptionPass(benchmark::State& state)
{
    Setup& s = setup();
    long long micros = 0, requests = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto run = std::make_unique<e2e::FormRun>(s.tmp.path(), s.service->baseHRef());
        configure(*run, "1", "1");
        run->form = std::make_unique<stanor::app::TAxStanor>(
            stanor::app::AppContext{run->store, run->clock, run->dialogs, run->keyboard, run->env, false});
        // No timer tick: the start-up sequence has not shown anything yet, so
        // the reload below is the form's first description pass.
        timeRequests(*run->form);
        serviceMicros = 0;
        requestMicros = 0;
        state.ResumeTiming();
        run->form->OnMsgActualize();
        state.PauseTiming();
        micros += serviceMicros;
        requests += requestMicros;
        if (run->form->LbDebugInfo0->text().size())
            state.SkipWithError("la requête a échoué");
        run.reset();
        state.ResumeTiming();
    }
    report(state, micros, requests);
}

// The same form reloaded: pages are filled already, only values are refreshed.
void BM_RefreshDescribedRecord(benchmark::State& state)
{
    Setup& s = setup();
    e2e::FormRun run(s.tmp.path(), s.service->baseHRef());
    configure(run, "1", "1");
    run.start();
    run.form->OnMsgActualize();
    timeRequests(*run.form);
    long long micros = 0, requests = 0;
    for (auto _ : state) {
        serviceMicros = 0;
        requestMicros = 0;
        run.form->OnMsgActualize();
        micros += serviceMicros;
        requests += requestMicros;
    }
    if (run.form->LbDebugInfo0->text().size())
        state.SkipWithError("la requête a échoué");
    report(state, micros, requests);
}

// The refresh alone (UpdateView after a save): no reload message, so the
// connection to the service is kept and the answers of the lists stay.
void BM_UpdateViewKeptConnection(benchmark::State& state)
{
    Setup& s = setup();
    e2e::FormRun run(s.tmp.path(), s.service->baseHRef());
    configure(run, "1", "1");
    run.start();
    timeRequests(*run.form);
    long long micros = 0, requests = 0;
    for (auto _ : state) {
        serviceMicros = 0;
        requestMicros = 0;
        run.form->UpdateView(false);
        micros += serviceMicros;
        requests += requestMicros;
    }
    report(state, micros, requests);
}

BENCHMARK(BM_FirstDescriptionPass)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_RefreshDescribedRecord)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_UpdateViewKeptConnection)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace

int main(int argc, char** argv) { return stanor::bench::runWithApplication(argc, argv); }
