#include "grids/FrevoLines.h"

#include "rules/Values.h"
#include "service/TextTools.h"

namespace stanor::grids {

namespace {

QString fieldOf(const FrevoElement& e, const QString& name) { return e.value(name); }

}  // namespace

FrevoColumns describeFrevoColumns(const std::vector<pages::DescRow>& rows, const pages::TraceFn& trace) {
    return describeLineColumns(rows, QStringLiteral("gFrev"), kFrevoColumns, trace);
}

QString frevoCellValue(int dataType, const QString& text) {
    QString v = text;
    if (dataType == pages::DataType::Integer || dataType == pages::DataType::Decimal) v.remove(u' ');
    if (dataType == pages::DataType::Decimal) v = rules::showAmount(rules::amountOrZero(v));
    return v;
}

bool frevoCellEnabled(int column, bool templateLine, bool locked, bool rightCompta, bool inactive) {
    if (inactive || column <= ColIdFrevo || column > ColMontantHT) return false;
    if (templateLine) return column == ColDateFrevo;
    if (column == ColNComptable) return rightCompta;
    return !locked;
}

FrevoLoad loadFrevoLines(const FrevoColumns& columns, const std::vector<FrevoElement>& elements,
                         const pages::UserRights& rights, const QDate& today) {
    FrevoLoad out;
    out.rightCompta = rights.GetDataRights(QStringLiteral(";COMPTA;"));
    out.rows.push_back(columns.header);

    const auto held = [&rights](const pages::TsDesc& d) { return !d.RightsTags.isEmpty() && rights.GetDataRights(d.RightsTags); };
    for (const FrevoElement& e : elements) {
        if (int(out.looks.size()) == kFrevoMaxLines) {
            ++out.skipped;
            continue;
        }
        TsLine line = columns.header;
        line.Locked = !fieldOf(e, QStringLiteral("NComptable")).isEmpty() && !out.rightCompta;
        FrevoLineLook look;
        for (int k = 1; k <= kFrevoColumns; ++k) {
            pages::TsDesc& d = line.cell(k);
            if (d.FieldName.isEmpty()) continue;
            d.LoadedValue = d.CurrentValue = frevoCellValue(
                d.DataType, service::DecodeXmlText(fieldOf(e, d.FieldName), service::CrDecoding::Keep));
            // Greyed: without the column's rights, or with them on a line locked for this user.
            look.cells[size_t(k)].inactive = !held(d) || (line.Locked && !out.rightCompta);
            look.cells[size_t(k)].enabled =
                frevoCellEnabled(k, false, line.Locked, out.rightCompta, look.cells[size_t(k)].inactive);
        }
        // An invoiced or accounted line is deleted by accounting users only,
        // the others by those who may add lines.
        const bool mayDelete = out.rightCompta || (line.cell(ColNFacture).LoadedValue.isEmpty() && !line.Locked &&
                                                   !columns.addTag.isEmpty() && rights.GetDataRights(columns.addTag));
        look.icon = mayDelete ? FrevoIcon::Delete : FrevoIcon::Kept;
        look.hint = mayDelete ? kFrevoDeleteHint : QString();
        out.rows.push_back(std::move(line));
        out.looks.push_back(look);
    }

    if (!columns.addTag.isEmpty() && rights.GetDataRights(columns.addTag)) {
        TsLine line = columns.header;
        line.cell(ColDateFrevo).CurrentValue = rules::showDate(today);
        line.cell(ColTypeFrevo).CurrentValue = kFrevoNewType;
        FrevoLineLook look;
        look.icon = FrevoIcon::Template;
        look.hint = kFrevoAddHint;
        for (int k = 1; k <= kFrevoColumns; ++k) {
            const pages::TsDesc& d = line.cell(k);
            const bool inactive = d.FieldName.isEmpty() || !held(d);
            look.cells[size_t(k)].enabled = frevoCellEnabled(k, true, false, out.rightCompta, inactive);
        }
        out.rows.push_back(std::move(line));
        out.looks.push_back(look);
        out.hasTemplate = true;
    }
    return out;
}

std::vector<rules::CostLine> costLinesOf(const std::vector<TsLine>& rows) {
    std::vector<rules::CostLine> lines;
    for (size_t i = 1; i < rows.size(); ++i) {
        const TsLine& l = rows[i];
        lines.push_back({l.cell(ColDateFrevo).CurrentValue, l.cell(ColTypeFrevo).CurrentValue,
                         l.cell(ColMontantHT).CurrentValue});
    }
    return lines;
}

}  // namespace stanor::grids
