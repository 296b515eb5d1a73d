#include "pages/HeaderStrip.h"

#include "pages/RecordViewRules.h"
#include "service/TextTools.h"
#include "toolkit/Controls.h"

#include <QTabWidget>

namespace stanor::pages {

namespace {
constexpr int kStripHeight = 26;
struct Placement { const char* name; int x; int width; };
// Two lines of header edits between the toolbar and the sheets.
const Placement kPlacements[] = {
    {"xcInfoTitre", 0, 330}, {"xcIdentity", 0, 330}, {"xcInfoNVO", 335, 90},
    {"xcInfoField1", 430, 130}, {"xcInfoField2", 565, 140}, {"xcInfoField3", 710, 105},
};
}  // namespace

void HeaderStrip::ensure(QWidget* form)
{
    if (!form)
        return;
    auto* tabs = form->findChild<QTabWidget*>(QStringLiteral("Tabs"));
    QWidget* parent = tabs && tabs->parentWidget() ? tabs->parentWidget() : form;
    // The strip takes one line above the sheets; a page control placed at the
    // very top gives up that line.
    if (tabs && tabs->y() < kStripHeight && !form->findChild<QWidget*>(QStringLiteral("xcInfoTitre"))) {
        const QRect g = tabs->geometry();
        tabs->setGeometry(g.x(), kStripHeight, g.width(), std::max(100, g.height() - (kStripHeight - g.y())));
    }
    const int top = tabs ? tabs->y() - kStripHeight + 2 : 0;
    const int left = tabs ? tabs->x() + 4 : 4;
    for (const Placement& p : kPlacements) {
        const QString name = QString::fromLatin1(p.name);
        if (form->findChild<QWidget*>(name))
            continue;
        auto* e = new toolkit::Edit(parent);
        e->setObjectName(name);
        e->setEnabled(false);
        e->setGeometry(left + p.x, top < 0 ? 0 : top, p.width, 22);
        QFont f = e->font();
        f.setBold(true);
        e->setFont(f);
        e->setVisible(name != QLatin1String("xcIdentity"));
    }
}

void HeaderStrip::write(const char* edit, const QString& value)
{
    f_.setCaption(QString::fromLatin1(edit), value);
}

QString HeaderStrip::text(const char* control) { return f_.text(QString::fromLatin1(control)); }

void HeaderStrip::setInfoTitre()
{
    const QString& k = s_.KindSuffix;
    if (k == kKindVO)
        write("xcInfoTitre", headerTitle(text("cInfoMarque"), text("cInfoVersion")));
    else if (k == kKindVD)
        write("xcInfoTitre", headerTitle(text("cVDInfoMarque"), text("cVDInfoVersion")));
    else if (k == kKindVN)
        write("xcInfoTitre", headerTitle(text("cVNInfoMarque"), text("cVNInfoVersion")));
}

void HeaderStrip::setInfoNVO()
{
    const QString& k = s_.KindSuffix;
    if (k == kKindVO)
        write("xcInfoNVO", text("cNVO"));
    else if (k == kKindVD)
        write("xcInfoNVO", text("cVDNVO"));
    else if (k == kKindVN)
        write("xcInfoNVO", text("cVNNVO"));
}

namespace {
void setPointSize(QWidget* w, int size)
{
    if (!w)
        return;
    QFont f = w->font();
    f.setPointSize(size);
    w->setFont(f);
}
}  // namespace

void HeaderStrip::setInfoField1()
{
    const QString& k = s_.KindSuffix;
    QWidget* edit = f_.widget(QStringLiteral("xcInfoField1"));
    const char* source = k == kKindVO ? "cInfoCouleur" : k == kKindVD ? "cVDInfoCouleur"
                                                       : k == kKindVN ? "cVNInfoCouleur" : nullptr;
    if (source) {
        write("xcInfoField1", text(source));
        setPointSize(edit, 12);
    } else if (k == kKindCL) {
        const QString email = text("aCliEmail").toLower();
        write("xcInfoField1", email);
        setPointSize(edit, emailFontSize(int(email.size())));
    }
}

void HeaderStrip::setInfoField2()
{
    const QString& k = s_.KindSuffix;
    if (k == kKindVO)
        write("xcInfoField2", headerPowerMileage(text("cCV"), text("cKMS")));
    else if (k == kKindVD)
        write("xcInfoField2", headerPowerMileage(text("cVDCV"), text("cVDKMS")));
    else if (k == kKindCL)
        write("xcInfoField2", service::FormatPhoneNumber(text("aCliMobile")));
}

void HeaderStrip::setInfoField3()
{
    const QString& k = s_.KindSuffix;
    if (k == kKindVO) {
        const int days = daysInStock(text("cDateOrdre"), text("cDateEntree"), s_.dates.ServerNow);
        write("xcInfoField3", QString::number(days) + QStringLiteral(" jours"));
    } else if (k == kKindCL) {
        write("xcInfoField3", service::FormatPhoneNumber(text("aCliTelDom")));
    }
}

void HeaderStrip::ShowIdentity()
{
    write("xcIdentity", identityLine(text("aCliCivilite"), text("aCliNom"), text("aCliPrenom")));
}

void HeaderStrip::refresh()
{
    QWidget* identity = f_.widget(QStringLiteral("xcIdentity"));
    if (identity && !identity->isHidden()) {
        ShowIdentity();
    } else {
        setInfoTitre();
        setInfoNVO();
    }
    setInfoField1();
    setInfoField2();
    setInfoField3();
}

}  // namespace stanor::pages
