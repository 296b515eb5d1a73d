#include "records/PageStatement.h"

#include "records/SqlLiterals.h"
#include "records/UpdateConflict.h"

namespace stanor::records {

namespace {

bool skipped(const PageField& f) {
    if (PageNeverSends(f.FieldName, f.ValueElement, f.RightsTags)) return true;
    // A cost total shown empty after loading as "0.00" is no change.
    return f.FieldName.toUpper().startsWith(QLatin1String("FREVO")) && f.LoadedValue == QLatin1String("0.00") &&
           f.CurrentValue.isEmpty();
}

// The record's TypeVO for an insert: the one known, else the kind asked for
// at start-up. A demonstrator is a vehicle of TypeVO 2 with a status, so the
// start-up kind 3 gives 2.
QString insertTypeVO(const QString& typeVO, int idTypeVO) {
    if (!typeVO.isEmpty()) return typeVO;
    if (idTypeVO == 0) return QStringLiteral("1");
    if (idTypeVO == 3) return QStringLiteral("2");
    return QString::number(idTypeVO);
}

struct Lists {
    QStringList columns, values, assignments, keys;
    QStringList loaded;  // the loaded value of each changed field, which a colleague may have changed meanwhile
    QString keyProblem;
};

// The key term of a field without value control.
void addKey(Lists& l, const PageField& f) {
    if (f.LoadedValue.isEmpty()) {
        l.keys << QStringLiteral("(isNull(%1))").arg(f.FieldName);
        return;
    }
    const SqlLiteral v = SqlValue(f.DataType, f.LoadedValue);
    if (!v.ok() || v.sql == QLatin1String("NULL")) {
        if (l.keyProblem.isEmpty())
            l.keyProblem = QStringLiteral("la clé %1 a une valeur chargée illisible « %2 »")
                               .arg(f.FieldName, f.LoadedValue);
        return;
    }
    l.keys << QStringLiteral("(%1=%2)").arg(f.FieldName, v.sql);
}

QString insertStatement(int page, const Lists& l, const RecordState& r, const QString& table,
                        const QString& typeVO) {
    const bool customer = r.Kind == QLatin1String("CL");
    QString cols = QStringLiteral("Insert into ") + table + QStringLiteral(" (") + l.columns.join(u',');
    QString vals = l.values.join(u',');
    if (!customer) {
        cols += QLatin1String(", idTVO, TypeVO, idVO");
        vals += QStringLiteral(", :NewID, ") + typeVO + QStringLiteral(", :NewIDbis");
    } else if (page != pages::kVehiclePage) {
        // Every customer page but the vehicles' writes the customer's row.
        cols += QLatin1String(", idClient, DateCreation");
        vals += QStringLiteral(", :NewID, ") + SqlDate(pages::formatDate(r.Today));
    }
    if (page == pages::kVehiclePage) {
        cols += QLatin1String(", idClient, idTVO, NVO");
        vals += u',' + r.CustomerId + QStringLiteral(", :NewID, :NewIDbis");
    }
    return cols + QStringLiteral(", idOwner, Concession) Values (") + vals + u',' + r.IdUser +
           QStringLiteral(", ") + SqlQuote(r.UserConcession) + u')';
}

// Why an insert cannot be built from these settings, or nothing.
QString insertProblem(int page, const RecordState& r, const QString& typeVO) {
    if (!IsIdentifier(r.IdUser))
        return QStringLiteral("l'identifiant de l'utilisateur « %1 » n'est pas un nombre").arg(r.IdUser);
    if (r.Kind != QLatin1String("CL") && !IsIdentifier(typeVO))
        return QStringLiteral("le type de véhicule « %1 » n'est pas un nombre").arg(typeVO);
    if (page == pages::kVehiclePage && !IsIdentifier(r.CustomerId))
        return QStringLiteral("le client n'est pas encore enregistré");
    return {};
}

}  // namespace

bool PageNeverSends(const QString& fieldName, const QString& valueElement, const QString& rightsTags) {
    return fieldName.toUpper().contains(QLatin1String("FDM")) ||
           rightsTags.toUpper().contains(QLatin1String("READONLY")) || !valueElement.isEmpty();
}

std::vector<PageField> PageFields(const pages::TsPage& page) {
    std::vector<PageField> out;
    out.reserve(page.Fields.size());
    for (const pages::TsDesc& d : page.Fields)
        out.push_back({d.FieldName, d.ValueElement, d.RightsTags, d.DataType, d.LoadedValue,
                       d.CurrentValue, d.Control != nullptr});
    return out;
}

QString PageTable(int page, const QString& recordTable) {
    return SqlTableName(page == pages::kVehiclePage ? QStringLiteral("TVehiclesProfid") : recordTable);
}

bool PageInserts(int page, bool flagNewEnreg, bool newVehicle) {
    return flagNewEnreg || (newVehicle && page == pages::kVehiclePage);
}

QStringList PageStatement::traceLines(int page) const {
    QStringList out;
    for (const FieldRefusal& f : Refused)
        out << QStringLiteral("TestPageUpdate page %1 : %2 non enregistré, %3").arg(page).arg(f.FieldName, f.Reason);
    if (!Reason.isEmpty())
        out << QStringLiteral("TestPageUpdate page %1 : aucune instruction, %2").arg(page).arg(Reason);
    return out;
}

PageStatement TestPageUpdate(int page, const std::vector<PageField>& fields, const RecordState& record) {
    PageStatement out;
    out.TypeVO = record.TypeVO;
    out.Insert = PageInserts(page, record.FlagNewEnreg, record.NewVehicle);
    Lists l;
    bool keyPart = true;
    for (int i = 0; i < int(fields.size()); ++i) {
        const PageField& f = fields[size_t(i)];
        if (!f.HasValueControl) {
            if (keyPart) addKey(l, f);
            continue;
        }
        keyPart = false;
        if (skipped(f) || f.CurrentValue == f.LoadedValue) continue;
        const SqlLiteral v = SqlValue(f.DataType, f.CurrentValue);
        if (!v.ok()) {
            out.Refused.push_back({i, f.FieldName, v.refusal});
            continue;
        }
        out.SentFields.push_back(i);
        l.columns << f.FieldName;
        l.values << v.sql;
        l.assignments << f.FieldName + u'=' + v.sql;
        // The cost totals are the form's sums of the cost lines (the record
        // answers their sum, not the stored column): not a value to compare.
        const bool costTotal = f.FieldName.startsWith(QLatin1String("Frevo"), Qt::CaseInsensitive);
        if (const QString term = LoadedValueTerm(f.FieldName, f.DataType, f.LoadedValue);
            !term.isEmpty() && !costTotal)
            l.loaded << term;
    }
    if (out.SentFields.empty()) return out;
    // A record created without one of the values typed for it would look
    // stored whole: nothing is sent until every value can be written.
    if (out.Insert && !out.Refused.empty()) {
        out.SentFields.clear();
        return out;
    }

    const QString table = PageTable(page, record.RecordTable);
    if (out.Insert) {
        out.TypeVO = insertTypeVO(record.TypeVO, record.IdTypeVO);
        out.Reason = insertProblem(page, record, out.TypeVO);
        if (out.Reason.isEmpty()) out.Statement = insertStatement(page, l, record, table, out.TypeVO);
    } else if (!l.keyProblem.isEmpty()) {
        out.Reason = l.keyProblem;
    } else if (l.keys.isEmpty()) {
        out.Reason = QStringLiteral("la page n'a pas de champ clé (les descriptions doivent commencer par la clé)");
    } else {
        out.Statement = QStringLiteral("Update ") + table + QStringLiteral(" set ") + l.assignments.join(u',') +
                        QStringLiteral(" where ") + (l.keys + l.loaded).join(QLatin1String(" and "));
    }
    if (out.Statement.isEmpty()) out.SentFields.clear();
    return out;
}

}  // namespace stanor::records
