// One search round trip as the timer runs it: the statement built from the
// panel, the AxQuery request to the data service on loopback, the answer
// read and its rows (at most 50) in the result grid. Against the benchmark
// database of scripts/gen-bench-db (10,000 vehicles, 20,000 customers),
// named by STANOR_BENCH_DB. Counters: p50_ms and p99_ms of the round trips,
// service_ms the data service's own time per search (from its request log)
// and service_share its part of the mean round trip.
#include "BenchMain.h"
#include "E2eService.h"
#include "ServiceLog.h"

#include "search/SearchPanel.h"
#include "toolkit/Controls.h"
#include "toolkit/Grid.h"

#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <algorithm>
#include <atomic>
#include <benchmark/benchmark.h>
#include <vector>

namespace {

using stanor::search::ModePair;

std::atomic<long long> serviceMicros{0};

// The time of the searches only.
void countServiceTime(const std::string& line)
{
    if (line.find("/AxQuery") != std::string::npos)
        serviceMicros += stanor::bench::serviceMicros(line);
}

struct Setup {
    QTemporaryDir tmp;
    std::unique_ptr<e2e::RunningService> service;
    std::unique_ptr<e2e::FormRun> vehicles, customers;
    QString fault;

    Setup()
    {
        const QString db = QString::fromLocal8Bit(qgetenv("STANOR_BENCH_DB"));
        if (db.isEmpty() || !QFile::exists(db)) {
            fault = QStringLiteral("STANOR_BENCH_DB ne nomme aucune base (scripts/bench-search la crée)");
            return;
        }
        QFile::copy(db, tmp.path() + QStringLiteral("/demo.db"));
        service = std::make_unique<e2e::RunningService>(tmp.path(), countServiceTime);
        vehicles = start("101", "");
        customers = start("", "101");
    }
    std::unique_ptr<e2e::FormRun> start(const char* idTVO, const char* idClient)
    {
        auto run = std::make_unique<e2e::FormRun>(tmp.path(), service->baseHRef(), false);
        run->set("idTVO", QString::fromLatin1(idTVO));
        run->set("idClient", QString::fromLatin1(idClient));
        run->set("idTypeVO", QStringLiteral("1"));
        run->start();
        return run;
    }
};

std::unique_ptr<Setup> shared;

Setup& setup()
{
    if (!shared)
        shared = std::make_unique<Setup>();
    return *shared;
}

double percentile(std::vector<double> v, double p)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, size_t(p * double(v.size() - 1) + 0.5))];
}

void roundTrip(benchmark::State& state, bool customer, ModePair pair, const char* text)
{
    Setup& s = setup();
    if (!s.fault.isEmpty()) {
        state.SkipWithError(s.fault.toStdString().c_str());
        return;
    }
    stanor::app::TAxStanor& form = *(customer ? s.customers : s.vehicles)->form;
    stanor::search::SearchPanel& panel = form.Search();
    panel.BtnActivate(pair);
    panel.ncbSearch->setText(QString::fromLatin1(text));
    std::vector<double> ms;
    long long service = 0;
    int rows = 0;
    for (auto _ : state) {
        serviceMicros = 0;
        QElapsedTimer t;
        t.start();
        panel.HttpGetSearchInfo();
        ms.push_back(double(t.nsecsElapsed()) / 1e6);
        service += serviceMicros;
        rows = panel.ngSearch->rowCount();
    }
    if (!form.LbDebugInfo0->text().isEmpty())
        state.SkipWithError(form.LbDebugInfo0->text().toStdString().c_str());
    double mean = 0;
    for (double m : ms)
        mean += m;
    mean /= double(std::max<size_t>(ms.size(), 1));
    const double serviceMs = double(service) / 1000.0 / double(std::max<size_t>(ms.size(), 1));
    state.counters["rows"] = rows;
    state.counters["p50_ms"] = percentile(ms, 0.50);
    state.counters["p99_ms"] = percentile(ms, 0.99);
    state.counters["service_ms"] = serviceMs;
    state.counters["service_share"] = mean > 0 ? serviceMs / mean : 0;
}

// Vehicle pages.
void BM_RegistrationContains(benchmark::State& st) { roundTrip(st, false, ModePair::Immat, "A"); }
void BM_BuyerContains(benchmark::State& st) { roundTrip(st, false, ModePair::Client, "ACHETEUR 1"); }
void BM_StockNumberFrom(benchmark::State& st) { roundTrip(st, false, ModePair::NVO, "9000"); }
// Customer pages.
void BM_CustomerVehicleRegistration(benchmark::State& st) { roundTrip(st, true, ModePair::Immat, "P0001"); }
void BM_CustomerName(benchmark::State& st) { roundTrip(st, true, ModePair::Client, "CLIENT1"); }
void BM_CustomerMobile(benchmark::State& st) { roundTrip(st, true, ModePair::Mobile, "06000"); }

BENCHMARK(BM_RegistrationContains)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_BuyerContains)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_StockNumberFrom)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_CustomerVehicleRegistration)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_CustomerName)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_CustomerMobile)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace

int main(int argc, char** argv)
{
    // The forms go before the application object.
    return stanor::bench::runWithApplication(argc, argv, [] { shared.reset(); });
}
