#include "grids/LineStatement.h"

#include "grids/ActionLines.h"

#include "records/SqlLiterals.h"
#include "records/UpdateConflict.h"
#include "rules/Values.h"

#include <QStringList>

namespace stanor::grids {

namespace {

using records::SqlLiteral;
using records::SqlValue;

// The columns a line statement adds to an insert: the record it belongs to
// and its own key, allocated by the service.
struct LineTable {
    QString table;
    const char* recordColumn;
    const char* keyColumn;
};

LineStatement build(TsLine& line, const LineRequest& req, const LineTable& t) {
    LineStatement out;
    if (req.PageFilling || req.RecordId.isEmpty()) return out;
    if (!records::IsIdentifier(req.RecordId)) {
        out.Reason = QStringLiteral("l'identifiant « %1 » n'est pas un nombre").arg(req.RecordId);
        return out;
    }
    out.Built = true;
    out.NewRow = req.NewLine;
    QStringList names, values, sets, loaded;
    QString key, keyProblem;
    for (int k = 1; k <= kLineCells; ++k) {
        const pages::TsDesc& c = line.cell(k);
        if (c.FieldName.isEmpty()) continue;  // a column the descriptions do not fill
        if (c.CurrentValue == c.LoadedValue) {
            if (!key.isEmpty() || !keyProblem.isEmpty()) continue;
            if (c.LoadedValue.isEmpty()) {
                key = QStringLiteral("(isNull(%1))").arg(c.FieldName);
                continue;
            }
            const SqlLiteral v = SqlValue(c.DataType, c.LoadedValue);
            if (v.ok() && v.sql != QLatin1String("NULL"))
                key = QStringLiteral("(%1=%2)").arg(c.FieldName, v.sql);
            else
                keyProblem = QStringLiteral("la clé %1 a une valeur chargée illisible « %2 »")
                                 .arg(c.FieldName, c.LoadedValue);
            continue;
        }
        const SqlLiteral v = SqlValue(c.DataType, c.CurrentValue);
        if (!v.ok()) {
            out.Refused.push_back({k, c.FieldName, v.refusal});
            continue;
        }
        out.SentCells.push_back(k);
        names << c.FieldName;
        values << v.sql;
        sets << c.FieldName + u'=' + v.sql;
        // The loaded value of each cell changed: a colleague's change of it
        // meanwhile makes the update change nothing instead of replacing it.
        if (const QString term = records::LoadedValueTerm(c.FieldName, c.DataType, c.LoadedValue); !term.isEmpty())
            loaded << term;
    }
    const QString table = records::SqlTableName(t.table);
    // A new line is not stored without one of the values typed for it.
    if (req.NewLine && !req.Deletion && !out.Refused.empty()) {
        out.Reason = QStringLiteral("la nouvelle ligne attend que %1 soit corrigé").arg(out.Refused.front().FieldName);
        line.PendingStatement.clear();
        return out;
    }
    const bool keyed = req.Deletion || !req.NewLine;
    if (keyed && !keyProblem.isEmpty()) {
        out.Reason = keyProblem;
    } else if (keyed && key.isEmpty() && (req.Deletion || !sets.isEmpty())) {
        out.Reason = QStringLiteral("la ligne n'a pas de colonne clé inchangée");
    } else if (req.Deletion) {
        out.Statement = QStringLiteral("Delete * from ") + table + QStringLiteral(" where ") + key;
    } else if (names.isEmpty()) {
        // Nothing changed: the line has nothing to send.
    } else if (req.NewLine) {
        out.Statement = QStringLiteral("Insert into %1 (%2, %3, %4 ) Values (%5, %6, :NewID)")
                            .arg(table, names.join(u','), QLatin1String(t.recordColumn),
                                 QLatin1String(t.keyColumn), values.join(u','), req.RecordId);
    } else {
        out.Statement = QStringLiteral("Update ") + table + QStringLiteral(" set ") + sets.join(u',') +
                        QStringLiteral(" where ") + QStringList(QStringList{key} + loaded).join(QLatin1String(" and "));
    }
    if (req.Deletion || out.Statement.isEmpty()) out.SentCells.clear();
    line.PendingStatement = out.Statement;
    return out;
}

// The first mandatory column whose current value is empty, 0 when none.
int missingColumn(const TsLine& line) {
    for (int k = 2; k <= kLineCells; ++k)
        if (isMandatoryActionColumn(k) && !line.cell(k).FieldName.isEmpty() && line.cell(k).CurrentValue.isEmpty())
            return k;
    return 0;
}

}  // namespace

LineStatement TestFrevoUpdate(TsLine& line, const LineRequest& request) {
    return build(line, request, {request.Table, "idVO", "idFrevo"});
}

LineStatement TestActionUpdate(TsLine& line, const LineRequest& request) {
    // A line being deleted needs no column filled: an action stored with an
    // empty column could otherwise never be deleted.
    if (!request.PageFilling && records::IsIdentifier(request.RecordId))
        line.MissingColumn = request.Deletion ? 0 : missingColumn(line);
    return build(line, request, {QStringLiteral("tActions"), "idClient", "idAction"});
}

CellValueDecision acceptCellValue(int dataType, const QString& value, const QString& column,
                                  const QString& caption) {
    if (value.trimmed().isEmpty() || dataType == pages::DataType::Date) return {};
    const QString intro = QStringLiteral("La valeur du champ \"%1\" ").arg(column);
    if (dataType == pages::DataType::Decimal) {
        if (rules::readAmount(value)) return {};
        return {true, caption, intro + QStringLiteral("n'est pas un montant (par exemple 1 500,00)")};
    }
    const SqlLiteral v = SqlValue(dataType, value);
    if (v.ok()) return {};
    return {true, caption, QStringLiteral("Le champ \"%1\" ne peut pas être enregistré : %2").arg(column, v.refusal)};
}

int firstPendingLine(const std::vector<TsLine>& rows) {
    for (size_t l = 1; l < rows.size(); ++l)
        if (!rows[l].PendingStatement.isEmpty()) return int(l);
    return 0;
}

bool otherLinePending(const std::vector<TsLine>& rows, int except) {
    for (size_t l = 1; l < rows.size(); ++l)
        if (int(l) != except && !rows[l].PendingStatement.isEmpty()) return true;
    return false;
}

}  // namespace stanor::grids
