#include "pages/FieldBinding.h"

#include "toolkit/Controls.h"
#include "toolkit/WinColor.h"

#include <QAbstractButton>
#include <QLabel>

namespace stanor::pages {

using toolkit::FieldControl;
namespace WinColor = toolkit::WinColor;

namespace {

bool isComboType(int t) { return t == ControlType::ComboText || t == ControlType::ComboIndex; }

// Marks a designed widget that is no field control (a photo list) once a row took it.
constexpr char kClaimedProperty[] = "stanorClaimed";

}  // namespace

FieldBinding::FieldBinding(RecordViewState& state, RecordViewForm& form, const RecordViewHost& host)
    : s_(state), f_(form), h_(host)
{
}

void FieldBinding::trace(const QString& text) const
{
    if (h_.trace)
        h_.trace(text);
}

QWidget* FieldBinding::hostOf(int n, const TsDesc& d)
{
    switch (fieldHost(n, d.IdNum)) {
    case FieldHost::PanelCompta:
        return f_.widget(QStringLiteral("PanelCompta"));
    case FieldHost::Sheet:
        return s_.pages[n].Sheet;
    case FieldHost::None:
        break;
    }
    return nullptr;
}

QWidget* FieldBinding::findDesigned(int n, const TsDesc& d)
{
    QWidget* host = hostOf(n, d);
    if (!host)
        return nullptr;
    const QString name = s_.pages[n].NamePrefix + d.FieldName;
    // An empty name names no control (an empty search would take the first).
    if (name.isEmpty())
        return nullptr;
    QWidget* panel = f_.widget(QStringLiteral("PanelCompta"));
    // Sheets group their controls in frames, so the search goes below the
    // sheet itself; the accounting panel keeps its own fields apart. A field
    // control is preferred; another designed widget of that name (a photo
    // list) takes the row's visibility and caption.
    QWidget* other = nullptr;
    for (QWidget* w : host->findChildren<QWidget*>(name)) {
        if (host != panel && panel && panel != w && panel->isAncestorOf(w))
            continue;
        if (toolkit::asFieldControl(w))
            return w;
        if (!other && !qobject_cast<QLabel*>(w))
            other = w;
    }
    return other;
}

namespace {

// What the designed control is, in the words of a trace line.
QString kindOf(const QWidget* w)
{
    if (qobject_cast<const toolkit::DatePicker*>(w))
        return QStringLiteral("date");
    if (qobject_cast<const toolkit::NumberEdit*>(w))
        return QStringLiteral("nombre");
    if (qobject_cast<const toolkit::Edit*>(w))
        return QStringLiteral("zone de texte");
    if (qobject_cast<const toolkit::Memo*>(w))
        return QStringLiteral("mémo");
    if (auto* cb = qobject_cast<const toolkit::ComboBox*>(w))
        return cb->isListOnly() ? QStringLiteral("liste déroulante fermée") : QStringLiteral("liste déroulante");
    if (qobject_cast<const toolkit::ListBox*>(w))
        return QStringLiteral("liste à cocher");
    if (qobject_cast<const QAbstractButton*>(w))
        return QStringLiteral("bouton");
    return QString::fromLatin1(w->metaObject()->className());
}

// Whether the designed control is of the kind the row's control code calls for.
bool kindAgrees(int type, const QWidget* w)
{
    switch (type) {
    case ControlType::ListBox:
        return qobject_cast<const toolkit::ListBox*>(w);
    case ControlType::ComboText:
    case ControlType::ComboIndex:
        return qobject_cast<const toolkit::ComboBox*>(w);
    case ControlType::Button:
        return qobject_cast<const QAbstractButton*>(w);
    case ControlType::Edit:
        return !qobject_cast<const toolkit::ListBox*>(w) && !qobject_cast<const toolkit::ComboBox*>(w) &&
               !qobject_cast<const QAbstractButton*>(w);
    default:
        return true;
    }
}

}  // namespace

bool FieldBinding::carriesValue(int controlType)
{
    return controlType == ControlType::Edit || controlType == ControlType::ListBox || isComboType(controlType);
}

void FieldBinding::setUp(TsDesc& d, QWidget* w, int n, int index, bool rights)
{
    FieldControl* fc = toolkit::asFieldControl(w);
    if (!fc)
        return;
    const bool firstBinding = !fc->claimed();
    fc->setTag(controlTag(n, index));
    const int type = d.ControlType;
    auto* lb = qobject_cast<toolkit::ListBox*>(w);
    auto* cb = qobject_cast<toolkit::ComboBox*>(w);
    if (firstBinding && !kindAgrees(type, w)) {
        // The description and the design disagree: said once, and the value
        // is shown as text wherever the control can hold one.
        trace(QStringLiteral("liaison : la ligne %1 (type %2) désigne %3, une %4 : %5")
                  .arg(s_.pages[n].NamePrefix + d.FieldName)
                  .arg(type)
                  .arg(w->objectName(), kindOf(w),
                       lb || type == ControlType::Button ? QStringLiteral("valeur non affichée")
                                                         : QStringLiteral("valeur affichée comme texte")));
    }
    if (type == ControlType::Button) {
        d.Button = w;
    } else if (type == ControlType::ListBox && lb) {
        // Emptying the list is no choice of the user: a change event here
        // would store "nothing ticked" as the value about to be shown.
        {
            const QSignalBlocker quiet(lb);
            lb->clearItems();
        }
        d.ListBox = w;
        if (d.BackColor == 0)
            d.BackColor = fc->backColor();
        if (h_.attachEvents)
            h_.attachEvents(w, type, d);
        if (h_.fillList)
            h_.fillList(d, lb);
        d.Control = w;
    } else if (isComboType(type) && cb) {
        {
            const QSignalBlocker quiet(cb);
            cb->clearAll();
        }
        d.ComboBox = w;
        if (d.BackColor == 0)
            d.BackColor = fc->backColor();
        if (h_.attachEvents)
            h_.attachEvents(w, type, d);
        if (!d.ListName.isEmpty())
            trace(QStringLiteral("CBoxEvents : ") + d.ListName + QStringLiteral(" - ") + d.ListKey);
        if (h_.fillCombo) {
            h_.fillCombo(d, cb);
        } else if (!d.CurrentValue.isEmpty()) {
            // Without reference lists the value is still shown.
            cb->addItem(d.CurrentValue);
            cb->setCurrentIndex(cb->count() - 1);
        }
        if (d.Length != 0)
            fc->setMaxLength(d.Length);
        d.Control = w;
    } else {
        d.Control = w;
        if (d.BackColor == 0)
            d.BackColor = fc->backColor();
        if (h_.attachEvents)
            h_.attachEvents(w, lb ? int(ControlType::ListBox) : cb ? int(ControlType::ComboText) : type, d);
        QString value = d.CurrentValue;
        if (d.DataType == DataType::Decimal)
            value.replace(QLatin1Char(','), QLatin1Char('.'));
        // A list-only combo box shows only one of its items: the value becomes one.
        if (cb && cb->isListOnly() && !value.isEmpty() && cb->findText(value) < 0)
            cb->addItem(value);
        fc->setText(value);
        if (d.Length != 0)
            fc->setMaxLength(d.Length);
    }
    fc->setEnabled(rights && d.Width != 0);
    if (rights) {
        if (d.BackColor != 0)
            fc->setBackColor(d.BackColor);
        fc->setFontColor(d.FontColor);
    } else {
        fc->setBackColor(WinColor::clInactiveBorder);
    }
}

QWidget* FieldBinding::createControl(TsDesc& d, int n)
{
    QWidget* sheet = hostOf(n, d);
    if (!sheet)
        return nullptr;
    QWidget* w = nullptr;
    QRect geo;
    switch (d.ControlType) {
    case ControlType::ListBox:
        w = new toolkit::ListBox(sheet);
        geo = QRect(d.Left, d.Top + 21, d.Width, d.Height + 4);
        break;
    case ControlType::ComboText:
    case ControlType::ComboIndex:
        w = new toolkit::ComboBox(true, sheet);
        geo = QRect(d.Left, d.Top, d.Width, d.Height + 4);
        break;
    case ControlType::Button:
        w = new toolkit::FlatButton(d.Caption, {}, sheet);
        geo = QRect(d.Left, d.Top + 2, d.Width, d.Height - 1);
        break;
    default:
        // The edit that fits the value: typing a date or a name into a
        // number edit is refused key by key.
        if (d.DataType == DataType::Date)
            w = new toolkit::DatePicker(sheet);
        else if (d.DataType == DataType::Integer || d.DataType == DataType::Decimal)
            w = new toolkit::NumberEdit(sheet);
        else
            w = new toolkit::Edit(sheet);
        geo = QRect(d.Left, d.Top, d.Width, d.Height - 1);
        break;
    }
    w->setObjectName(s_.pages[n].NamePrefix + d.FieldName);
    w->setGeometry(geo);
    w->setVisible(d.Visible);
    return w;
}

void FieldBinding::createLabel(TsDesc& d, int n, int index, int left, int top)
{
    QWidget* parent = hostOf(n, d);
    if (!parent)
        return;
    auto* label = new toolkit::Label(d.Caption, parent);
    label->setObjectName(QStringLiteral("Lb") + s_.pages[n].NamePrefix + d.FieldName);
    int x = left;
    if (d.ControlType != ControlType::ListBox && d.ControlType != ControlType::LabelAbove) {
        if (left <= 93)
            x = 5;
        else if (left <= 400)
            x = left - 48;
        else
            x = left - 22;
    }
    label->adjustSize();
    label->setGeometry(x, top + 2, std::max(label->width(), 40), d.Height);
    label->setTag(controlTag(n, index));
    label->setVisible(d.Visible);
    d.Label = label;
}

void FieldBinding::applyCaptionColour(const TsDesc& d)
{
    auto* label = qobject_cast<QLabel*>(d.Label);
    if (!label)
        return;
    const QString& v = d.CurrentValue;
    const bool filled = !v.isEmpty() && v != QLatin1String("0.00") && v != QLatin1String("0");
    if (auto* fc = toolkit::asFieldControl(label))
        fc->setFontColor(WinColor::clBlack);
    QFont font = label->font();
    font.setUnderline(d.NotNull && !filled);
    label->setFont(font);
}

void FieldBinding::bind(TsDesc& d, int n, int index, bool rights)
{
    if (QWidget* w = findDesigned(n, d)) {
        FieldControl* fc = toolkit::asFieldControl(w);
        const bool unclaimed = fc ? !fc->claimed() : !w->property(kClaimedProperty).toBool();
        w->setVisible(d.Visible);
        const int t = d.ControlType;
        if (fc && (carriesValue(t) || t == ControlType::Button)) {
            setUp(d, w, n, index, rights);
        } else if (!fc) {
            w->setProperty(kClaimedProperty, true);
            if (carriesValue(t))
                trace(QStringLiteral("liaison : la ligne %1 (type %2) désigne %3, qui ne reçoit pas de valeur")
                          .arg(s_.pages[n].NamePrefix + d.FieldName)
                          .arg(t)
                          .arg(w->objectName()));
        }
        QLabel* designedLabel = h_.designedCaption ? h_.designedCaption(w) : nullptr;
        if (unclaimed && designedLabel && !d.Caption.isEmpty() && t != ControlType::Button) {
            designedLabel->setText(d.Caption);
            designedLabel->setVisible(d.Visible);
            if (auto* lfc = toolkit::asFieldControl(designedLabel))
                lfc->setTag(controlTag(n, index));
            d.Label = designedLabel;
        } else if (unclaimed && !d.Caption.isEmpty() && t != ControlType::Button && d.Visible) {
            const QPoint at = w->mapTo(hostOf(n, d), QPoint(0, 0));
            if (t == ControlType::ListBox || t == ControlType::LabelAbove)
                createLabel(d, n, index, at.x(), at.y() - 20);
            else
                createLabel(d, n, index, d.Left, at.y());
        }
    } else if (d.Width != 0 && hostOf(n, d)) {
        if (!d.Caption.isEmpty() && d.ControlType != ControlType::Button)
            createLabel(d, n, index, d.Left, d.Top);
        if (QWidget* created = createControl(d, n)) {
            // In the sheet's layout when it has one, else where the row says.
            const bool above = d.ControlType == ControlType::ListBox;
            if (h_.placeCreated)
                h_.placeCreated(hostOf(n, d), created, qobject_cast<QLabel*>(d.Label), above,
                                above ? 5 : 1);
            setUp(d, created, n, index, rights);
        }
    } else if (d.Width != 0) {
        trace(QStringLiteral("description : champ %1 sans onglet, ignoré").arg(d.FieldName));
    }
}

}  // namespace stanor::pages
