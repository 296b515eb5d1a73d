#include "records/HistoryWindow.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QVBoxLayout>

namespace stanor::records {

namespace {

const char* kObjectName = "FrmHistory";
const QString kAnyField = QStringLiteral("Tous les champs");
const QString kAnyUser = QStringLiteral("Tous les utilisateurs");

}  // namespace

HistoryWindow::HistoryWindow(QWidget* parent, const QString& title, std::vector<HistoryLine> lines)
    : QDialog(parent), lines_(std::move(lines)) {
    setObjectName(QLatin1String(kObjectName));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(title);
    resize(760, 420);

    field_ = new QComboBox(this);
    field_->setObjectName(QStringLiteral("cbHistoryField"));
    field_->addItem(kAnyField);
    field_->addItems(HistoryCaptions(lines_));
    user_ = new QComboBox(this);
    user_->setObjectName(QStringLiteral("cbHistoryUser"));
    user_->addItem(kAnyUser);
    user_->addItems(HistoryUsers(lines_));

    list_ = new QTableWidget(this);
    list_->setObjectName(QStringLiteral("lvHistory"));
    list_->setColumnCount(5);
    list_->setHorizontalHeaderLabels({QStringLiteral("Date"), QStringLiteral("Utilisateur"), QStringLiteral("Champ"),
                                      QStringLiteral("Ancienne valeur"), QStringLiteral("Nouvelle valeur")});
    list_->verticalHeader()->hide();
    list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->horizontalHeader()->setStretchLastSection(true);

    auto* filters = new QHBoxLayout;
    filters->addWidget(new QLabel(QStringLiteral("Champ :"), this));
    filters->addWidget(field_, 1);
    filters->addWidget(new QLabel(QStringLiteral("Utilisateur :"), this));
    filters->addWidget(user_, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(filters);
    layout->addWidget(list_);
    if (lines_.empty()) layout->addWidget(new QLabel(QStringLiteral("Aucune modification enregistrée."), this));

    connect(field_, &QComboBox::currentIndexChanged, this, [this] { refill(); });
    connect(user_, &QComboBox::currentIndexChanged, this, [this] { refill(); });
    refill();
}

HistoryWindow* HistoryWindow::of(QWidget* form) {
    return form ? form->findChild<HistoryWindow*>(QLatin1String(kObjectName), Qt::FindDirectChildrenOnly) : nullptr;
}

void HistoryWindow::refill() {
    const QString caption = field_->currentIndex() > 0 ? field_->currentText() : QString();
    const QString user = user_->currentIndex() > 0 ? user_->currentText() : QString();
    const std::vector<HistoryLine> shown = FilterHistory(lines_, caption, user);
    list_->setRowCount(int(shown.size()));
    for (int r = 0; r < int(shown.size()); ++r) {
        const HistoryLine& l = shown[size_t(r)];
        const QString when = l.When.isValid() ? l.When.toLocalTime().toString(QStringLiteral("dd/MM/yyyy HH:mm")) : QString();
        const QString cells[] = {when, l.UserName, l.Caption, l.OldValue, l.NewValue};
        for (int c = 0; c < 5; ++c) list_->setItem(r, c, new QTableWidgetItem(cells[c]));
    }
    list_->resizeColumnsToContents();
}

}  // namespace stanor::records
