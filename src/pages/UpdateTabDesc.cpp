#include "pages/UpdateTabDesc.h"

#include "pages/HeaderStrip.h"
#include "pages/RecordViewRules.h"
#include "service/TextTools.h"
#include "toolkit/Controls.h"
#include "toolkit/WinColor.h"

#include <QAbstractButton>
#include <QFileInfo>
#include <QLabel>
#include <QTabWidget>

namespace stanor::pages {

using service::TXml;
using service::XmlFind;
using service::XmlGet;
using service::XmlNext;
using toolkit::FieldControl;
namespace WinColor = toolkit::WinColor;

namespace {

const QString kHeaderEdits[] = {QStringLiteral("xcInfoTitre"),  QStringLiteral("xcIdentity"),
                                QStringLiteral("xcInfoNVO"),    QStringLiteral("xcInfoField1"),
                                QStringLiteral("xcInfoField2"), QStringLiteral("xcInfoField3")};

// The text of a child element of the scanner's item, empty when it is missing.
QString childText(const TXml& xml, const QString& name)
{
    QString v;
    XmlGet(xml, name, v);
    return v;
}

DescRow readRow(const TXml& xml)
{
    return readDescRow([&xml](const QString& name, QString& value) { return XmlGet(xml, name, value); });
}

bool isComboType(int t) { return t == ControlType::ComboText || t == ControlType::ComboIndex; }

// Marks a designed widget that is no field control (a photo list) once a row took it.
constexpr char kClaimedProperty[] = "stanorClaimed";

}  // namespace

UpdateTabDesc::UpdateTabDesc(RecordViewState& state, RecordViewForm& form, const RecordViewHost& host)
    : s_(state), f_(form), h_(host)
{
}

void UpdateTabDesc::trace(const QString& text) const
{
    if (h_.trace)
        h_.trace(text);
}

QString UpdateTabDesc::answerFile(const QString& name) const
{
    return h_.answerPath ? h_.answerPath(name) : name;
}

QString UpdateTabDesc::loadListsAnswer(const QString& name, const QString& what) const
{
    const QString file = answerFile(name);
    try {
        return service::LoadTextFile(file);
    } catch (const service::FileError& e) {
        // Said the way a user reads it; the file and the system's reason follow.
        throw service::FileError(
            QStringLiteral("%1 n'ont pas été reçues du service de données (%2)\n%3")
                .arg(what, name, QString::fromUtf8(e.what()))
                .toStdString());
    }
}

void UpdateTabDesc::run(bool reloadFiles, bool describePages)
{
    prepare(reloadFiles);
    if (describePages)
        describe();
    if (h_.beginPass)
        h_.beginPass();
    refreshFilledPages();
    fillNewPages();
    closingSteps();
}

// ---------------------------------------------------------------- A. preparation

void UpdateTabDesc::prepare(bool reloadFiles)
{
    trace(QStringLiteral("dans UpdateTabDesc : 1"));
    // Values travel with "." and "dd/mm/yyyy" everywhere in this program: the
    // model formats them explicitly, so no process-wide setting is needed.
    // The search panel gives way to the record.
    f_.setVisible(f_.widget(QStringLiteral("Panel1")) ? QStringLiteral("Panel1") : QStringLiteral("PanelSearch"), false);

    // Every answer is read before anything is replaced: a file that cannot be
    // read ends the pass with the record, the lists and the descriptions of
    // the last pass still in place, so the next pass works from them.
    const QString customerCaption = f_.caption(QStringLiteral("LbIDCustomer"));
    const AnswerFiles files = chooseAnswerFiles(customerCaption);
    const QString voFile = answerFile(QStringLiteral("XmlVO.xml"));
    const QString clFile = answerFile(QStringLiteral("XmlCL.xml"));
    QString vehicleText, customerText, equipText, structText;
    if (files.vehicle && QFileInfo::exists(voFile))
        vehicleText = service::LoadTextFile(voFile);
    if (files.customer && QFileInfo::exists(clFile))
        customerText = service::LoadTextFile(clFile);
    if (reloadFiles) {
        equipText = loadListsAnswer(QStringLiteral("XmlEquip.xml"), QStringLiteral("Les listes de référence"));
        structText = loadListsAnswer(QStringLiteral("XmlStruct.xml"), QStringLiteral("Les descriptions des onglets"));
    }
    s_.RecordXml.Clear();
    s_.RecordXml.Text = vehicleText + customerText;
    s_.CustomerXml.Clear();
    s_.CustomerXml.Text = customerText;
    if (reloadFiles) {
        s_.EquipXml.Clear();
        s_.EquipXml.Text = equipText;
        s_.StructXml.Clear();
        s_.StructXml.Text = structText;
        s_.FirstPage = 0;
    }

    trace(QStringLiteral("dans UpdateTabDesc : 2"));
    XmlFind(s_.RecordXml, QStringLiteral("User"));
    QString concession = h_.userConcession ? h_.userConcession() : QString();
    QString userSite = h_.userSite ? h_.userSite() : QString();
    XmlGet(s_.RecordXml, QStringLiteral("UserConcession"), concession);
    XmlGet(s_.RecordXml, QStringLiteral("UserSite"), userSite);
    if (h_.setUserParams)
        h_.setUserParams(concession, userSite);
    XmlGet(s_.RecordXml, QStringLiteral("Name_"), s_.UserName);
    XmlGet(s_.RecordXml, QStringLiteral("US1"), s_.UserUS1);

    XmlFind(s_.RecordXml, QStringLiteral("OptDates"));
    s_.dates.read(childText(s_.RecordXml, QStringLiteral("Opt_LimiteDateDeb")),
                  childText(s_.RecordXml, QStringLiteral("Opt_LimiteDateDebFrevo")),
                  childText(s_.RecordXml, QStringLiteral("Opt_LimiteDateDebProFid")),
                  childText(s_.RecordXml, QStringLiteral("Now")), h_.trace);
    trace(QStringLiteral("dans UpdateTabDesc : OptDate Début : ") + formatDate(s_.dates.LimiteDateDeb));
    trace(QStringLiteral("dans UpdateTabDesc : OptDate Fin   : ") + formatDate(s_.dates.LimiteDateFin));

    // The record's own values; a record answer without them must not keep
    // those of the record shown before.
    s_.RecordElement = QStringLiteral("tVO");
    XmlFind(s_.RecordXml, s_.RecordElement);
    s_.TypeVO = childText(s_.RecordXml, QStringLiteral("TypeVO"));
    s_.FrevoValue = childText(s_.RecordXml, QStringLiteral("Frevo"));
    s_.IdVO = childText(s_.RecordXml, QStringLiteral("idVO"));
    const QString statutVD = childText(s_.RecordXml, QStringLiteral("StatutVD"));
    QString idtVO = childText(s_.RecordXml, QStringLiteral("idtVO"));
    const int idTypeVO = h_.idTypeVO ? h_.idTypeVO() : 0;
    const QString vehicleCaption = f_.caption(QStringLiteral("LbIdTVO"));
    trace(QStringLiteral("on UpdateTabDesc : %1 - %2").arg(idTypeVO).arg(vehicleCaption));

    const RecordKind kind = decideRecordKind(s_.TypeVO, statutVD, idTypeVO, vehicleCaption, customerCaption);
    s_.TypeVO = kind.typeVO;
    s_.KindSuffix = kind.kindSuffix;
    s_.RecordElement = kind.recordElement;
    if (s_.KindSuffix == kKindCL) {
        XmlFind(s_.RecordXml, s_.RecordElement);
        idtVO.clear();
        XmlGet(s_.RecordXml, QStringLiteral("idtVO"), idtVO);
    }
    const QString caption = kindCaption(s_.KindSuffix);
    f_.setCaption(QStringLiteral("JvXPBtnNewVO"), caption);

    const HeaderColours colours = headerColours(s_.KindSuffix);
    for (const QString& name : kHeaderEdits) {
        if (auto* fc = toolkit::asFieldControl(f_.widget(name))) {
            fc->setBackColor(qint32(colours.disabledBack));
            fc->setFontColor(qint32(colours.disabledText));
            fc->setText(QString());
        }
    }
    for (const char* dbl : {"DblNom", "DblIdent", "DblTelDom", "DblMobile"})
        f_.setVisible(QString::fromLatin1(dbl), s_.FlagNewEnreg);
    f_.setVisible(QStringLiteral("xcIdentity"), s_.KindSuffix == kKindCL);
    f_.setEnabled(QStringLiteral("JvXPBtnPrint"), printEnabled(caption, s_.IdVO));

    // A customer's own answer names its vehicle, if any: the vehicle answer
    // read beside a customer being created is the one of an earlier record.
    const QString recordId = !idtVO.isEmpty() || s_.KindSuffix == kKindCL ? idtVO : s_.IdVO;
    if (!recordId.isEmpty())
        f_.setCaption(QStringLiteral("LbIdTVO"), recordId);

    rec_ = s_.RecordXml;
    XmlFind(rec_, s_.RecordElement);

    trace(QStringLiteral("dans UpdateTabDesc : 3"));
    s_.SiteFilter = childText(rec_, QStringLiteral("Site")).toUpper();
    QStringList groups;
    TXml g = s_.RecordXml;
    XmlFind(g, QStringLiteral("GNames"));
    while (XmlNext(g, QStringLiteral("GName")))
        groups << g.Item;
    s_.rights.setGroups(groups);
    s_.rights.computeFlags(userSite, s_.SiteFilter, s_.FlagNewEnreg);
}

// ---------------------------------------------------------------- B. describing the pages

void UpdateTabDesc::describe()
{
    QTabWidget* tabs = f_.tabs();
    // The sheet shown before the pass, and the first sheet of this record.
    const int shownBefore = tabs ? tabs->currentIndex() : -1;
    int firstDescribed = 0;
    for (int n = 0; n < kPageCount; ++n) {
        trace(QStringLiteral("dans UpdateTabDesc : 4"));
        TsPage& page = s_.pages[n];
        page.GridLoaded = false;
        XmlFind(s_.StructXml, QStringLiteral("axStructS"));
        bool found = false;
        PageRow row;
        const QString number = QString::number(n);
        while (XmlNext(s_.StructXml, QStringLiteral("axStruct"))) {
            // Only the two keys decide; the whole row is read for the page found.
            if (childText(s_.StructXml, QStringLiteral("descInfo")) != s_.KindSuffix ||
                childText(s_.StructXml, QStringLiteral("idNum")) != number)
                continue;
            row = readPageRow(readRow(s_.StructXml));
            found = isPageRowFor(row, s_.KindSuffix, n);
            if (found)
                break;
        }
        if (found) {
            if (n >= 1) {
                trace(QStringLiteral("Ajout desc Onglet : %1").arg(n));
                if (tabs && n - 1 < tabs->count()) {
                    page.Sheet = tabs->widget(n - 1);
                    tabs->setTabText(n - 1, row.Caption);
                    tabs->setTabVisible(n - 1, true);
                }
            }
            describePage(page, row);
            if (firstDescribed == 0 && n >= 1)
                firstDescribed = n;
            if (s_.FirstPage == 0 && n >= 1) {
                s_.FirstPage = n;
                if (tabs)
                    tabs->setCurrentIndex(n - 1);
            }
        } else {
            if (n >= 1 && tabs && n - 1 < tabs->count())
                tabs->setTabVisible(n - 1, false);
            page.Described = false;
        }
    }
    // A sheet of another kind of record, hidden by this pass, gives way to the
    // first sheet of the record shown now rather than to a neighbour.
    if (tabs && firstDescribed > 0 && shownBefore >= 0 && shownBefore < tabs->count() &&
        !tabs->isTabVisible(shownBefore))
        tabs->setCurrentIndex(firstDescribed - 1);
}

// ---------------------------------------------------------------- C. refreshing filled pages

void UpdateTabDesc::openPageRecord(int n, bool firstFill)
{
    if (n == kVehiclePage) {
        rec_ = s_.CustomerXml;
        if (firstFill) {
            // Opening the item name directly lands on the first vehicle.
            XmlFind(rec_, QStringLiteral("TVeh"));
            return;
        }
        XmlFind(rec_, QStringLiteral("TVehS"));
        s_.VehicleState = 0;
        if (XmlNext(rec_, QStringLiteral("TVeh")))
            s_.VehicleState = 1;
        for (int k = 0; k < s_.SelectedVehicle; ++k)
            if (!XmlNext(rec_, QStringLiteral("TVeh")))
                break;
        if (s_.SelectedVehicle == -1)
            s_.VehicleState = -1;
    } else if (n == 9) {
        rec_ = s_.RecordXml;
        XmlFind(rec_, s_.RecordElement);
    }
}

bool UpdateTabDesc::rowRights(int n, const QString& rightsTags) const
{
    // A customer without vehicles has nothing to edit on the vehicle page,
    // unless a new vehicle is being entered there.
    if (n == kVehiclePage && s_.VehicleState == 0 && !s_.NewVehicle)
        return false;
    return s_.rights.GetDataRights(rightsTags);
}

ValueSource UpdateTabDesc::valueSource(int n, const TsDesc& d) const
{
    ValueSource src;
    src.useDefault = takesDefaults(n, s_.FlagNewEnreg, s_.NewVehicle);
    src.today = h_.today ? h_.today() : QDate::currentDate();
    if (!src.useDefault)
        src.elementText = childText(rec_, d.valueElementName());
    return src;
}

void UpdateTabDesc::refreshFilledPages()
{
    for (int n = 0; n < kPageCount; ++n) {
        TsPage& page = s_.pages[n];
        openPageRecord(n, false);
        trace(QStringLiteral("Trait. desc Onglet : %1 %2 %3")
                  .arg(n)
                  .arg(traceBool(page.Described), traceBool(page.Filled)));
        if (!page.Described || !page.Filled)
            continue;
        trace(QStringLiteral("p2 Traitement desc Onglet : %1").arg(n));
        s_.PageFilling = true;
        for (int i = 0; i < int(page.Fields.size()); ++i) {
            TsDesc& d = page.Fields[i];
            trace(QStringLiteral("p3 Ajout desc Onglet : %1 - %2").arg(n).arg(i));
            const bool rights = rowRights(n, d.RightsTags);
            d.Rights = rights;
            const ValueSource src = valueSource(n, d);
            loadValue(d, src);
            const QString loaded = d.LoadedValue, current = d.CurrentValue;
            if (d.Width != 0 && carriesValue(d.ControlType)) {
                // The control the first fill bound (of the row's kind or, when
                // the design disagreed, of its own).
                QWidget* w = d.ListBox ? d.ListBox : d.ComboBox ? d.ComboBox : d.Control;
                if (w)
                    setUpControl(d, w, n, i, rights);
            }
            applyCaptionColour(d);
            // Change events fired by the set-up must not leave a value behind.
            d.LoadedValue = loaded;
            d.CurrentValue = current;
        }
        s_.PageFilling = false;
        if (h_.testPageUpdate)
            h_.testPageUpdate(n);
        page.Filled = true;
    }
}

// ---------------------------------------------------------------- D. filling pages the first time

QWidget* UpdateTabDesc::hostOf(int n, const TsDesc& d)
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

QWidget* UpdateTabDesc::findDesigned(int n, const TsDesc& d)
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

bool UpdateTabDesc::carriesValue(int controlType)
{
    return controlType == ControlType::Edit || controlType == ControlType::ListBox || isComboType(controlType);
}

void UpdateTabDesc::setUpControl(TsDesc& d, QWidget* w, int n, int index, bool rights)
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

QWidget* UpdateTabDesc::createControl(TsDesc& d, int n)
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

void UpdateTabDesc::createLabel(TsDesc& d, int n, int index, int left, int top)
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

void UpdateTabDesc::applyCaptionColour(const TsDesc& d)
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

void UpdateTabDesc::fillNewPages()
{
    for (int n = 0; n < kPageCount; ++n) {
        TsPage& page = s_.pages[n];
        trace(QStringLiteral("premier Ajout desc Onglet : %1 %2 %3")
                  .arg(n)
                  .arg(traceBool(page.Described), traceBool(page.Filled)));
        openPageRecord(n, true);
        if (!page.Described || page.Filled)
            continue;
        s_.PageFilling = true;
        trace(QStringLiteral("p2 Ajout desc Onglet : ") + page.PageKey);
        XmlFind(s_.StructXml, QStringLiteral("axStructS"));
        int index = 0;
        while (XmlNext(s_.StructXml, QStringLiteral("axStruct"))) {
            if (childText(s_.StructXml, QStringLiteral("descInfo")) != page.PageKey)
                continue;
            const DescRow row = readRow(s_.StructXml);
            TsDesc& d = fieldAt(page, index);
            // Visibility follows the user's rights; the vehicle page only cuts
            // the enabling when the customer has no vehicle.
            const QString tags = rightsTagsOf(row.text(QStringLiteral("tag")));
            readFieldRow(d, row, s_.rights.GetDataRights(tags), h_.trace);
            const bool rights = rowRights(n, tags);
            d.Rights = rights;
            const QString fieldInfo = row.text(QStringLiteral("fieldInfo"));
            if (fieldInfo.contains(QLatin1Char(';')))
                trace(QStringLiteral("info rubrique : ") + page.PageKey + d.FieldName + fieldInfo);
            trace(QStringLiteral("z2 Ajout desc Onglet : ") + page.PageKey + QStringLiteral(" - ") + d.FieldName);
            loadValue(d, valueSource(n, d));

            if (QWidget* w = findDesigned(n, d)) {
                FieldControl* fc = toolkit::asFieldControl(w);
                const bool unclaimed = fc ? !fc->claimed() : !w->property(kClaimedProperty).toBool();
                w->setVisible(d.Visible);
                const int t = d.ControlType;
                if (fc && (carriesValue(t) || t == ControlType::Button)) {
                    setUpControl(d, w, n, index, rights);
                } else if (!fc) {
                    w->setProperty(kClaimedProperty, true);
                    if (carriesValue(t))
                        trace(QStringLiteral("liaison : la ligne %1 (type %2) désigne %3, qui ne reçoit pas de valeur")
                                  .arg(page.NamePrefix + d.FieldName)
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
                    setUpControl(d, created, n, index, rights);
                }
            } else if (d.Width != 0) {
                trace(QStringLiteral("description : champ %1 sans onglet, ignoré").arg(d.FieldName));
            }
            applyCaptionColour(d);
            ++index;
        }
        s_.PageFilling = false;
        if (h_.testPageUpdate)
            h_.testPageUpdate(n);
        page.Filled = true;
    }
}

// ---------------------------------------------------------------- E. closing steps

void UpdateTabDesc::closingSteps()
{
    if (h_.updateTVAetMarges)
        h_.updateTVAetMarges();

    bool allowed = s_.rights.RightCompta;
    if (!allowed && s_.rights.GetDataRights(QStringLiteral(";SVO;RVO;")))
        allowed = f_.text(QStringLiteral("cDateValidationGarantie")).isEmpty() ||
                  f_.text(QStringLiteral("cDateValidationGarantie")) == toolkit::DatePicker::kEmptyMask;
    for (const char* name : {"cTypeGarantie", "cDureeGarantie", "cPrixGarantie", "cMtComIntermediaire"}) {
        if (auto* fc = toolkit::asFieldControl(f_.widget(QString::fromLatin1(name)))) {
            fc->setEnabled(allowed);
            fc->setBackColor(allowed ? WinColor::clWindow : WinColor::clInactiveBorder);
        }
    }

    const QString customer = f_.caption(QStringLiteral("LbIDCustomer"));
    if (customer == QLatin1String("-1"))
        s_.FlagNewEnreg = f_.text(QStringLiteral("xcInfoNVO")).isEmpty();
    trace(QStringLiteral("UpdateTabDesc FlagNewEnreg -> ") + traceBool(s_.FlagNewEnreg) + QStringLiteral(" - ") +
          f_.text(QStringLiteral("xcInfoNVO")) + QStringLiteral(" - ") + customer);

    HeaderStrip(s_, f_).refresh();

    if (s_.KindSuffix == kKindVD || s_.KindSuffix == kKindVN) {
        s_.LastTypeVersion = f_.text(s_.KindSuffix == kKindVD ? QStringLiteral("cVDInfoTypeVersion")
                                                              : QStringLiteral("cVNInfoTypeVersion"));
        if (h_.setLastTypeVersion)
            h_.setLastTypeVersion(s_.LastTypeVersion);
    }
}

}  // namespace stanor::pages
