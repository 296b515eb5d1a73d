#include "search/SearchPanel.h"

#include "pages/RecordView.h"
#include "pages/RefLists.h"
#include "search/SearchPictures.h"
#include "search/SearchSql.h"
#include "service/TextTools.h"
#include "toolkit/Controls.h"
#include "toolkit/Grid.h"

#include <QFrame>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPushButton>
#include <QScopedValueRollback>

namespace stanor::search {

namespace {

constexpr char kObjectName[] = "stanorSearchPanel";

struct PairDesign {
    const char *label, *button, *caption, *labelHint, *buttonHint;
};
// NVO, Immat, Client, Telephone, Mobile.
constexpr PairDesign kPairs[kModePairCount] = {
    {"TSLbNVO", "TSNVO", "N°VO", "cliquez pour la recherche par numéro de VO", "recherche un numéro de VO"},
    {"TSLbImmat", "TSImmat", "Immatricul.", "cliquez pour la recherche par l'immatriculation",
     "recherche un numéro d'immatriculation"},
    {"TSLbClient", "TSClient", "Nom Client", "cliquez pour la recherche par le nom du client",
     "recherche un nom de client"},
    {"TSLbTelephone", "TSTelephone", "Téléphone", "cliquez pour la recherche par le numéro de téléphone",
     "recherche un numéro de téléphone"},
    {"TSLbMobile", "TSMobile", "Mobile", "cliquez pour la recherche par le numéro de mobile",
     "recherche un numéro de mobile"},
};

const QString kExactCaption = QStringLiteral("recherche exacte :");
const QString kPlainCaption = QStringLiteral("à rechercher :");

// Panel size and its rows.
constexpr int kPanelWidth = 664, kPanelHeight = 440;
constexpr int kPairWidth = 70, kLabelTop = 6, kButtonTop = 22, kButtonSize = 24;
constexpr int kTextTop = 54, kGridTop = 84;

void setColour(QWidget* w, const QColor& c) {
    QPalette p = w->palette();
    p.setColor(QPalette::WindowText, c);
    w->setPalette(p);
}

QString withoutBreaks(QString text) {
    text.remove(u'\r');
    text.remove(u'\n');
    text.remove(u'\t');
    return text;
}

}  // namespace

SearchPanel* SearchPanel::install(QFrame* frame, QPushButton* searchButton, pages::RecordView& view, SearchHost host) {
    if (SearchPanel* existing = of(frame)) return existing;
    return new SearchPanel(frame, searchButton, view, std::move(host));
}

SearchPanel* SearchPanel::of(const QFrame* frame) {
    return frame ? frame->findChild<SearchPanel*>(QLatin1String(kObjectName), Qt::FindDirectChildrenOnly) : nullptr;
}

SearchPanel::SearchPanel(QFrame* frame, QPushButton* searchButton, pages::RecordView& view, SearchHost host)
    : QObject(frame), Panel1(frame), JvXPBtnSearch(searchButton), view_(view), host_(std::move(host)) {
    setObjectName(QLatin1String(kObjectName));
    build();
}

void SearchPanel::trace(const QString& text) const {
    if (host_.trace) host_.trace(text);
}

void SearchPanel::setSearchDelay(int ticks) {
    if (host_.setSearchDelay) host_.setSearchDelay(ticks);
}

void SearchPanel::build() {
    using namespace toolkit;
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFrameShape(QFrame::Panel);
    Panel1->setFrameShadow(QFrame::Raised);
    Panel1->setAutoFillBackground(true);
    Panel1->resize(kPanelWidth, kPanelHeight);

    for (int i = 0; i < kModePairCount; ++i) {
        const PairDesign& d = kPairs[i];
        auto* label = new Label(QString::fromUtf8(d.caption), Panel1);
        label->setObjectName(QLatin1String(d.label));
        label->setToolTip(QString::fromUtf8(d.labelHint));
        label->setCursor(Qt::PointingHandCursor);
        label->setGeometry(0, kLabelTop, kPairWidth, 16);
        auto* button = new FlatButton(QString(), QString::fromUtf8(d.buttonHint), Panel1);
        button->setObjectName(QLatin1String(d.button));
        button->setPicture(ModePicture(ModePair(i)));
        button->setIconSize(QSize(20, 20));
        button->setGeometry(0, kButtonTop, kButtonSize + 6, kButtonSize + 2);
        // The picture chooses its mode as its label does; the chosen one stays pressed in.
        button->setCheckable(true);
        button->setAutoRaise(false);
        ModeLabels[size_t(i)] = label;
        ModeButtons[size_t(i)] = button;
        connect(label->events(), &FieldEvents::clicked, this, [this, i] { BtnActivate(ModePair(i)); });
        connect(button, &QToolButton::clicked, this, [this, i] {
            BtnActivate(ModePair(i));
            TSVClick();
        });
    }

    ncbLbSite = new Label(QStringLiteral("Site :"), Panel1);
    ncbLbSite->setObjectName(QStringLiteral("ncbLbSite"));
    ncbLbSite->setGeometry(310, kLabelTop, 110, 16);
    ncbSite = new ComboBox(false, Panel1);
    ncbSite->setObjectName(QStringLiteral("ncbSite"));
    ncbSite->setGeometry(310, kButtonTop + 2, 110, 22);
    ncbLbTypeVO = new Label(QStringLiteral("Type Véhicule :"), Panel1);
    ncbLbTypeVO->setObjectName(QStringLiteral("ncbLbTypeVO"));
    ncbLbTypeVO->setGeometry(430, kLabelTop, 120, 16);
    ncbTypeVO = new ComboBox(true, Panel1);
    ncbTypeVO->setObjectName(QStringLiteral("ncbTypeVO"));
    ncbTypeVO->setGeometry(430, kButtonTop + 2, 120, 22);

    LbSearch = new Label(kPlainCaption, Panel1);
    LbSearch->setObjectName(QStringLiteral("LbSearch"));
    LbSearch->setGeometry(10, kTextTop + 3, 116, 18);
    LbSearch->setCursor(Qt::PointingHandCursor);
    LbSearch->setToolTip(QStringLiteral("cliquez pour passer de la recherche exacte à la recherche approchée"));
    setColour(LbSearch, Qt::blue);
    ncbSearch = new Memo(Panel1);
    ncbSearch->setObjectName(QStringLiteral("ncbSearch"));
    ncbSearch->setGeometry(128, kTextTop, 300, 24);
    ncbSearch->setMaxLength(50);
    ncbSearch->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    ncbSearch->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    ncbSearch->setLineWrapMode(QPlainTextEdit::NoWrap);
    ncbSearch->document()->setDocumentMargin(2);
    ncbSearch->installEventFilter(this);
    ncbLabel = new Label(QString(), Panel1);
    ncbLabel->setObjectName(QStringLiteral("ncbLabel"));
    ncbLabel->setGeometry(436, kTextTop + 3, 220, 18);

    ngSearch = new Grid(Panel1);
    ngSearch->setObjectName(QStringLiteral("ngSearch"));
    ngSearch->setGeometry(4, kGridTop, kPanelWidth - 8, kPanelHeight - kGridTop - 4);
    ngSearch->setColumns({
        {.name = QStringLiteral("ngsIndex"), .kind = ColumnKind::Number, .width = 0, .readOnly = true},
        {.name = QStringLiteral("ngsImage"), .kind = ColumnKind::Image, .width = 20, .readOnly = true},
        {.name = QStringLiteral("ngsInfo1"), .width = 100, .readOnly = true},
        {.name = QStringLiteral("ngsInfo2"), .width = 78, .readOnly = true},
        {.name = QStringLiteral("ngsInfo3"), .width = 78, .readOnly = true},
        {.name = QStringLiteral("ngsInfo4"), .width = 150, .readOnly = true},
        {.name = QStringLiteral("ngsInfo5"), .width = 200, .readOnly = true},
    });
    ngSearch->setColumnHidden(ngsIndex, true);
    ngSearch->setImages(SearchGridImages(Grid::standardImages()));
    ngSearch->setSelectionBehavior(QAbstractItemView::SelectRows);
    ngSearch->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ngSearch->viewport()->setMouseTracking(true);
    ngSearch->viewport()->installEventFilter(this);
    ngSearch->installEventFilter(this);
    QHeaderView* header = ngSearch->horizontalHeader();
    header->setSectionsClickable(true);
    header->setSortIndicatorShown(true);
    header->setStretchLastSection(true);
    const SearchGridLayout layout = GridLayoutOf(1);
    for (int c = ngsInfo1; c < kSearchColumns; ++c)
        ngSearch->describeColumn(c, layout.Captions[c - ngsInfo1], ngSearch->column(c).width);
    connect(header, &QHeaderView::sectionClicked, this, [this](int c) { sortBy(c); });
    connect(ngSearch, &Grid::cellClick, this, [this](int r, int c) { ngSearchCellClick(c, r); });
    connect(ngSearch, &Grid::cellFormating, this,
            [this](int r, int c, GridCellFormat& f) { ngSearchCellFormating(r, c, f); });

    connect(ncbSearch->events(), &FieldEvents::changed, this, [this] { ncbSearchChange(); });
    connect(ncbSite->events(), &FieldEvents::changed, this, [this] { ncbSiteChange(); });
    connect(ncbTypeVO->events(), &FieldEvents::changed, this, [this] { ncbTypeVOChange(); });
    connect(LbSearch->events(), &FieldEvents::clicked, this, [this] { LbSearchClick(); });
    if (JvXPBtnSearch) connect(JvXPBtnSearch, &QPushButton::clicked, this, [this] { JvXPBtnSearchClick(); });
    Panel1->installEventFilter(this);
    Panel1->hide();
}

bool SearchPanel::customerPage() const { return view_.state().KindSuffix == QLatin1String("_TCL"); }

QString SearchPanel::activeMode() const {
    std::array<bool, kModePairCount> chosen{};
    for (int i = 0; i < kModePairCount; ++i) chosen[size_t(i)] = ModeButtons[size_t(i)]->isChecked();
    return ModeFromButtons(customerPage(), chosen);
}

// ---------------------------------------------------------------- opening

void SearchPanel::fillList(toolkit::ComboBox* combo, const QString& list, const QString& saved) {
    pages::RefLists lists(view_.state().EquipXml);
    const std::optional<QStringList> items = lists.parsItems(list);
    if (!items) return;
    combo->clear();
    combo->addItems(*items);
    // The last entry equal to the remembered text; none when no entry is
    // (adding items selects the first one, which would filter unasked).
    combo->setCurrentIndex(int(items->lastIndexOf(saved)));
    if (combo->currentIndex() < 0 && combo->isEditable()) combo->setEditText(QString());
}

void SearchPanel::firstFill() {
    fillList(ncbTypeVO, QStringLiteral("TVTypeVO"), host_.getSetting(QStringLiteral("svTypeVO")));
    fillList(ncbSite, QStringLiteral("Site"), host_.getSetting(QStringLiteral("svSite")));
    ncbLabel->setText(QString());
}

void SearchPanel::layOut(bool customers) {
    const std::array<int, kModePairCount> lefts = PairLefts(customers);
    for (int i = 0; i < kModePairCount; ++i) {
        const int left = lefts[size_t(i)];
        for (QWidget* w : {static_cast<QWidget*>(ModeLabels[size_t(i)]), static_cast<QWidget*>(ModeButtons[size_t(i)])}) {
            w->setVisible(left != 0);
            if (left != 0) w->move(left, w->y());
        }
        ModeButtons[size_t(i)]->move(left + (kPairWidth - ModeButtons[size_t(i)]->width()) / 2, kButtonTop);
    }
    for (QWidget* w : {static_cast<QWidget*>(ncbLbSite), static_cast<QWidget*>(ncbSite),
                       static_cast<QWidget*>(ncbLbTypeVO), static_cast<QWidget*>(ncbTypeVO)})
        w->setVisible(!customers);
}

void SearchPanel::JvXPBtnSearchClick() {
    const bool customers = customerPage();
    if (ncbTypeVO->count() == 0) firstFill();
    ncbSearch->setText(host_.getSetting(customers ? QStringLiteral("svText2") : QStringLiteral("svText1")));
    setSearchDelay(10);
    layOut(customers);
    // The mode remembered for this kind of record; on first use, a vehicle's
    // registration or a customer's name.
    const auto pair = PairOfMode(customers, host_.getSetting(customers ? QStringLiteral("svOpt2")
                                                                      : QStringLiteral("svOpt1")));
    BtnActivate(pair.value_or(DefaultPair(customers)));
    // Hits of the other kind of record belong to another search.
    if (shownMode_ != 0 && (shownMode_ >= 4) != customers) {
        rows_.clear();
        shownMode_ = 0;
        ngSearch->gridModel()->setLineCount(0);
        ncbLabel->setText(QString());
        if (host_.setHits) host_.setHits({}, customers, {});
    }
    if (JvXPBtnSearch) {
        const QRect b = JvXPBtnSearch->geometry();
        QWidget* parent = Panel1->parentWidget();
        const int right = parent ? parent->width() : b.right();
        Panel1->move(std::max(0, std::min(b.right() + 1, right) - Panel1->width()), PanelTop(b.top(), b.height()));
    }
    Panel1->raise();
    Panel1->setVisible(Panel1->isHidden());
    if (!Panel1->isHidden()) {
        // The grid shows which hit the next and previous buttons start from.
        const int current = host_.currentHit ? host_.currentHit() : -1;
        if (current >= 0 && current < ngSearch->rowCount()) selectRow(current);
        ncbSearch->setFocus();
    }
}

void SearchPanel::BtnActivate(ModePair pair) {
    toolkit::Label* label = ModeLabels[size_t(pair)];
    if (ActiveSearchLabel && ActiveSearchLabel != label) {
        setColour(ActiveSearchLabel, Qt::black);
        QFont f = ActiveSearchLabel->font();
        f.setBold(false);
        f.setUnderline(false);
        ActiveSearchLabel->setFont(f);
    }
    setColour(label, Qt::blue);
    QFont f = label->font();
    f.setBold(true);
    f.setUnderline(true);
    label->setFont(f);
    ActiveSearchLabel = label;
    for (int i = 0; i < kModePairCount; ++i) ModeButtons[size_t(i)]->setChecked(i == int(pair));
    if (Panel1->isVisible()) ncbSearch->setFocus();
}

void SearchPanel::TSVClick() { ncbSearch->setFocus(); }

void SearchPanel::ncbSearchChange() { setSearchDelay(4); }
void SearchPanel::ncbSiteChange() { setSearchDelay(1); }
void SearchPanel::ncbTypeVOChange() { setSearchDelay(1); }

void SearchPanel::LbSearchClick() {
    ExactSearch = !ExactSearch;
    setSearchDelay(1);
}

// ---------------------------------------------------------------- searching

void SearchPanel::HttpGetSearchInfo() {
    // A tick during the request of a search (the user kept typing) searches
    // again once that one is shown, with the panel as it is then.
    if (searching_) {
        setSearchDelay(1);
        return;
    }
    const QScopedValueRollback<bool> busy(searching_, true);
    // Blanks typed or pasted around the text are no part of what is looked for.
    const QString text = withoutBreaks(ncbSearch->text()).trimmed();
    const bool customers = customerPage();
    const QString mode = activeMode();
    if (customers) {
        host_.setSetting(QStringLiteral("svText2"), text);
        host_.setSetting(QStringLiteral("svOpt2"), mode);
    } else {
        host_.setSetting(QStringLiteral("svTypeVO"), ncbTypeVO->text());
        host_.setSetting(QStringLiteral("svSite"), ncbSite->text());
        host_.setSetting(QStringLiteral("svText1"), text);
        host_.setSetting(QStringLiteral("svOpt1"), mode);
    }
    SearchInput in;
    in.Mode = mode;
    in.Text = text;
    in.Site = ncbSite->text();
    in.TypeIndex = ncbTypeVO->currentIndex();
    in.ExactSearch = ExactSearch;
    in.SearchWithFirstName = SearchWithFirstName;
    in.FirstName = view_.form().text(QStringLiteral("aCliPrenom"));
    const SearchStatement s = BuildSearchSql(in);
    SearchHighlightCol = s.SearchHighlightCol;
    LbSearch->setText(s.Caption);
    SearchWithFirstName = s.SearchWithFirstName;
    if (!s.ok()) {
        trace(QStringLiteral("HttpGetSearchInfo : ") + s.Reason);
        return;
    }
    const service::ServiceRequest request = host_.requests().search(s.Sql);
    trace(QStringLiteral("HttpGetSearchInfo : ") + request.url);
    host_.httpExecute(request.url, request.answerFile);
    if (!host_.requestError().isEmpty()) return;
    QString answer;
    try {
        answer = service::LoadTextFile(request.answerFile);
    } catch (const service::FileError& e) {
        if (host_.setRequestError)
            host_.setRequestError(QStringLiteral("Résultat de la recherche illisible : ") + QString::fromUtf8(e.what()));
        return;
    }
    shownMode_ = mode.toInt();
    rows_ = ReadSearchRows(answer, shownMode_, host_.userSite ? host_.userSite() : QString());
    const bool more = rows_.size() > size_t(kSearchRowsShown);
    if (more) rows_.resize(size_t(kSearchRowsShown));
    ncbLabel->setText(FoundText(int(rows_.size()), more));
    setColour(ncbLabel, more ? QColor(200, 0, 0) : QColor(Qt::black));
    const SearchGridLayout layout = GridLayoutOf(shownMode_);
    sortColumn_ = layout.SortedColumn;
    sortAscending_ = true;
    showRows();
}

void SearchPanel::showRows() {
    toolkit::GridModel* model = ngSearch->gridModel();
    const SearchGridLayout layout = GridLayoutOf(shownMode_);
    for (int c = ngsInfo1; c < kSearchColumns; ++c)
        ngSearch->describeColumn(c, layout.Captions[c - ngsInfo1], ngSearch->columnWidth(c));
    ngSearch->horizontalHeader()->setSortIndicator(sortColumn_, sortAscending_ ? Qt::AscendingOrder
                                                                              : Qt::DescendingOrder);
    model->setLineCount(0);
    model->setLineCount(int(rows_.size()));
    QStringList ids;
    QList<int> kinds;
    for (int r = 0; r < int(rows_.size()); ++r) {
        const SearchRow& row = rows_[size_t(r)];
        model->setCell(r, ngsIndex, {.text = row.Id});
        model->setCell(r, ngsImage, {.image = row.Image,
                                     .hint = row.Image == kOwnSiteImage ? QStringLiteral("un de vos sites")
                                                                        : QStringLiteral("un autre site")});
        for (int c = ngsInfo1; c < kSearchColumns; ++c) model->setCell(r, c, {.text = row.Info[size_t(c - ngsInfo1)]});
        ids << row.Id;
        kinds << row.Kind;
    }
    // Vehicle-registration hits of a customer search open the owning customer.
    if (host_.setHits) host_.setHits(ids, shownMode_ >= 4, kinds);
    // The row of the record shown, which next and previous step from.
    const int current = host_.currentHit ? host_.currentHit() : -1;
    if (current >= 0 && current < ngSearch->rowCount()) selectRow(current);
}

void SearchPanel::sortBy(int column) {
    if (column < ngsInfo1 || rows_.empty()) return;
    sortAscending_ = column == sortColumn_ ? !sortAscending_ : true;
    sortColumn_ = column;
    SortSearchRows(rows_, column, sortAscending_, GridLayoutOf(shownMode_).Info2AsDates);
    showRows();
}

// ---------------------------------------------------------------- the grid

bool SearchPanel::ngSearchCellClick(int /*column*/, int row) {
    if (row < 0 || row >= ngSearch->rowCount() || !host_.openHit) return false;
    trace(QStringLiteral("ngSearchCellClick : ") + ngSearch->cell(row, ngsIndex));
    return host_.openHit(row);
}

void SearchPanel::ngSearchMouseMove(const QPoint& pos) {
    if (!ngSearch->hasFocus()) ngSearch->setFocus();
    const int row = ngSearch->rowAt(pos.y());
    if (row < 0) return;
    selectRow(row);
    if (host_.selectHit) host_.selectHit(row);
}

void SearchPanel::ngSearchCellFormating(int /*row*/, int column, toolkit::GridCellFormat& format) {
    if (column == SearchHighlightCol) format.textColor = Qt::blue;
}

void SearchPanel::selectRow(int row) {
    if (ngSearch->currentRow() != row) ngSearch->setCurrentCell(row, std::max(ngSearch->currentColumn(), int(ngsInfo1)));
    // The whole row shows as selected, as the arrows leave it.
    ngSearch->selectionModel()->select(ngSearch->gridModel()->index(row, 0),
                                       QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

bool SearchPanel::eventFilter(QObject* watched, QEvent* e) {
    if (watched == ngSearch->viewport() && e->type() == QEvent::MouseMove) {
        auto* m = static_cast<QMouseEvent*>(e);
        if (m->buttons() == Qt::NoButton) ngSearchMouseMove(m->position().toPoint());
    } else if (e->type() == QEvent::KeyPress) {
        auto* k = static_cast<QKeyEvent*>(e);
        const bool plain = !(k->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier));
        // Escape closes the panel; Return opens the hit chosen with the
        // arrows; Down goes from the text to the hits.
        if (plain && k->key() == Qt::Key_Escape && watched != ngSearch->viewport()) {
            Panel1->hide();
            return true;
        }
        if (plain && watched == ngSearch && (k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter)) {
            ngSearchCellClick(ngSearch->currentColumn(), ngSearch->currentRow());
            return true;
        }
        if (plain && watched == ncbSearch && (k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter)) {
            setSearchDelay(1);  // the search runs at the next tick instead of inserting a line
            return true;
        }
        if (plain && watched == ncbSearch && k->key() == Qt::Key_Down && ngSearch->rowCount() > 0) {
            ngSearch->setFocus();
            selectRow(std::max(ngSearch->currentRow(), 0));
            if (host_.selectHit) host_.selectHit(ngSearch->currentRow());
            return true;
        }
    }
    return QObject::eventFilter(watched, e);
}

}  // namespace stanor::search
