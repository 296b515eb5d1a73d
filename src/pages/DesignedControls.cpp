// Building the designed controls on the sheets. Controls are direct children
// of their sheet (or of PanelCompta), as the tab descriptions look them up
// there by name; they are placed in labelled groups, group by group in the
// shortest column, grids across the whole sheet.

#include "pages/DesignedControls.h"

#include "toolkit/Controls.h"
#include "toolkit/Grid.h"

#include <QEvent>
#include <QFrame>
#include <QAbstractButton>
#include <QHeaderView>
#include <QIcon>
#include <QTabBar>
#include <QTabWidget>
#include <QTreeWidget>

#include <algorithm>

namespace stanor::pages {

namespace {

using K = DesignedKind;
using namespace stanor::toolkit;

constexpr int kRow = 22;       // layout row
constexpr int kControlH = 20;  // one-row control
constexpr int kMargin = 6;
constexpr int kTitleH = 18;
constexpr int kGroupGap = 8;
constexpr char kCaptionProperty[] = "designedCaption";

int columnsOf(int sheet) {
    switch (sheet) {
    case 1: case 3: case 4: return 4;
    default: return 3;
    }
}

// List-like controls carry their caption above them, and so do those designed so.
bool captionAbove(const DesignedControl& d) {
    return d.kind == K::ListBox || d.kind == K::ListView || d.kind == K::Image || d.kind == K::Grid ||
           (d.flags & Designed::CaptionAbove);
}

QWidget* createControl(const DesignedControl& d, QWidget* parent) {
    const QString caption = QString::fromUtf8(d.caption);
    FieldControl* field = nullptr;
    QWidget* w = nullptr;
    switch (d.kind) {
    case K::Date: field = new DatePicker(parent); break;
    case K::ComboList: field = new ComboBox(true, parent); break;
    case K::ComboEdit: field = new ComboBox(false, parent); break;
    case K::Memo: {
        auto* m = new Memo(parent);
        if (d.rows == 1) {
            m->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
            m->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
            m->setLineWrapMode(QPlainTextEdit::NoWrap);
            m->document()->setDocumentMargin(1);
        }
        m->setReadOnly(d.flags & Designed::ReadOnly);
        field = m;
        break;
    }
    case K::Number: field = new NumberEdit(parent); break;
    case K::Edit: field = new Edit(parent); break;
    case K::ListBox: field = new ListBox(parent); break;
    case K::Grid: field = new Grid(parent); break;
    case K::Button: {
        auto* b = new FlatButton(caption, QString::fromUtf8(d.hint), parent);
        // A picture says it is a command, not a caption.
        if (const char* picture = buttonPicture(d.name)) b->setPicture(QIcon::fromTheme(QString::fromLatin1(picture)));
        field = b;
        break;
    }
    case K::Label: field = new Label(caption, parent); break;
    case K::ListView: {
        auto* v = new QTreeWidget(parent);
        v->setRootIsDecorated(false);
        v->setHeaderHidden(false);
        v->setColumnCount(0);
        w = v;
        break;
    }
    case K::Image: {
        auto* img = new QLabel(parent);
        img->setFrameShape(QFrame::StyledPanel);
        img->setAlignment(Qt::AlignCenter);
        img->setScaledContents(false);
        w = img;
        break;
    }
    case K::Panel: {
        auto* f = new QFrame(parent);
        f->setFrameShape(QFrame::StyledPanel);
        w = f;
        break;
    }
    }
    if (field) {
        w = field->widget();
        if (d.maxLength > 0) field->setMaxLength(d.maxLength);
    }
    w->setObjectName(QString::fromLatin1(d.name));
    // A marker beside a field (a duplicate count, a unit) is no stop of TAB:
    // typing goes on in the next field.
    if (d.flags & Designed::Beside) w->setFocusPolicy(Qt::ClickFocus);
    if (d.flags & Designed::Disabled) w->setEnabled(false);
    if (d.flags & Designed::Hidden) w->setHidden(true);
    return w;
}

// Keeps a caption label shown exactly while its control is.
class CaptionFollower : public QObject {
public:
    CaptionFollower(QWidget* control, QLabel* label) : QObject(control), label_(label) {
        control->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::ShowToParent) label_->show();
        else if (e->type() == QEvent::HideToParent) label_->hide();
        return false;
    }

private:
    QLabel* label_;
};

// Gives a control the room of the label beside it only while that label is
// shown, so that a date keeps its whole width while its marker is hidden.
class BesideRoom : public QObject {
public:
    BesideRoom(QWidget* beside, QWidget* control, int room) : QObject(beside), control_(control), room_(room) {
        beside->installEventFilter(this);
        fit(!beside->isHidden());
    }

protected:
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::ShowToParent) fit(true);
        else if (e->type() == QEvent::HideToParent) fit(false);
        return false;
    }

private:
    void fit(bool narrow) {
        if (narrow == narrow_) return;
        QRect r = control_->geometry();
        r.setWidth(r.width() + (narrow ? -room_ : room_));
        control_->setGeometry(r);
        narrow_ = narrow;
    }
    QWidget* control_;
    int room_;
    bool narrow_ = false;
};

// Places the controls of one group (or of PanelCompta) in a column.
class ColumnPlacer {
public:
    ColumnPlacer(DesignedSheets& out, int x, int y, int width) : out_(out), x_(x), y_(y), width_(width) {}
    int y() const { return y_; }

    QLabel* title(QWidget* parent, const QString& text) {
        auto* l = new QLabel(text, parent);
        QFont f = l->font();
        f.setBold(true);
        l->setFont(f);
        l->setGeometry(x_, y_, width_, kTitleH);
        y_ += kTitleH + 2;
        return l;
    }

    QWidget* place(const DesignedControl& d, QWidget* parent) {
        QWidget* w = createControl(d, parent);
        out_.add(QString::fromLatin1(d.name), w);
        const QString caption = QString::fromUtf8(d.caption);
        const int labelW = width_ * 42 / 100;
        const int h = d.rows * kRow - (kRow - kControlH);

        if (d.flags & Designed::Overlay) {
            w->setGeometry(x_, y_, width_, h);
            return w;
        }
        if (d.flags & Designed::Beside && last_) {
            const QRect r = last_->geometry();
            w->setGeometry(r.right() - 26, r.y(), 28, kControlH);
            new BesideRoom(w, last_, 30);
            return w;
        }
        if (d.flags & Designed::Below && last_) {
            const QRect r = last_->geometry();
            w->setGeometry(r.x(), y_, r.width(), kControlH);
            y_ += kRow;
            return w;
        }
        if (d.kind == K::Label || d.kind == K::Button || d.kind == K::Panel) {
            w->setGeometry(x_, y_, d.kind == K::Button ? std::min(width_, 170) : width_, h);
        } else if (captionAbove(d)) {
            if (!caption.isEmpty()) {
                caption_(d, parent, w, QRect(x_, y_, width_, kTitleH - 2));
                y_ += kTitleH;
            }
            w->setGeometry(x_, y_, width_, h);
        } else {
            if (!caption.isEmpty()) caption_(d, parent, w, QRect(x_, y_ + 2, labelW - 4, kControlH - 2));
            w->setGeometry(x_ + labelW, y_, width_ - labelW, h);
        }
        y_ += h + (kRow - kControlH);
        last_ = w;
        return w;
    }

    static int heightOf(const DesignedControl& d) {
        if (d.flags & (Designed::Beside | Designed::Overlay)) return 0;
        const int caption = captionAbove(d) && *d.caption ? kTitleH : 0;
        return caption + d.rows * kRow;
    }

private:
    static void caption_(const DesignedControl& d, QWidget* parent, QWidget* control, const QRect& r) {
        auto* l = new QLabel(QString::fromUtf8(d.caption), parent);
        l->setObjectName(QStringLiteral("lbl") + QString::fromLatin1(d.name));
        l->setToolTip(l->text());
        l->setGeometry(r);
        if (d.flags & Designed::Hidden) l->setHidden(true);
        control->setProperty(kCaptionProperty, QVariant::fromValue<QObject*>(l));
        new CaptionFollower(control, l);
    }

    DesignedSheets& out_;
    int x_, y_, width_;
    QWidget* last_ = nullptr;
};

// The free room of a built sheet, kept on it so that controls created later
// from the descriptions join its layout instead of covering it: in each
// column, the space left above a group across the whole sheet (a grid) and
// the space left at its foot.
struct FreeSpace {
    int column;
    int top, bottom;
};

class SheetLayout : public QObject {
public:
    static constexpr char kName[] = "stanorSheetLayout";
    SheetLayout(QWidget* sheet, std::vector<int> xs, int width, std::vector<FreeSpace> spaces)
        : QObject(sheet), sheet_(sheet), xs_(std::move(xs)), width_(width), spaces_(std::move(spaces)) {
        setObjectName(QLatin1String(kName));
        // The highest room first; at the same height, the leftmost.
        std::stable_sort(spaces_.begin(), spaces_.end(), [](const FreeSpace& a, const FreeSpace& b) {
            return a.top != b.top ? a.top < b.top : a.column < b.column;
        });
    }

    void place(QWidget* control, QLabel* caption, bool above, int rows) {
        const int h = rows * kRow - (kRow - kControlH);
        const int need = h + (kRow - kControlH) + (above && caption ? kTitleH : 0);
        if (!current_ || current_->top + need > current_->bottom) open(need);
        int& y = current_->top;
        const int x = xs_[current_->column];
        const int labelW = width_ * 42 / 100;
        if (above) {
            if (caption) {
                caption->setGeometry(x, y, width_, kTitleH - 2);
                y += kTitleH;
            }
            control->setGeometry(x, y, width_, h);
        } else if (qobject_cast<QAbstractButton*>(control)) {
            control->setGeometry(x, y, std::min(width_, 170), h);
        } else {
            if (caption) caption->setGeometry(x, y + 2, labelW - 4, kControlH - 2);
            control->setGeometry(x + labelW, y, width_ - labelW, h);
        }
        y += h + (kRow - kControlH);
    }

private:
    // The first room that holds a title and the control; the last one (the
    // foot of the sheet) when none does, so that nothing is ever lost.
    void open(int need) {
        FreeSpace* chosen = nullptr;
        for (FreeSpace& f : spaces_)
            if (&f != current_ && f.top + kTitleH + 2 + need <= f.bottom) {
                chosen = &f;
                break;
            }
        if (!chosen) {
            if (current_) return;  // go on below, past the foot
            chosen = &spaces_.back();
        }
        current_ = chosen;
        auto* title = new QLabel(QStringLiteral("Autres informations"), sheet_);
        title->setObjectName(QStringLiteral("lblAutresInformations%1").arg(chosen->column));
        QFont f = title->font();
        f.setBold(true);
        title->setFont(f);
        title->setGeometry(xs_[chosen->column], chosen->top, width_, kTitleH);
        title->show();
        chosen->top += kTitleH + 2;
    }

    QWidget* sheet_;
    std::vector<int> xs_;
    int width_;
    std::vector<FreeSpace> spaces_;
    FreeSpace* current_ = nullptr;
};

QWidget* findSheet(QTabWidget* tabs, int n) {
    const QString name = QStringLiteral("Sheet%1").arg(n, 2, 10, QChar(u'0'));
    for (int i = 0; i < tabs->count(); ++i)
        if (tabs->widget(i)->objectName() == name) return tabs->widget(i);
    return tabs->findChild<QWidget*>(name);
}

// The entries [begin, end) of one sheet, cut into groups.
void buildSheet(QWidget* sheet, int number, std::vector<const DesignedControl*> entries, int width, int height,
                DesignedSheets& out) {
    const int ncols = columnsOf(number);
    const int colW = (width - kMargin * (ncols + 1)) / ncols;
    std::vector<int> colY(ncols, kMargin);
    std::vector<FreeSpace> free;

    size_t i = 0;
    while (i < entries.size()) {
        size_t j = i;
        while (j < entries.size() && QLatin1String(entries[j]->group) == QLatin1String(entries[i]->group)) ++j;
        const QString group = QString::fromUtf8(entries[i]->group);
        const bool wide = std::any_of(entries.begin() + i, entries.begin() + j,
                                      [](const DesignedControl* d) { return d->kind == K::Grid; });
        if (wide) {
            const int y = *std::max_element(colY.begin(), colY.end());
            for (int c = 0; c < ncols; ++c) free.push_back({c, colY[c], y - kGroupGap});
            ColumnPlacer band(out, kMargin, y, width - 2 * kMargin);
            if (!group.isEmpty()) band.title(sheet, group);
            for (size_t k = i; k < j; ++k) band.place(*entries[k], sheet);
            std::fill(colY.begin(), colY.end(), band.y() + kGroupGap);
        } else {
            const int c = static_cast<int>(std::min_element(colY.begin(), colY.end()) - colY.begin());
            ColumnPlacer col(out, kMargin + c * (colW + kMargin), colY[c], colW);
            // A group of controls hidden at design (indicators) carries no title.
            const bool allHidden = std::all_of(entries.begin() + i, entries.begin() + j,
                                               [](const DesignedControl* d) { return d->flags & Designed::Hidden; });
            QLabel* title = !group.isEmpty() && !allHidden ? col.title(sheet, group) : nullptr;
            QWidget* panel = nullptr;
            std::unique_ptr<ColumnPlacer> inPanel;
            for (size_t k = i; k < j; ++k) {
                const DesignedControl& d = *entries[k];
                if (d.kind == K::Panel) {
                    int h = kMargin;
                    for (size_t m = k + 1; m < j && (entries[m]->flags & Designed::OnPanel); ++m)
                        h += ColumnPlacer::heightOf(*entries[m]);
                    DesignedControl sized = d;
                    sized.rows = (h + kRow - 1) / kRow;
                    panel = col.place(sized, sheet);
                    // A group that is its panel has no title while the panel is hidden.
                    if (title) new CaptionFollower(panel, title);
                    inPanel = std::make_unique<ColumnPlacer>(out, 4, 4, colW - 8);
                } else if ((d.flags & Designed::OnPanel) && panel) {
                    inPanel->place(d, panel);
                } else {
                    col.place(d, sheet);
                }
            }
            colY[c] = col.y() + kGroupGap;
        }
        i = j;
    }
    std::vector<int> xs;
    for (int c = 0; c < ncols; ++c) {
        xs.push_back(kMargin + c * (colW + kMargin));
        free.push_back({c, colY[c], height - kMargin});
    }
    new SheetLayout(sheet, std::move(xs), colW, std::move(free));
}

}  // namespace

bool placeCreatedControl(QWidget* sheet, QWidget* control, QLabel* caption, bool captionAbove, int rows) {
    if (!sheet || !control) return false;
    auto* layout = sheet->findChild<SheetLayout*>(QLatin1String(SheetLayout::kName), Qt::FindDirectChildrenOnly);
    if (!layout) return false;
    layout->place(control, caption, captionAbove, std::max(1, rows));
    return true;
}

QLabel* designedCaption(const QWidget* control) {
    if (!control) return nullptr;
    return qobject_cast<QLabel*>(control->property(kCaptionProperty).value<QObject*>());
}

DesignedSheets buildDesignedControls(QTabWidget* tabs, QStringList* faults) {
    DesignedSheets out;
    if (!tabs) {
        if (faults) *faults << QStringLiteral("contrôles : pas de classeur d'onglets");
        return out;
    }
    const int width = std::max(600, tabs->width() - 8);
    // The room of a sheet below the tabs (the page control may not be laid out yet).
    const int height = std::max(300, tabs->height() - tabs->tabBar()->sizeHint().height() - 6);
    for (int n = 1; n <= 9; ++n) {
        std::vector<const DesignedControl*> entries;
        for (const DesignedControl& d : designedControls())
            if (d.sheet == n) entries.push_back(&d);
        QWidget* sheet = findSheet(tabs, n);
        if (!sheet) {
            if (faults) *faults << QStringLiteral("contrôles : onglet Sheet%1 absent").arg(n, 2, 10, QChar(u'0'));
            continue;
        }
        buildSheet(sheet, n, std::move(entries), width, height, out);
    }
    return out;
}

}  // namespace stanor::pages
