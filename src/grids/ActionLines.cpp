#include "grids/ActionLines.h"

#include "rules/Values.h"
#include "service/TextTools.h"

namespace stanor::grids {

namespace {

const QString kOutsideList = QStringLiteral("%1 (hors liste)");

bool isDateColumn(int column) { return column == ColDateAction || column == ColDateRelance; }

bool isWholeNumber(const QString& text) {
    bool ok = false;
    text.toLongLong(&ok);
    return ok;
}

}  // namespace

const QStringList* ActionLists::listOf(int column) const {
    switch (column) {
    case ColTypeAction: return &types;
    case ColSujetAction:
    case ColSujetRelance: return &subjects;
    case ColPrioriteRelance: return &priorities;
    default: return nullptr;
    }
}

bool isSalespersonColumn(int column) { return column == ColIdCom || column == ColIdComRelance; }

bool isListColumn(int column) {
    return column == ColTypeAction || column == ColSujetAction || column == ColSujetRelance ||
           column == ColPrioriteRelance;
}

QString salespersonName(const ActionLists& lists, const QString& idCom) {
    for (const pages::ListItem& s : lists.salespeople)
        if (s.key == idCom) return s.text;
    return {};
}

QString actionShownText(int column, const QString& value, const ActionLists& lists) {
    if (!isSalespersonColumn(column) && !isListColumn(column)) return value;
    if (value.isEmpty()) return {};
    bool number = false;
    const qlonglong n = value.trimmed().toLongLong(&number);
    if (isSalespersonColumn(column)) return !number || n >= 1 ? salespersonName(lists, value) : QString();
    if (!number) return value;
    if (n < 1) return {};
    const QStringList& entries = *lists.listOf(column);
    return n <= entries.size() ? entries[qsizetype(n - 1)] : kOutsideList.arg(n);
}

QString actionStoredValue(int column, const QString& text, const ActionLists& lists) {
    if (isSalespersonColumn(column)) {
        for (const pages::ListItem& s : lists.salespeople)
            if (s.text == text) return s.key;
        return QStringLiteral("0");
    }
    if (isListColumn(column)) {
        const qsizetype i = lists.listOf(column)->indexOf(text);
        return i < 0 ? QStringLiteral("0") : QString::number(i + 1);
    }
    return text;
}

QString actionEditedValue(int column, const QString& text, const QString& current, const ActionLists& lists) {
    if (text == actionShownText(column, current, lists)) return current;
    return actionStoredValue(column, text, lists);
}

LineColumns describeActionColumns(const std::vector<pages::DescRow>& rows, const pages::TraceFn& trace) {
    return describeLineColumns(rows, QStringLiteral("gAct"), kActionColumns, trace);
}

ActionLineLook actionLineLook(const TsLine& line, const pages::UserRights& rights, const ActionLists& lists) {
    ActionLineLook look;
    for (int k = 1; k <= kActionColumns; ++k) {
        const pages::TsDesc& d = line.cell(k);
        ActionCellLook& cell = look.cells[size_t(k)];
        cell.empty = d.RightsTags.isEmpty() || !rights.GetDataRights(d.RightsTags);
        cell.text = actionShownText(k, d.CurrentValue, lists);
    }
    const bool mayDelete = line.cell(ColCommentaireAction).LoadedValue.isEmpty() || rights.RightProfid;
    look.icon = mayDelete ? ActionIcon::Delete : ActionIcon::Kept;
    look.hint = mayDelete ? kActionDeleteHint : QString();
    return look;
}

ActionLoad loadActionLines(const LineColumns& columns, const std::vector<AnswerElement>& elements,
                           const pages::UserRights& rights, const ActionLists& lists) {
    ActionLoad out;
    out.rightProfid = rights.RightProfid;
    out.rows.push_back(columns.header);
    for (const AnswerElement& e : elements) {
        if (int(out.looks.size()) == kActionMaxLines) {
            ++out.skipped;
            continue;
        }
        TsLine line = columns.header;
        for (int k = 1; k <= kActionColumns; ++k) {
            pages::TsDesc& d = line.cell(k);
            if (d.FieldName.isEmpty()) continue;
            const auto cr = k == ColCommentaireAction ? service::CrDecoding::Decode : service::CrDecoding::Keep;
            d.LoadedValue = d.CurrentValue = service::DecodeXmlText(e.value(d.FieldName), cr);
        }
        out.looks.push_back(actionLineLook(line, rights, lists));
        out.rows.push_back(std::move(line));
    }
    return out;
}

QString rememberedName(int column) { return QStringLiteral("sAct") + QString::number(column); }

bool isRememberedColumn(int column) {
    return column >= ColDateAction && column <= kActionColumns && column != ColCommentaireAction;
}

bool rememberedValueFits(int column, const QString& value) {
    if (value.isEmpty()) return true;
    if (isDateColumn(column)) return rules::readDate(value).isValid();
    if (isSalespersonColumn(column) || isListColumn(column)) return isWholeNumber(value);
    return true;
}

bool isMandatoryActionColumn(int column) {
    return column >= ColDateAction && column <= kActionColumns && column != ColDateRelance && column != ColSujetRelance;
}

TsLine newActionLine(const LineColumns& columns, const std::function<QString(const QString&)>& remembered,
                     const QString& customerSalesperson, const QDate& today, const QDate& serverNow,
                     const ActionLists& lists, const std::function<void(int, const QString&)>& refused) {
    TsLine line = columns.header;
    for (int k = 1; k <= kActionColumns; ++k) {
        pages::TsDesc& d = line.cell(k);
        QString value = d.DefaultValue;
        if (value.compare(QLatin1String("now"), Qt::CaseInsensitive) == 0) value = rules::showDate(today);
        if (isRememberedColumn(k)) {
            value = remembered ? remembered(rememberedName(k)) : QString();
            if (!rememberedValueFits(k, value)) {
                if (refused) refused(k, value);
                value.clear();
            }
        }
        switch (k) {
        case ColDateAction: value = rules::showDate(today); break;
        case ColIdCom:
        case ColIdComRelance: value = customerSalesperson; break;
        case ColPrioriteRelance: value = lists.priorities.isEmpty() ? QString() : QStringLiteral("1"); break;
        case ColDateRelance:
            // A reminder already past is no reminder to take over.
            if (serverNow.isValid() && rules::readDate(value).isValid() && rules::readDate(value) < serverNow) {
                if (refused) refused(k, value);
                value.clear();
            }
            break;
        default: break;
        }
        d.LoadedValue.clear();
        d.CurrentValue = d.FieldName.isEmpty() ? QString() : value;
    }
    return line;
}

std::vector<std::pair<QString, QString>> valuesToRemember(const TsLine& line) {
    std::vector<std::pair<QString, QString>> out;
    for (int k = 1; k <= kActionColumns; ++k) {
        const pages::TsDesc& d = line.cell(k);
        if (isRememberedColumn(k) && !d.FieldName.isEmpty() && d.CurrentValue != d.LoadedValue)
            out.emplace_back(rememberedName(k), d.CurrentValue);
    }
    return out;
}

int lineMissingAColumn(const std::vector<TsLine>& rows, int except) {
    for (size_t l = 1; l < rows.size(); ++l)
        if (int(l) != except && rows[l].MissingColumn != 0 && !rows[l].PendingStatement.isEmpty()) return int(l);
    return 0;
}

}  // namespace stanor::grids
