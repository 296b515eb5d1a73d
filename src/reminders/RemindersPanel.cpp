#include "reminders/RemindersPanel.h"

#include "grids/LineSources.h"
#include "pages/RecordView.h"
#include "pages/RefLists.h"
#include "service/TextTools.h"
#include "toolkit/Controls.h"
#include "toolkit/Grid.h"

#include <QFrame>
#include <QHeaderView>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QToolButton>

namespace stanor::reminders {

namespace {

constexpr char kObjectName[] = "stanorRemindersPanel";
// The width of the form but a thin margin: no field of the sheet beneath peeks out.
constexpr int kPanelWidth = 821, kPanelHeight = 420;

enum Column { ColDate, ColLate, ColCustomer, ColPhones, ColSubject, ColPriority, ColComment, kColumns };

const QString kOwnChoice = QStringLiteral("(mes relances)");

void setColour(QWidget* w, const QColor& c) {
    QPalette p = w->palette();
    p.setColor(QPalette::WindowText, c);
    w->setPalette(p);
}

}  // namespace

RemindersPanel* RemindersPanel::install(QFrame* frame, QPushButton* button, pages::RecordView& view,
                                        RemindersHost host) {
    if (RemindersPanel* existing = of(frame)) return existing;
    return new RemindersPanel(frame, button, view, std::move(host));
}

RemindersPanel* RemindersPanel::of(const QFrame* frame) {
    return frame ? frame->findChild<RemindersPanel*>(QLatin1String(kObjectName), Qt::FindDirectChildrenOnly) : nullptr;
}

RemindersPanel::RemindersPanel(QFrame* frame, QPushButton* button, pages::RecordView& view, RemindersHost host)
    : QObject(frame), PanelRelances(frame), JvXPBtnRelances(button), view_(view), host_(std::move(host)) {
    setObjectName(QLatin1String(kObjectName));
    build();
}

void RemindersPanel::trace(const QString& text) const {
    if (host_.trace) host_.trace(text);
}

void RemindersPanel::build() {
    using namespace toolkit;
    PanelRelances->setObjectName(QStringLiteral("PanelRelances"));
    PanelRelances->setFrameShape(QFrame::Panel);
    PanelRelances->setFrameShadow(QFrame::Raised);
    PanelRelances->setAutoFillBackground(true);
    PanelRelances->resize(kPanelWidth, kPanelHeight);

    LbRelances = new Label(QString(), PanelRelances);
    LbRelances->setObjectName(QStringLiteral("LbRelances"));
    LbRelances->setGeometry(10, 8, 520, 20);
    QFont bold = LbRelances->font();
    bold.setBold(true);
    bold.setPixelSize(13);
    LbRelances->setFont(bold);
    auto* close = new QToolButton(PanelRelances);
    close->setObjectName(QStringLiteral("BtnRelancesClose"));
    close->setText(QStringLiteral("\u2715"));
    close->setAutoRaise(true);
    close->setToolTip(QStringLiteral("fermer la liste des relances"));
    close->setGeometry(kPanelWidth - 30, 4, 24, 24);
    connect(close, &QToolButton::clicked, PanelRelances, &QWidget::hide);

    auto* lbCom = new Label(QStringLiteral("Vendeur :"), PanelRelances);
    lbCom->setObjectName(QStringLiteral("ncbLbRelCom"));
    lbCom->setGeometry(10, 36, 60, 20);
    ncbRelCom = new ComboBox(true, PanelRelances);
    ncbRelCom->setObjectName(QStringLiteral("ncbRelCom"));
    ncbRelCom->setGeometry(72, 34, 170, 22);
    auto* lbSite = new Label(QStringLiteral("Site :"), PanelRelances);
    lbSite->setObjectName(QStringLiteral("ncbLbRelSite"));
    lbSite->setGeometry(256, 36, 40, 20);
    ncbRelSite = new ComboBox(true, PanelRelances);
    ncbRelSite->setObjectName(QStringLiteral("ncbRelSite"));
    ncbRelSite->setGeometry(298, 34, 110, 22);
    for (QWidget* w : std::initializer_list<QWidget*>{lbCom, ncbRelCom, lbSite, ncbRelSite}) w->hide();
    connect(ncbRelCom->events(), &FieldEvents::changed, this, [this] { ncbRelComChange(); });
    connect(ncbRelSite->events(), &FieldEvents::changed, this, [this] { ncbRelSiteChange(); });

    LbRelancesInfo = new Label(QString(), PanelRelances);
    LbRelancesInfo->setObjectName(QStringLiteral("LbRelancesInfo"));
    LbRelancesInfo->setGeometry(420, 36, kPanelWidth - 430, 20);
    LbRelancesInfo->setWordWrap(true);
    setColour(LbRelancesInfo, Qt::red);

    ngRelances = new Grid(PanelRelances);
    ngRelances->setObjectName(QStringLiteral("ngRelances"));
    ngRelances->setGeometry(4, 62, kPanelWidth - 8, kPanelHeight - 66);
    ngRelances->setColumns({
        {.name = QStringLiteral("DateRelance"), .header = QStringLiteral("Relance"), .width = 72, .readOnly = true},
        {.name = QStringLiteral("JoursRetard"), .header = QStringLiteral("Retard"), .width = 96, .readOnly = true},
        {.name = QStringLiteral("Client"), .header = QStringLiteral("Client"), .width = 150, .readOnly = true},
        {.name = QStringLiteral("Telephones"), .header = QStringLiteral("Téléphones"), .width = 180, .readOnly = true},
        {.name = QStringLiteral("SujetRelance"), .header = QStringLiteral("Sujet"), .width = 76, .readOnly = true},
        {.name = QStringLiteral("PrioriteRelance"), .header = QStringLiteral("Priorité"), .width = 62, .readOnly = true},
        {.name = QStringLiteral("Commentaire"), .header = QStringLiteral("Commentaire"), .width = 150, .readOnly = true},
    });
    for (int c = 0; c < kColumns; ++c) ngRelances->describeColumn(c, ngRelances->column(c).header, ngRelances->column(c).width);
    ngRelances->setSelectionBehavior(QAbstractItemView::SelectRows);
    ngRelances->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ngRelances->horizontalHeader()->setStretchLastSection(true);
    ngRelances->setToolTip(QStringLiteral("cliquez sur une relance pour ouvrir la fiche du client à son suivi"));
    connect(ngRelances, &Grid::cellClick, this, [this](int r, int) { ngRelancesCellClick(r); });
    connect(ngRelances, &Grid::cellFormating, this,
            [this](int r, int c, GridCellFormat& f) { formatCell(r, c, f); });

    if (JvXPBtnRelances) {
        JvXPBtnRelances->setText(RemindersCaption(-1, false));
        connect(JvXPBtnRelances, &QPushButton::clicked, this, [this] { JvXPBtnRelancesClick(); });
    }
    PanelRelances->hide();
}

// ---------------------------------------------------------------- fetching

bool RemindersPanel::fetch(const QString& idCom, const QString& site, ReminderList& out) {
    if (!host_.requests || !host_.fetch) return false;
    const service::ServiceRequest r = host_.requests().reminders(idCom, site);
    QString error = host_.fetch(r.url, r.answerFile);
    QString answer;
    if (error.isEmpty()) {
        try {
            answer = service::LoadTextFile(r.answerFile);
        } catch (const service::FileError& e) {
            error = QStringLiteral("réponse illisible : ") + QString::fromUtf8(e.what());
        }
    }
    if (!error.isEmpty()) {
        trace(QStringLiteral("Relances non lues : ") + error);
        out.error = error;
        return false;
    }
    out = ReadReminders(answer, grids::readActionLists(view_.state().EquipXml));
    return out.error.isEmpty();
}

void RemindersPanel::showCount(const ReminderList& own) {
    count_ = own.error.isEmpty() && !own.idCom.isEmpty() ? own.count : -1;
    if (!JvXPBtnRelances) return;
    JvXPBtnRelances->setText(RemindersCaption(count_, own.more));
    QFont f = JvXPBtnRelances->font();
    f.setBold(count_ > 0);
    JvXPBtnRelances->setFont(f);
    JvXPBtnRelances->setToolTip(count_ < 0 ? QStringLiteral("relances du jour")
                                           : QStringLiteral("relances du jour : %1 à faire").arg(count_));
}

bool RemindersPanel::refreshCount() {
    ticks_ = 0;
    ReminderList own;
    const bool ok = fetch({}, {}, own);
    if (!ok) return false;
    showCount(own);
    // The list shows the user's own reminders: it follows.
    if (PanelRelances->isVisible() && ncbRelCom->currentIndex() <= 0 && ncbRelSite->currentIndex() <= 0) showList(own);
    return true;
}

void RemindersPanel::Timer1Tick() {
    if (ticks_ < kRefreshTicks) ++ticks_;
    if (ticks_ < kRefreshTicks) return;
    // Never inside another request or a save: the next tick will do.
    if (host_.busy && host_.busy()) return;
    refreshCount();
}

void RemindersPanel::afterSave() {
    if (view_.state().KindSuffix == QLatin1String("_TCL")) refreshCount();
}

// ---------------------------------------------------------------- the list

void RemindersPanel::fillChoices() {
    const bool superAdmin = view_.state().rights.RightSuperAdmin;
    for (const char* name : {"ncbLbRelCom", "ncbRelCom", "ncbLbRelSite", "ncbRelSite"})
        if (auto* w = PanelRelances->findChild<QWidget*>(QLatin1String(name))) w->setVisible(superAdmin);
    if (!superAdmin || ncbRelCom->count() > 0) return;
    const QScopedValueRollback<bool> filling(filling_, true);
    ncbRelCom->addItem(kOwnChoice, QString());
    for (const grids::AnswerElement& e :
         grids::answerElements(view_.state().EquipXml.Text, QStringLiteral("InfoComS"), QStringLiteral("InfoCom"),
                               {QStringLiteral("idCom"), QStringLiteral("cNom")})) {
        const QString name = e.value(QStringLiteral("cNom")).trimmed();
        if (!name.isEmpty() && name != QLatin1String("..")) ncbRelCom->addItem(name, e.value(QStringLiteral("idCom")));
    }
    ncbRelSite->addItem(QString());
    for (const grids::AnswerElement& e : grids::answerElements(view_.state().EquipXml.Text, QStringLiteral("InfoSiteS"),
                                                               QStringLiteral("InfoSite"), {QStringLiteral("Site")}))
        ncbRelSite->addItem(e.value(QStringLiteral("Site")));
    ncbRelCom->setCurrentIndex(0);
    ncbRelSite->setCurrentIndex(0);
}

void RemindersPanel::JvXPBtnRelancesClick() {
    if (PanelRelances->isVisible()) {
        PanelRelances->hide();
        return;
    }
    fillChoices();
    if (QWidget* parent = PanelRelances->parentWidget()) {
        // Over the sheets, under the header strip.
        PanelRelances->move(std::max(0, (parent->width() - PanelRelances->width()) / 2), 54);
    }
    PanelRelances->raise();
    PanelRelances->show();
    loadList();
}

void RemindersPanel::loadList() {
    const QString idCom = ncbRelCom->currentIndex() > 0 ? ncbRelCom->currentData().toString() : QString();
    const QString site = ncbRelSite->currentIndex() > 0 ? ncbRelSite->currentText() : QString();
    ReminderList list;
    if (!fetch(idCom, site, list)) {
        // What was listed stays, with the reason beside it.
        LbRelancesInfo->setText(QStringLiteral("Relances non mises à jour : ") + list.error);
        return;
    }
    LbRelancesInfo->setText(QString());
    if (idCom.isEmpty() && site.isEmpty()) showCount(list);
    showList(list);
}

void RemindersPanel::showList(const ReminderList& list) {
    shown_ = list;
    LbRelances->setText(RemindersTitle(list));
    toolkit::GridModel* model = ngRelances->gridModel();
    model->setLineCount(0);
    model->setLineCount(int(list.rows.size()));
    for (int r = 0; r < int(list.rows.size()); ++r) {
        const ReminderRow& row = list.rows[size_t(r)];
        const QString texts[kColumns] = {row.date,    LateText(row.daysLate), row.customer, row.phones,
                                         row.subject, row.priority,           row.comment};
        for (int c = 0; c < kColumns; ++c) model->setCell(r, c, {.text = texts[c]});
        ngRelances->setHint(r, ColComment, row.comment);
    }
    if (!list.rows.empty()) ngRelances->scrollToTop();
}

void RemindersPanel::formatCell(int row, int column, toolkit::GridCellFormat& format) const {
    if (row < 0 || row >= int(shown_.rows.size())) return;
    // Overdue reminders stand out, the more so the older they are.
    const int late = shown_.rows[size_t(row)].daysLate;
    if (late > 0 && (column == ColDate || column == ColLate)) {
        format.textColor = QColor(200, 0, 0);
        format.bold = true;
    }
    if (late > 0 && column == ColLate && !format.selected) format.background = QColor(255, 228, 225);
}

bool RemindersPanel::ngRelancesCellClick(int row) {
    if (row < 0 || row >= int(shown_.rows.size()) || !host_.openCustomer) return false;
    const QString idClient = shown_.rows[size_t(row)].idClient;
    trace(QStringLiteral("Relance ouverte : client ") + idClient);
    if (!host_.openCustomer(idClient)) return false;
    PanelRelances->hide();
    return true;
}

void RemindersPanel::ncbRelComChange() {
    if (filling_) return;
    if (ncbRelCom->currentIndex() > 0 && ncbRelSite->currentIndex() > 0) {
        const QScopedValueRollback<bool> filling(filling_, true);
        ncbRelSite->setCurrentIndex(0);
    }
    loadList();
}

void RemindersPanel::ncbRelSiteChange() {
    if (filling_) return;
    if (ncbRelSite->currentIndex() > 0 && ncbRelCom->currentIndex() > 0) {
        const QScopedValueRollback<bool> filling(filling_, true);
        ncbRelCom->setCurrentIndex(0);
    }
    loadList();
}

}  // namespace stanor::reminders
