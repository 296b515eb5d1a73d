#include "grids/LineSources.h"

#include "service/TXml.h"

namespace stanor::grids {

using service::TXml;

namespace {

constexpr int kWidthWhenUnreadable = 20;

int columnWidth(const pages::DescRow& row) {
    bool ok = false;
    const int twips = row.text(QStringLiteral("width")).trimmed().toInt(&ok);
    return ok ? pages::twipsToPixels(twips) : kWidthWhenUnreadable;
}

// A scanner opened on the first element named list; false when the answer has none.
bool openList(TXml& xml, const QString& answer, const QString& list) {
    xml.Text = answer;
    service::XmlFind(xml, list);
    return !xml.Item.isEmpty();
}

}  // namespace

LineColumns describeLineColumns(const std::vector<pages::DescRow>& rows, const QString& descInfo, int maxColumns,
                                const pages::TraceFn& trace) {
    LineColumns out;
    maxColumns = std::min(maxColumns, kLineCells);
    for (const pages::DescRow& row : rows) {
        if (out.count == maxColumns) break;
        if (row.text(QStringLiteral("descInfo")) != descInfo) continue;
        const int k = ++out.count;
        pages::TsDesc& d = out.header.cell(k);
        pages::readFieldRow(d, row, false, trace);
        const QString tag = row.text(QStringLiteral("tag"));
        d.RightsTags = tag.isEmpty() ? QString() : pages::rightsTagsOf(tag);
        if (out.addTag.isEmpty()) out.addTag = d.RightsTags;
        LineColumnLook& look = out.looks[size_t(k)];
        look.caption = d.Caption;
        look.width = columnWidth(row);
        look.hidden = look.width == 0;
    }
    return out;
}

std::vector<pages::DescRow> gridDescRows(const QString& structAnswer, const QString& descInfo) {
    std::vector<pages::DescRow> rows;
    TXml xml;
    if (!openList(xml, structAnswer, QStringLiteral("axStructS"))) return rows;
    while (service::XmlNext(xml, QStringLiteral("axStruct"))) {
        QString kind;
        service::XmlGet(xml, QStringLiteral("descInfo"), kind);
        if (kind != descInfo) continue;
        rows.push_back(pages::readDescRow(
            [&xml](const QString& name, QString& value) { return service::XmlGet(xml, name, value); }));
    }
    return rows;
}

std::vector<AnswerElement> answerElements(const QString& answer, const QString& list, const QString& item,
                                          const QStringList& names) {
    std::vector<AnswerElement> out;
    TXml xml;
    if (!openList(xml, answer, list)) return out;
    while (service::XmlNext(xml, item)) {
        AnswerElement e;
        for (const QString& n : names) {
            QString v;
            if (service::XmlGet(xml, n, v)) e.insert(n, v);
        }
        out.push_back(std::move(e));
    }
    return out;
}

QString answerListText(const QString& answer, const QString& list) {
    TXml xml;
    return openList(xml, answer, list) ? xml.Item : QString();
}

}  // namespace stanor::grids
