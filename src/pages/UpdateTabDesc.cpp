#include "pages/UpdateTabDesc.h"

#include "pages/FieldBinding.h"
#include "pages/HeaderStrip.h"
#include "pages/RecordViewRules.h"
#include "service/TextTools.h"
#include "toolkit/Controls.h"
#include "toolkit/WinColor.h"

#include <QFileInfo>
#include <QTabWidget>

namespace stanor::pages {

using service::TXml;
using service::XmlFind;
using service::XmlGet;
using service::XmlNext;
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
    // A record being created has no identifier yet: the answer at hand is
    // the one of the record shown before it.
    s_.IdVO = s_.FlagNewEnreg ? QString() : childText(s_.RecordXml, QStringLiteral("idVO"));
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
    if (!recordId.isEmpty() && !s_.FlagNewEnreg)
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
        FieldBinding binding(s_, f_, h_);
        for (int i = 0; i < int(page.Fields.size()); ++i) {
            TsDesc& d = page.Fields[i];
            trace(QStringLiteral("p3 Ajout desc Onglet : %1 - %2").arg(n).arg(i));
            const bool rights = rowRights(n, d.RightsTags);
            d.Rights = rights;
            const ValueSource src = valueSource(n, d);
            loadValue(d, src);
            const QString loaded = d.LoadedValue, current = d.CurrentValue;
            if (d.Width != 0 && FieldBinding::carriesValue(d.ControlType)) {
                // The control the first fill bound (of the row's kind or, when
                // the design disagreed, of its own).
                QWidget* w = d.ListBox ? d.ListBox : d.ComboBox ? d.ComboBox : d.Control;
                if (w)
                    binding.setUp(d, w, n, i, rights);
            }
            FieldBinding::applyCaptionColour(d);
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

void UpdateTabDesc::fillNewPages()
{
    FieldBinding binding(s_, f_, h_);
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

            binding.bind(d, n, index, rights);
            FieldBinding::applyCaptionColour(d);
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
