#include "grids/FrevoGrid.h"

#include "grids/GridStatements.h"
#include "pages/PageUpdates.h"
#include "pages/RefLists.h"
#include "rules/DateChecks.h"
#include "rules/Values.h"
#include "service/TXml.h"
#include "toolkit/WinColor.h"

#include <QApplication>
#include <QCursor>
#include <QScopedValueRollback>

namespace stanor::grids {

using service::TXml;
using toolkit::ColumnKind;

namespace {

QString childText(const TXml& xml, const QString& name) {
    QString v;
    service::XmlGet(xml, name, v);
    return v;
}

QStringList listWords(const service::TXml& equip, const char* list) {
    QStringList words;
    if (const auto items = pages::RefLists(equip).parsItems(QLatin1String(list)))
        for (const QString& w : *items)
            if (!w.trimmed().isEmpty() && w != QLatin1String(".."))
                words << w;
    return words;
}

}  // namespace

FrevoGrid::FrevoGrid(toolkit::Grid* grid, pages::RecordViewState& state, pages::RecordViewForm& form,
                     const pages::RecordViewHost& view, const pages::EditingHost& editing,
                     pages::PageUpdates& updates, FrevoGridHost host, QObject* parent)
    : LineGrid(grid, state, form, view, editing, updates, parent), host_(std::move(host)) {
    setUpColumns();
}

void FrevoGrid::setUpColumns() {
    grid_->setColumns({
        {.name = "IconColumn", .header = "", .kind = ColumnKind::Image, .width = 22},
        {.name = "idFrevo", .header = QStringLiteral("N°"), .kind = ColumnKind::Text},
        {.name = "DateFrevo", .header = QStringLiteral("Date"), .kind = ColumnKind::Date, .width = 116},
        {.name = "LibelleFrevo", .header = QStringLiteral("Libellé"), .kind = ColumnKind::ComboText, .width = 160,
         .maxLength = 50},
        {.name = "NComptable", .header = QStringLiteral("N° compta"), .kind = ColumnKind::Text, .maxLength = 10},
        {.name = "NomFournisseur", .header = QStringLiteral("Fournisseur"), .kind = ColumnKind::ComboText,
         .width = 194, .maxLength = 20},
        {.name = "NFacture", .header = QStringLiteral("N° facture"), .kind = ColumnKind::Text, .maxLength = 10},
        {.name = "TypeFrevo", .header = QStringLiteral("Type"), .kind = ColumnKind::Combo},
        {.name = "MontantHT", .header = QStringLiteral("Montant HT"), .kind = ColumnKind::Number,
         .displayFormat = "#,##0.00"},
    });
}

void FrevoGrid::install(pages::PageHandlers& handlers) {
    bindEvents(handlers, QStringLiteral("ngFrevo"),
               {.edit = std::bind_front(&FrevoGrid::ngFrevoEdit, this),
                .editAccept = std::bind_front(&FrevoGrid::ngFrevoEditAccept, this),
                .change = std::bind_front(&FrevoGrid::ngFrevoChange, this),
                .beforeSelect = std::bind_front(&FrevoGrid::ngFrevoBeforeSelect, this),
                .cellClick = std::bind_front(&FrevoGrid::ngFrevoCellClick, this),
                .cellFormating = std::bind_front(&FrevoGrid::ngFrevoCellFormating, this)});
}

QString FrevoGrid::costTable() const {
    const QString tag = s_.pages[kFrevoPage].PageTag;
    return tag.isEmpty() ? QStringLiteral("tVO - Frevo") : tag;
}

bool FrevoGrid::isTemplateLine(int line) const {
    return line >= 1 && size_t(line) <= looks_.size() && isTemplate(looks_[size_t(line) - 1]);
}

// ---------------------------------------------------------------- loading

std::vector<FrevoElement> FrevoGrid::answerElements(const QStringList& names) const {
    return grids::answerElements(s_.RecordXml.Text, QStringLiteral("FrevoS"), QStringLiteral("Frevo"), names);
}

void FrevoGrid::LoadInfoFrevo() {
    // The columns, as the descriptions of the costs give them.
    if (toolkit::GridColumn* type = grid_->columnByName(QStringLiteral("TypeFrevo")))
        type->items = listWords(s_.EquipXml, "TypeFrevo");
    // Labels and suppliers complete from their lists while typing.
    if (toolkit::GridColumn* label = grid_->columnByName(QStringLiteral("LibelleFrevo")))
        label->items = label->words = listWords(s_.EquipXml, "LibFrevo");
    if (toolkit::GridColumn* supplier = grid_->columnByName(QStringLiteral("NomFournisseur")))
        supplier->items = supplier->words = listWords(s_.EquipXml, "Fournisseur");
    const FrevoColumns columns =
        describeFrevoColumns(gridDescRows(s_.StructXml.Text, QStringLiteral("gFrev")), view_.trace);
    FrevoAddTag = columns.addTag;
    for (int k = 1; k <= columns.count; ++k) {
        const FrevoColumnLook& look = columns.looks[size_t(k)];
        grid_->describeColumn(k, look.caption, look.hidden ? 0 : look.width);
    }

    QStringList names{QStringLiteral("NComptable")};
    for (int k = 1; k <= kFrevoColumns; ++k)
        if (!columns.header.cell(k).FieldName.isEmpty()) names << columns.header.cell(k).FieldName;
    // A vehicle being created has no cost lines, and none may be added
    // before it is stored: the answer at hand is the previous vehicle's.
    const std::vector<FrevoElement> elements = s_.FlagNewEnreg ? std::vector<FrevoElement>{} : answerElements(names);

    {
        // The grid fills itself like the pages: change handlers do nothing meanwhile.
        QScopedValueRollback<bool> filling(s_.PageFilling, true);
        grid_->setRowCount(0);
        FrevoColumns shown = columns;
        if (s_.FlagNewEnreg) shown.addTag.clear();
        FrevoLoad load = loadFrevoLines(shown, elements, s_.rights, today());
        if (load.skipped > 0)
            trace(QStringLiteral("LoadInfoFrevo : %1 lignes de frais non affichées (99 au plus)").arg(load.skipped));
        FrevoRows = std::move(load.rows);
        looks_ = std::move(load.looks);
        RightCompta = load.rightCompta;
        NewFrevoRow = false;
        for (int row = 0; row < int(looks_.size()); ++row) showLine(row);
    }
    UpdateCumulFrevo();
}

void FrevoGrid::showLine(int row) {
    const TsLine& line = FrevoRows[size_t(row) + 1];
    const FrevoLineLook& look = looks_[size_t(row)];
    const QColor inactive = toolkit::toQColor(toolkit::WinColor::clInactiveBorder);
    for (int k = 1; k <= kFrevoColumns; ++k) {
        grid_->setCell(row, k, line.cell(k).CurrentValue);
        grid_->setCellColor(row, k, look.cells[size_t(k)].inactive ? inactive : QColor(Qt::white));
        grid_->setCellEnabled(row, k, look.cells[size_t(k)].enabled);
    }
    grid_->setImage(row, IconColumn, int(look.icon), look.hint);
}

// ---------------------------------------------------------------- statements and totals

bool FrevoGrid::TestFrevoUpdate(int line) {
    const bool deletion = line < 0;
    line = std::abs(line);
    if (line < 1 || size_t(line) >= FrevoRows.size()) return false;
    LineRequest request;
    request.Deletion = deletion;
    request.NewLine = isTemplateLine(line);
    request.Table = costTable();
    request.RecordId = s_.FlagNewEnreg ? QString() : s_.IdVO;
    request.PageFilling = s_.PageFilling;
    const LineStatement st = grids::TestFrevoUpdate(FrevoRows[size_t(line)], request);
    if (st.Built) NewFrevoRow = st.NewRow;
    traceStatement(QStringLiteral("TestFrevoUpdate"), line, st);

    UpdateCumulFrevo();
    f_.setCaption(QStringLiteral("LbDebugInfo1"), st.Statement);
    followSaveButton(st.pending());
    return st.pending();
}

// The save button stays on while anything is pending on the record: this
// line, another cost line or a page.
void FrevoGrid::followSaveButton(bool linePending) {
    const bool any = linePending || pendingLine() != 0 || updates_.anyChanged();
    f_.setEnabled(QStringLiteral("JvXPBtnSave"), any);
    f_.setEnabled(QStringLiteral("JvXPBtnNewVO"), !any);
}

void FrevoGrid::UpdateCumulFrevo() {
    const rules::CostSummary summary =
        rules::UpdateCumulFrevo(costLinesOf(FrevoRows), f_.text(QStringLiteral("cDateLivraison")), today());
    const auto texts = rules::costTotalTexts(summary);
    const size_t plain = texts.size() / 2;
    for (size_t i = 0; i < plain; ++i) f_.setCaption(texts[i].first, texts[i].second);
    s_.FrevoValue = rules::FrevoValue(summary);
    if (host_.UpdateTVAetMarges) host_.UpdateTVAetMarges();
    for (size_t i = plain; i < texts.size(); ++i) f_.setCaption(texts[i].first, texts[i].second);
}

// ---------------------------------------------------------------- grid events

void FrevoGrid::ngFrevoEdit(int col, const QString& value, int row) {
    const size_t line = size_t(row) + 1;
    if (col <= IconColumn || col > kFrevoColumns || s_.PageFilling || line >= FrevoRows.size()) return;
    pages::TsDesc& cell = FrevoRows[line].cell(col);
    cell.CurrentValue = frevoCellValue(cell.DataType, value);
    // The template is only stored by its image.
    if (isTemplateLine(int(line)))
        UpdateCumulFrevo();
    else
        TestFrevoUpdate(int(line));
}

bool FrevoGrid::ngFrevoEditAccept(int col, const QString& value, int row) {
    const size_t line = size_t(row) + 1;
    if (col <= IconColumn || col > kFrevoColumns || line >= FrevoRows.size()) return true;
    const pages::TsDesc& cell = FrevoRows[line].cell(col);
    // An amount that is no amount is refused, the cell keeping what was typed.
    if (col != ColDateFrevo) return !refuseValue(cell, value);
    const QString column = cell.FieldName.isEmpty() ? QStringLiteral("DateFrevo") : cell.FieldName;
    const rules::GridDateDecision d = rules::acceptCostDate(
        value, cell.LoadedValue, column, {s_.dates.LimiteDateDebFrevo, s_.dates.LimiteDateFin}, today());
    return !refuseDate(d);
}

void FrevoGrid::ngFrevoChange(int col, int row) {
    const size_t line = size_t(row) + 1;
    if (col <= IconColumn || col > kFrevoColumns || s_.PageFilling || line >= FrevoRows.size()) return;
    pages::TsDesc& cell = FrevoRows[line].cell(col);
    const QString shown = grid_->cell(row, col);
    const QString value = frevoCellValue(cell.DataType, shown);
    if (value != shown) grid_->setCell(row, col, value);
    if (value == cell.CurrentValue) return;
    cell.CurrentValue = value;
    // The template is only stored by its image; its date waits for it.
    if (isTemplateLine(int(line))) {
        UpdateCumulFrevo();
        return;
    }
    if (TestFrevoUpdate(int(line)) && host_.SaveChanges) host_.SaveChanges();
}

bool FrevoGrid::ngFrevoBeforeSelect(int row) {
    const bool otherPending = otherLinePending(FrevoRows, row + 1);
    const QWidget* save = f_.widget(QStringLiteral("JvXPBtnSave"));
    if (!otherPending || !save || !save->isEnabled() || !host_.SaveChanges) return true;
    return host_.SaveChanges();
}

void FrevoGrid::saveAndReload(int line, bool deletion) {
    // A default cursor means no other insertion or deletion is running.
    if (busy_ || QApplication::overrideCursor() || saveUnderWay()) return;
    busy_ = true;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    if (!deletion)
        for (pages::TsDesc& d : FrevoRows[size_t(line)].Cells) d.LoadedValue.clear();
    const bool built = TestFrevoUpdate(deletion ? -line : line);
    // The record is loaded again afterwards: every line still waiting is
    // stored first, or nothing is reloaded.
    if (built && host_.SaveChanges && host_.SaveChanges() && (!host_.SaveAll || host_.SaveAll()) &&
        host_.JvXPBtnActualizeClick)
        host_.JvXPBtnActualizeClick();
    QApplication::restoreOverrideCursor();
    busy_ = false;
}

void FrevoGrid::ngFrevoCellClick(int col, int row) {
    const int line = row + 1;
    if (line < 1 || size_t(line) >= FrevoRows.size()) return;
    const FrevoLineLook& look = looks_[size_t(row)];
    if (col == IconColumn) {
        if (look.icon == FrevoIcon::Template) {
            saveAndReload(line, false);
        } else if (look.icon == FrevoIcon::Delete) {
            if (busy_ || saveUnderWay()) return;
            const TsLine& l = FrevoRows[size_t(line)];
            const QString question = CostLineDeleteQuestion(
                l.cell(ColLibelleFrevo).CurrentValue, l.cell(ColDateFrevo).CurrentValue, l.cell(ColMontantHT).CurrentValue);
            if (!confirmDeletion(question)) return;
            // The totals drop the line at once.
            FrevoRows[size_t(line)].cell(ColMontantHT).CurrentValue = QStringLiteral("0");
            saveAndReload(line, true);
        }
        return;
    }
    // The cells of the line follow its lock and the user's rights.
    for (int k = 1; k <= kFrevoColumns; ++k) grid_->setCellEnabled(row, k, look.cells[size_t(k)].enabled);
}

void FrevoGrid::ngFrevoCellFormating(int col, int, toolkit::GridCellFormat& format) {
    if (format.selected) return;
    format.textColor = col == ColNComptable ? QColor(Qt::red) : QColor(Qt::blue);
}

// ---------------------------------------------------------------- saving

int FrevoGrid::pendingLine() const { return firstPendingLine(FrevoRows); }

void FrevoGrid::lineSent(int line, bool stored) {
    if (line < 1 || size_t(line) >= FrevoRows.size()) return;
    TsLine& l = FrevoRows[size_t(line)];
    if (stored)
        for (int k = 1; k <= kFrevoColumns; ++k) l.cell(k).LoadedValue = l.cell(k).CurrentValue;
    TestFrevoUpdate(line);
}

bool FrevoGrid::lineConflict(int line, const records::ConflictAnswer& conflict) {
    if (line < 1 || size_t(line) >= FrevoRows.size()) return false;
    const bool again = settleConflict(FrevoRows[size_t(line)], conflict, [](const pages::TsDesc& d, const QString& v) {
        return frevoCellValue(d.DataType, v);
    });
    {
        QScopedValueRollback<bool> filling(s_.PageFilling, true);
        showLine(line - 1);
    }
    UpdateCumulFrevo();
    return again;
}

void FrevoGrid::discardLines() {
    {
        QScopedValueRollback<bool> filling(s_.PageFilling, true);
        for (size_t l = 1; l < FrevoRows.size(); ++l) {
            FrevoRows[l].PendingStatement.clear();
            if (isTemplateLine(int(l))) continue;
            for (pages::TsDesc& d : FrevoRows[l].Cells) d.CurrentValue = d.LoadedValue;
            showLine(int(l) - 1);
        }
    }
    UpdateCumulFrevo();
}

QString FrevoGrid::TestFraisFixes() const { return grids::TestFraisFixes(fixedCostInput()); }

QString FrevoGrid::FixedCostNotice() const { return grids::FixedCostNotice(fixedCostInput()); }

FixedCostInput FrevoGrid::fixedCostInput() const {
    FixedCostInput in;
    in.Kind = f_.caption(QStringLiteral("JvXPBtnNewVO"));
    in.IdVO = s_.FlagNewEnreg ? QString() : s_.IdVO;
    in.Destination = f_.text(QStringLiteral("cDestination"));
    in.Today = today();
    // A fixed cost stored (in the answer) or shown (a line changed since).
    QStringList types;
    for (const FrevoElement& e : answerElements({QStringLiteral("TypeFrevo")})) types << e.value(QStringLiteral("TypeFrevo"));
    for (size_t l = 1; l < FrevoRows.size(); ++l)
        if (!isTemplateLine(int(l))) types << FrevoRows[l].cell(ColTypeFrevo).CurrentValue;
    in.HasFixedCost = HasFixedCost(types);
    TXml equip;
    equip.Text = s_.EquipXml.Text;
    QList<QPair<QString, QString>> sites;
    service::XmlFind(equip, QStringLiteral("InfoSiteS"));
    while (service::XmlNext(equip, QStringLiteral("InfoSite")))
        sites.append({childText(equip, QStringLiteral("Site")), childText(equip, QStringLiteral("MontantFraisDossier"))});
    in.SiteFee = SiteFee(sites, f_.text(QStringLiteral("cSite")));
    return in;
}

}  // namespace stanor::grids
