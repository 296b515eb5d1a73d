#include "grids/ActionGrid.h"

#include "grids/GridStatements.h"
#include "pages/PageUpdates.h"
#include "records/SaveRules.h"
#include "rules/DateChecks.h"
#include "toolkit/WinColor.h"

#include <QApplication>
#include <QScopedValueRollback>
#include <QTabWidget>
#include <QTimer>

namespace stanor::grids {

using toolkit::ColumnKind;

namespace {

// Drawn under the lists of the line and its comment.
const QColor kListBackground(0xF0, 0xF0, 0xF0);

bool listOrCommentColumn(int col) {
    return col == ColIdCom || col == ColSujetAction || col == ColCommentaireAction || col == ColIdComRelance ||
           col == ColPrioriteRelance;
}

}  // namespace

ActionGrid::ActionGrid(toolkit::Grid* grid, pages::RecordViewState& state, pages::RecordViewForm& form,
                       const pages::RecordViewHost& view, const pages::EditingHost& editing,
                       pages::PageUpdates& updates, FollowUpHost host, QObject* parent)
    : LineGrid(grid, state, form, view, editing, updates, parent), host_(std::move(host)) {
    setUpColumns();
}

void ActionGrid::setUpColumns() {
    grid_->setColumns({
        {.name = "NxImage", .header = "", .kind = ColumnKind::Image, .width = 22},
        {.name = "idAction", .header = QStringLiteral("N°"), .kind = ColumnKind::Text, .readOnly = true},
        {.name = "DateAction", .header = QStringLiteral("Date"), .kind = ColumnKind::Date, .width = 100},
        {.name = "idCom", .header = QStringLiteral("Vendeur"), .kind = ColumnKind::Combo, .width = 120},
        {.name = "TypeAction", .header = QStringLiteral("Type"), .kind = ColumnKind::Combo},
        {.name = "SujetAction", .header = QStringLiteral("Sujet"), .kind = ColumnKind::Combo, .width = 120},
        {.name = "CommentaireAction", .header = QStringLiteral("Commentaire"), .kind = ColumnKind::Memo,
         .width = 200, .wordWrap = true},
        {.name = "DateRelance", .header = QStringLiteral("Relance"), .kind = ColumnKind::Date, .width = 100},
        {.name = "idComRelance", .header = QStringLiteral("Vendeur relance"), .kind = ColumnKind::Combo,
         .width = 120},
        {.name = "SujetRelance", .header = QStringLiteral("Sujet relance"), .kind = ColumnKind::Combo,
         .width = 120},
        {.name = "PrioriteRelance", .header = QStringLiteral("Priorité"), .kind = ColumnKind::Combo},
    });
}

void ActionGrid::install(pages::PageHandlers& handlers) {
    bindEvents(handlers, QStringLiteral("ngAction"),
               {.edit = std::bind_front(&ActionGrid::ngActionEdit, this),
                .editAccept = std::bind_front(&ActionGrid::ngActionEditAccept, this),
                .change = std::bind_front(&ActionGrid::ngActionChange, this),
                .beforeSelect = std::bind_front(&ActionGrid::ngActionBeforeSelect, this),
                .cellClick = std::bind_front(&ActionGrid::ngActionCellClick, this),
                .cellFormating = std::bind_front(&ActionGrid::ngActionCellFormating, this)});
    handlers.set(QStringLiteral("JvXPBtnNewActionClick"), [this](pages::EventArgs&) { JvXPBtnNewActionClick(); });
}

// A customer being created has no identifier yet: its actions wait for it.
QString ActionGrid::customerId() const {
    if (s_.FlagNewEnreg) return {};
    return records::RecordAnswerValue(s_.CustomerXml.Text, QStringLiteral("TVC"), QStringLiteral("idClient"));
}

bool ActionGrid::isNewLine(int line) const {
    return line >= 1 && size_t(line) <= looks_.size() && looks_[size_t(line) - 1].icon == ActionIcon::New;
}

QString ActionGrid::columnCaption(int column) const {
    if (column < 1 || column > kActionColumns) return {};
    const QString caption = columns_.looks[size_t(column)].caption;
    return caption.trimmed().isEmpty() ? columns_.header.cell(column).FieldName : caption;
}

QString ActionGrid::ngActionGetInfoCom(const QString& id) const { return salespersonName(lists_, id); }

// ---------------------------------------------------------------- loading

ActionLists ActionGrid::readLists() const { return readActionLists(s_.EquipXml, view_.trace); }

void ActionGrid::LoadInfoAction() {
    if (grid_->isEditing()) grid_->cancelEdit();
    lists_ = readLists();
    // The salespeople to choose from are those of the customer's site.
    const QStringList site = pages::RefLists(s_.EquipXml).salespeople(s_.SiteFilter);
    for (int k : {ColIdCom, ColIdComRelance}) grid_->gridModel()->column(k).items = site;
    for (int k : {ColTypeAction, ColSujetAction, ColSujetRelance, ColPrioriteRelance})
        grid_->gridModel()->column(k).items = *lists_.listOf(k);

    RightProfid = s_.rights.RightProfid;
    f_.setVisible(QStringLiteral("JvXPBtnNewAction"), true);
    // A customer being created gets its actions once it is stored.
    f_.setEnabled(QStringLiteral("JvXPBtnNewAction"), RightProfid && !s_.FlagNewEnreg);

    columns_ = describeActionColumns(gridDescRows(s_.StructXml.Text, QStringLiteral("gAct")), view_.trace);
    for (int k = 1; k <= columns_.count; ++k) {
        const LineColumnLook& look = columns_.looks[size_t(k)];
        // The columns an action cannot be stored without are marked.
        grid_->describeColumn(k, isMandatoryActionColumn(k) ? look.caption + kMandatoryMark : look.caption,
                              look.hidden ? 0 : look.width);
    }
    QStringList names;
    for (int k = 1; k <= kActionColumns; ++k)
        if (!columns_.header.cell(k).FieldName.isEmpty()) names << columns_.header.cell(k).FieldName;

    trace(QStringLiteral("TActS : ") + answerListText(s_.CustomerXml.Text, QStringLiteral("TActS")));
    const std::vector<AnswerElement> elements =
        s_.FlagNewEnreg ? std::vector<AnswerElement>{}
                        : answerElements(s_.CustomerXml.Text, QStringLiteral("TActS"), QStringLiteral("TAct"), names);
    {
        QScopedValueRollback<bool> filling(s_.PageFilling, true);
        grid_->setRowCount(0);
        ActionLoad load = loadActionLines(columns_, elements, s_.rights, lists_);
        if (load.skipped > 0)
            trace(QStringLiteral("LoadInfoAction : %1 actions non affichées (99 au plus)").arg(load.skipped));
        ActionRows = std::move(load.rows);
        looks_ = std::move(load.looks);
        NewActionRow = false;
        for (int row = 0; row < int(looks_.size()); ++row) showLine(row);
        grid_->resizeRowsToContents();
        grid_->setEnabled(RightProfid);
    }
    // The grid opens on its first column, the date, once laid out on its sheet.
    grid_->scrollToStart();
    QTimer::singleShot(0, grid_, [g = QPointer<toolkit::Grid>(grid_)] {
        if (g) g->scrollToStart();
    });
}

void ActionGrid::showLine(int row) {
    const ActionLineLook& look = looks_[size_t(row)];
    const QColor inactive = toolkit::toQColor(toolkit::WinColor::clInactiveBorder);
    for (int k = 1; k <= kActionColumns; ++k) {
        const ActionCellLook& cell = look.cells[size_t(k)];
        grid_->setCell(row, k, cell.text);
        grid_->setCellEmpty(row, k, cell.empty);
        grid_->setCellColor(row, k, cell.empty ? inactive : QColor(Qt::white));
    }
    grid_->setImage(row, NxImage, int(look.icon), look.hint);
}

// ---------------------------------------------------------------- statements

bool ActionGrid::TestActionUpdate(int line) {
    const bool deletion = line < 0;
    line = std::abs(line);
    if (line < 1 || size_t(line) >= ActionRows.size()) return false;
    LineRequest request;
    request.Deletion = deletion;
    request.NewLine = isNewLine(line);
    request.RecordId = customerId();
    request.PageFilling = s_.PageFilling;
    const LineStatement st = grids::TestActionUpdate(ActionRows[size_t(line)], request);
    if (st.Built) NewActionRow = st.NewRow;
    traceStatement(QStringLiteral("TestActionUpdate"), line, st);
    f_.setCaption(QStringLiteral("LbDebugInfo1"), st.Statement);
    followSaveButton(st.pending());
    return st.pending();
}

// The save button stays on while anything is pending on the record: a line
// of a grid or a page.
void ActionGrid::followSaveButton(bool linePending) {
    const bool any = linePending || pendingLine() != 0 || updates_.anyChanged() ||
                     (view_.gridLinePending && view_.gridLinePending());
    f_.setEnabled(QStringLiteral("JvXPBtnSave"), any);
    f_.setEnabled(QStringLiteral("JvXPBtnNewVO"), !any);
}

// ---------------------------------------------------------------- grid events

// What the user left in a cell becomes its value: a salesperson's
// identifier or a list position in the list columns. A text that shows
// what the cell holds changes nothing.
void ActionGrid::cellEdited(int col, const QString& text, int row) {
    const size_t line = size_t(row) + 1;
    if (col <= NxImage || col > kActionColumns || s_.PageFilling || row < 0 || line >= ActionRows.size()) return;
    pages::TsDesc& cell = ActionRows[line].cell(col);
    if (cell.FieldName.isEmpty()) return;
    const QString value = actionEditedValue(col, text, cell.CurrentValue, lists_);
    if (value == cell.CurrentValue) return;
    cell.CurrentValue = value;
    looks_[size_t(row)].cells[size_t(col)].text = actionShownText(col, value, lists_);
    TestActionUpdate(int(line));
}

void ActionGrid::ngActionEdit(int col, const QString& value, int row) { cellEdited(col, value, row); }

void ActionGrid::ngActionChange(int col, int row) { cellEdited(col, grid_->cell(row, col), row); }

bool ActionGrid::ngActionEditAccept(int col, const QString& value, int row) {
    const size_t line = size_t(row) + 1;
    if (row < 0 || line >= ActionRows.size()) return true;
    // A comment the service could not store is refused, the cell keeping what was typed.
    if (col == ColCommentaireAction) return !refuseValue(ActionRows[line].cell(col), value);
    if (col != ColDateAction && col != ColDateRelance) return true;
    const pages::TsDesc& cell = ActionRows[line].cell(col);
    const QString column = !cell.FieldName.isEmpty()       ? cell.FieldName
                           : col == ColDateAction ? QStringLiteral("DateAction")
                                                  : QStringLiteral("DateRelance");
    const pages::DateOptions& dates = s_.dates;
    const rules::GridDateDecision d =
        col == ColDateAction
            ? rules::acceptActionDate(value, cell.LoadedValue, column, {dates.LimiteDateDebProFid, dates.LimiteDateFin},
                                      today())
            : rules::acceptReminderDate(value, cell.LoadedValue, column, dates.LimiteDateFin, today());
    return !refuseDate(d);
}

bool ActionGrid::ngActionBeforeSelect(int row) {
    const int target = row + 1;
    // A stored action left with an empty column holds the user on it.
    if (!NewActionRow) {
        if (const int l = lineMissingAColumn(ActionRows, target)) {
            selectCell(l, ActionRows[size_t(l)].MissingColumn);
            return false;
        }
    }
    if (!otherLinePending(ActionRows, target) || !host_.SaveChanges) return true;
    return host_.SaveChanges();
}

void ActionGrid::storeByImage(int line, bool deletion) {
    // A default cursor means no other storing or deletion is running.
    if (busy_ || (deletion && QApplication::overrideCursor()) || saveUnderWay()) return;
    if (deletion) {
        const TsLine& l = ActionRows[size_t(line)];
        const QString question = ActionDeleteQuestion(
            l.cell(ColDateAction).CurrentValue, actionShownText(ColSujetAction, l.cell(ColSujetAction).CurrentValue, lists_));
        if (!confirmDeletion(question)) return;
    }
    QScopedValueRollback<bool> busy(busy_, true);
    if (deletion) QApplication::setOverrideCursor(Qt::WaitCursor);
    // The record is loaded again afterwards: every line still waiting (the
    // edit of another action) is stored first, or nothing is reloaded.
    if (TestActionUpdate(deletion ? -line : line) && host_.SaveChanges && host_.SaveChanges() &&
        (!host_.SaveAll || host_.SaveAll()) && host_.JvXPBtnActualizeClick)
        host_.JvXPBtnActualizeClick();
    if (deletion) QApplication::restoreOverrideCursor();
}

std::pair<int, QString> ActionGrid::dateFault(int line) const {
    if (line < 1 || size_t(line) >= ActionRows.size()) return {};
    const TsLine& l = ActionRows[size_t(line)];
    const pages::DateOptions& dates = s_.dates;
    for (int col : {ColDateAction, ColDateRelance}) {
        const pages::TsDesc& cell = l.cell(col);
        if (cell.FieldName.isEmpty() || cell.CurrentValue == cell.LoadedValue || cell.CurrentValue.isEmpty()) continue;
        const rules::GridDateDecision d =
            col == ColDateAction ? rules::acceptActionDate(cell.CurrentValue, cell.LoadedValue, cell.FieldName,
                                                           {dates.LimiteDateDebProFid, dates.LimiteDateFin}, today())
                                 : rules::acceptReminderDate(cell.CurrentValue, cell.LoadedValue, cell.FieldName,
                                                             dates.LimiteDateFin, today());
        if (d.refused) return {col, d.message};
    }
    return {};
}

void ActionGrid::ngActionCellClick(int col, int row) {
    const int line = row + 1;
    if (row < 0 || size_t(line) >= ActionRows.size()) return;
    if (col == NxImage) {
        const ActionIcon icon = looks_[size_t(row)].icon;
        if (icon == ActionIcon::New) storeByImage(line, false);
        if (icon == ActionIcon::Delete) storeByImage(line, true);
        return;
    }
    grid_->setColumnEnabled(ColDateAction, true);
}

void ActionGrid::ngActionCellFormating(int col, int row, toolkit::GridCellFormat& format) {
    if (format.selected) return;
    if (col == ColIdAction) format.textColor = QColor(Qt::red);
    // A cell the user has no right to keeps the look of an empty cell.
    if (listOrCommentColumn(col) && !grid_->cellData(row, col).empty) {
        format.background = kListBackground;
        format.textColor = QColor(Qt::blue);
    }
}

void ActionGrid::JvXPBtnNewActionClick() {
    if (!RightProfid || s_.FlagNewEnreg || busy_ || saveUnderWay()) return;
    if (grid_->isEditing() && !grid_->finishEdit()) return;
    NewActionRow = true;
    const QString salesperson = actionStoredValue(ColIdCom, f_.text(QStringLiteral("aidCom")), lists_);
    TsLine line = newActionLine(
        columns_, host_.GetTagRegistry, salesperson, today(), s_.dates.LimiteDateFin, lists_,
        [this](int column, const QString& value) {
            trace(QStringLiteral("JvXPBtnNewActionClick : valeur retenue %1 « %2 » ignorée").arg(rememberedName(column), value));
        });
    ActionLineLook look = actionLineLook(line, s_.rights, lists_);
    look.icon = ActionIcon::New;
    look.hint = kActionNewHint;
    {
        QScopedValueRollback<bool> filling(s_.PageFilling, true);
        grid_->insertRow(0);
        ActionRows.insert(ActionRows.begin() + 1, std::move(line));
        looks_.insert(looks_.begin(), look);
        showLine(0);
        grid_->resizeRowToContents(0);
    }
    grid_->setCurrentCell(0, ColDateAction);
    grid_->setFocus();
    grid_->viewport()->update();
}

// ---------------------------------------------------------------- saving

int ActionGrid::pendingLine() const { return firstPendingLine(ActionRows); }

void ActionGrid::selectCell(int line, int column) {
    if (line < 1 || line > grid_->rowCount()) return;
    // The grid's sheet is shown first when another one is.
    if (QTabWidget* tabs = f_.tabs())
        for (int i = 0; i < tabs->count(); ++i)
            if (tabs->widget(i)->isAncestorOf(grid_) && i != tabs->currentIndex()) tabs->setCurrentIndex(i);
    grid_->setCurrentCell(line - 1, column);
    grid_->setFocus();
}

void ActionGrid::lineKeyed(int line, const QString& newId) {
    if (!isNewLine(line) || newId.isEmpty()) return;
    TsLine& l = ActionRows[size_t(line)];
    if (!l.cell(ColIdAction).FieldName.isEmpty()) l.cell(ColIdAction).CurrentValue = newId;
    ActionLineLook& look = looks_[size_t(line) - 1];
    const bool mayDelete = l.cell(ColCommentaireAction).CurrentValue.isEmpty() || RightProfid;
    look.icon = mayDelete ? ActionIcon::Delete : ActionIcon::Kept;
    look.hint = mayDelete ? kActionDeleteHint : QString();
    look.cells[ColIdAction].text = newId;
    showLine(line - 1);
}

void ActionGrid::lineSent(int line, bool stored) {
    if (line < 1 || size_t(line) >= ActionRows.size()) return;
    TsLine& l = ActionRows[size_t(line)];
    if (stored) {
        for (const auto& [name, value] : valuesToRemember(l))
            if (host_.SetTagRegistry) host_.SetTagRegistry(name, value);
        for (pages::TsDesc& d : l.Cells) d.LoadedValue = d.CurrentValue;
        // Stored without its identifier coming back: only the record read
        // again can name it, or a later change would store it a second time.
        if (isNewLine(line) && host_.JvXPBtnActualizeClick) {
            trace(QStringLiteral("Action enregistrée sans identifiant en retour : rechargement du client"));
            QTimer::singleShot(0, this, [this] { host_.JvXPBtnActualizeClick(); });
        }
    }
    TestActionUpdate(line);
}

bool ActionGrid::lineConflict(int line, const records::ConflictAnswer& conflict) {
    if (line < 1 || size_t(line) >= ActionRows.size()) return false;
    TsLine& l = ActionRows[size_t(line)];
    const bool again = settleConflict(l, conflict, [](const pages::TsDesc&, const QString& v) { return v; });
    QScopedValueRollback<bool> filling(s_.PageFilling, true);
    for (int k = 1; k <= kActionColumns; ++k)
        looks_[size_t(line) - 1].cells[size_t(k)].text = actionShownText(k, l.cell(k).CurrentValue, lists_);
    showLine(line - 1);
    return again;
}

void ActionGrid::discardLines() {
    QScopedValueRollback<bool> filling(s_.PageFilling, true);
    for (int line = int(ActionRows.size()) - 1; line >= 1; --line) {
        if (isNewLine(line)) {
            ActionRows.erase(ActionRows.begin() + line);
            looks_.erase(looks_.begin() + (line - 1));
            grid_->removeRow(line - 1);
            continue;
        }
        TsLine& l = ActionRows[size_t(line)];
        l.PendingStatement.clear();
        l.MissingColumn = 0;
        for (int k = 1; k <= kActionColumns; ++k) {
            l.cell(k).CurrentValue = l.cell(k).LoadedValue;
            looks_[size_t(line) - 1].cells[size_t(k)].text = actionShownText(k, l.cell(k).CurrentValue, lists_);
        }
        showLine(line - 1);
    }
    NewActionRow = false;
}

}  // namespace stanor::grids
