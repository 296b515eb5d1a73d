// Reading a query answer of rows of ten fields with the tag scanner, the way
// every reader of answers does: open the section, then XmlNext each row and
// XmlGet each field. The time should grow in line with the answer's size.
#include "service/TXml.h"

#include <benchmark/benchmark.h>

#include <QStringList>

using namespace stanor::service;

namespace {

const QStringList& FieldNames()
{
    static const QStringList names = {"idTVO", "NVO", "Marque", "Modele", "Version",
                                      "Immat", "DateMEC", "PrixVente", "Km", "Statut"};
    return names;
}

QString Answer(qsizetype bytes)
{
    QString text = QStringLiteral("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><AXQueryS>");
    text.reserve(bytes + 512);
    for (int row = 0; text.size() < bytes; ++row) {
        text += QStringLiteral("<AXQuery>");
        for (const QString& name : FieldNames())
            text += u'<' + name + u'>' + QStringLiteral("valeur %1 \xe9").arg(row) + QStringLiteral("</") +
                    name + u'>';
        text += QStringLiteral("</AXQuery>");
    }
    text += QStringLiteral("</AXQueryS>");
    return text;
}

void BM_ScanRows(benchmark::State& state)
{
    TXml xml;
    xml.Text = Answer(state.range(0) * 1024 * 1024);
    qint64 rows = 0;
    for (auto _ : state) {
        XmlFind(xml, QStringLiteral("AXQueryS"));
        QString value;
        while (XmlNext(xml, QStringLiteral("AXQuery"))) {
            for (const QString& name : FieldNames())
                XmlGet(xml, name, value);
            ++rows;
        }
        benchmark::DoNotOptimize(value);
    }
    state.SetBytesProcessed(state.iterations() * xml.Text.size());
    state.counters["rows"] = benchmark::Counter(static_cast<double>(rows) / state.iterations());
}

}  // namespace

BENCHMARK(BM_ScanRows)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
