// Cost of translating the client's statements and of writing an answer.
#include "PgDialect.h"
#include "SqlDialect.h"
#include "TextCodec.h"
#include "TextFold.h"
#include "XmlAnswer.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <vector>

using namespace stanor::dataservice;

static void BM_TranslateSearch(benchmark::State& state) {
    const std::string sql =
        "SELECT TypeVO, idTVO as VO_ID, StatutVD, NVO as VO_NO, Immatriculation AS VO_IMMAT, [InfoMarque], [InfoModele], "
        "InfoVersion AS VO_VERSION, Acheteur AS VO_BUYER, DateOrdre AS VO_ORDRE, Immatriculation AS VO_Result, Site as "
        "VO_SITE, Concession, idOwner FROM TVehicles WHERE (TypeVO=2) and (isnull(StatutVD)) and (SITE='NORD') and "
        "(Immatriculation like '%AB%') ORDER BY Immatriculation, DateOrdre desc";
    for (auto _ : state) benchmark::DoNotOptimize(TranslateSql(sql));
}
BENCHMARK(BM_TranslateSearch);

static void BM_TranslateInsert(benchmark::State& state) {
    const std::string sql =
        "Insert into tVehicles (NVO,Site,InfoMarque,InfoModele,InfoVersion,DateEntree,MEC,KMS,PrixVente,Commentaires, "
        "idTVO, TypeVO, idVO, idOwner, Concession) Values (1300,'NORD','VW','GOLF','GOLF 1.5 TSI',#12/01/2026#,"
        "#05/12/2019#,84500,12500.00,'l''auto propre',:NewID, 1, :NewIDbis,2, 'ALV')";
    for (auto _ : state) benchmark::DoNotOptimize(TranslateSql(sql));
}
BENCHMARK(BM_TranslateInsert);

// The same search written out for the PostgreSQL store, after the translation.
static void BM_RenderSearchForPostgres(benchmark::State& state) {
    PgNames names;
    for (const char* c : {"TypeVO", "idTVO", "StatutVD", "NVO", "Immatriculation", "InfoMarque", "InfoModele",
                          "InfoVersion", "Acheteur", "DateOrdre", "Site", "Concession", "idOwner"})
        names.addColumn("tVehicles", c);
    names.addTable("tVehicles");
    const TranslatedSql t = TranslateSql(
        "SELECT TypeVO, idTVO as VO_ID, StatutVD, NVO as VO_NO, Immatriculation AS VO_IMMAT, [InfoMarque], [InfoModele], "
        "InfoVersion AS VO_VERSION, Acheteur AS VO_BUYER, DateOrdre AS VO_ORDRE, Immatriculation AS VO_Result, Site as "
        "VO_SITE, Concession, idOwner FROM TVehicles WHERE (TypeVO=2) and (isnull(StatutVD)) and (SITE='NORD') and "
        "(Immatriculation like '%AB1%') ORDER BY Immatriculation, DateOrdre desc");
    for (auto _ : state) benchmark::DoNotOptimize(RenderClientSql(t, names));
}
BENCHMARK(BM_RenderSearchForPostgres);

static void BM_ParseQuery(benchmark::State& state) {
    const std::string q = "XMLC_OutputFormat=XML&SQLExecute=Update%20tVehicles%20set%20Commentaires='caf%E9%20%22noir"
                          "%22%0D%0Aet%20cr%C3%A8me'%20where%20(idTVO=1)&idClient=";
    for (auto _ : state) benchmark::DoNotOptimize(ParseQuery(q));
}
BENCHMARK(BM_ParseQuery);

static void BM_WriteRecordAnswer(benchmark::State& state) {
    for (auto _ : state) {
        XmlAnswer a("Answer request=\"AxInfoVO\"");
        a.open("tVO");
        for (int i = 0; i < 110; ++i) a.element("Field" + std::to_string(i), "Valeur & texte accentué <" + std::to_string(i));
        a.close("tVO");
        benchmark::DoNotOptimize(a.finish());
    }
}
BENCHMARK(BM_WriteRecordAnswer);

// A registration search: LIKE '%AB%' on 10,000 plates, case ignored, in
// plain ASCII and with accented customer names.
static void BM_LikeWithoutCase(benchmark::State& state) {
    std::vector<std::string> texts;
    for (int i = 1; i <= 10000; ++i) {
        char plate[16];
        std::snprintf(plate, sizeof plate, "%c%c%03d%c%c", 'A' + i % 26, 'A' + (i / 26) % 26, (i * 7) % 1000,
                      'A' + (i / 676) % 26, 'A' + (i * 7) % 26);
        texts.push_back(state.range(0) ? std::string("LEFÈVRE ") + plate : std::string(plate));
    }
    const std::string pattern = state.range(0) ? "%lefè%ab%" : "%AB%";
    for (auto _ : state)
        for (const auto& t : texts) benchmark::DoNotOptimize(LikeWithoutCase(pattern, t));
}
BENCHMARK(BM_LikeWithoutCase)->Arg(0)->Arg(1);

static void BM_CompareWithoutCase(benchmark::State& state) {
    const std::string a = state.range(0) ? "LEFÈVRE HÉLÈNE" : "CLIENT12345", b = state.range(0) ? "lefèvre hélène" : "client12346";
    for (auto _ : state) benchmark::DoNotOptimize(CompareWithoutCase(a, b));
}
BENCHMARK(BM_CompareWithoutCase)->Arg(0)->Arg(1);

BENCHMARK_MAIN();
