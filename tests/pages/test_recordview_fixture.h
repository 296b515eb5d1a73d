#pragma once
// A small form carrying the names the record view works with, answer files
// in a temporary trace folder, and builders for description rows and record
// answers.

#include "pages/RecordView.h"
#include "toolkit/Controls.h"

#include <QDir>
#include <QFile>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <map>

// Readable QStrings in test failures.
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace rvtest {

using namespace stanor;

// One "axStruct" row; unset elements take plain defaults.
struct Row {
    std::map<QString, QString> e;
    Row& set(const char* k, const QString& v) { e[QString::fromLatin1(k)] = v; return *this; }
};

inline Row pageRow(const QString& kind, const QString& num, const QString& caption, const QString& key,
                   const QString& tag, const QString& prefix)
{
    Row r;
    r.set("descInfo", kind).set("idNum", num).set("txtInfo", caption).set("vInfo", key).set("tag", tag)
        .set("defval", prefix);
    return r;
}

// A field row; geometry in pixels is turned into twips (top offset of 35).
inline Row fieldRow(const QString& key, const QString& name, const QString& caption, int tInfo, int tControl,
                    const QString& tag = QStringLiteral("SVO"), int width = 100, int left = 150, int top = 40)
{
    Row r;
    r.set("descInfo", key).set("idNum", "10").set("txtInfo", caption).set("vInfo", name).set("tag", tag)
        .set("defval", "").set("tInfo", QString::number(tInfo)).set("tControl", QString::number(tControl))
        .set("width", QString::number(width * 15)).set("left", QString::number(left * 15))
        .set("top", QString::number((top + 35) * 15)).set("height", "300").set("length", "0").set("color", "0")
        .set("notNull", "FALSE").set("enabled", "1").set("fieldInfo", "");
    return r;
}

inline QString structXml(const std::vector<Row>& rows)
{
    QString x = QStringLiteral("<?xml version=\"1.0\"?><Root><axStructS>");
    for (const Row& r : rows) {
        x += QStringLiteral("<axStruct>");
        for (const auto& [k, v] : r.e)
            x += QStringLiteral("<%1>%2</%1>").arg(k, v);
        x += QStringLiteral("</axStruct>");
    }
    return x + QStringLiteral("</axStructS></Root>");
}

inline QString element(const QString& name, const std::map<QString, QString>& fields)
{
    QString x = QStringLiteral("<%1>").arg(name);
    for (const auto& [k, v] : fields)
        x += QStringLiteral("<%1>%2</%1>").arg(k, v);
    return x + QStringLiteral("</%1>").arg(name);
}

// A record answer: user with groups, date options and the record element.
inline QString recordXml(const QString& recordElement, const std::map<QString, QString>& fields,
                         const QStringList& groups = {QStringLiteral("USER_SVO")},
                         const QString& userSite = QStringLiteral("#"), const QString& extra = {})
{
    QString x = QStringLiteral("<Root><User><UserConcession>ALV</UserConcession><UserSite>%1</UserSite>"
                               "<Name_>Paul Durand</Name_><US1>NORD</US1></User><GNames>")
                    .arg(userSite);
    for (const QString& g : groups)
        x += QStringLiteral("<GName>%1</GName>").arg(g);
    x += QStringLiteral("</GNames><OptDates><Opt_LimiteDateDeb>01/01/2026</Opt_LimiteDateDeb>"
                        "<Now>09/12/2026</Now></OptDates>");
    if (!recordElement.isEmpty())
        x += element(recordElement, fields);
    return x + extra + QStringLiteral("</Root>");
}

template <typename T, typename... A>
T* add(QWidget* parent, const char* name, A&&... args)
{
    auto* w = new T(std::forward<A>(args)..., parent);
    w->setObjectName(QString::fromLatin1(name));
    return w;
}

class RecordViewTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        form = std::make_unique<QWidget>();
        form->resize(825, 623);
        tabs = add<QTabWidget>(form.get(), "Tabs");
        tabs->setGeometry(0, 0, 825, 560);
        for (int i = 1; i <= 9; ++i) {
            auto* sheet = new QWidget;
            sheet->setObjectName(QStringLiteral("Sheet%1").arg(i, 2, 10, QLatin1Char('0')));
            tabs->addTab(sheet, QStringLiteral("Fiche %1").arg(i));
        }
        add<QLabel>(form.get(), "LbIdTVO");
        add<QLabel>(form.get(), "LbIDCustomer");
        for (const char* l : {"LbDebugInfo0", "LbDebugInfo1", "LbDebugInfo2", "LbDebugInfo3", "LbHttpRoot",
                              "LbBaseHRef", "LbInfoOptions"})
            add<QLabel>(form.get(), l)->hide();
        add<QFrame>(form.get(), "PanelWarning")->hide();
        for (const char* b : {"JvXPBtnNewVO", "JvXPBtnSuppr", "JvXPBtnSweep", "JvXPBtnPrint", "JvXPBtnActualize",
                              "JvXPNext", "JvXPPrev"})
            add<QPushButton>(form.get(), b);
        form->findChild<QPushButton*>("JvXPBtnActualize")->setToolTip(
            QStringLiteral("rechargement des informations du véhicule"));

        QWidget* s1 = sheet(1);
        add<toolkit::NumberEdit>(s1, "cNVO");
        add<toolkit::ComboBox>(s1, "cInfoMarque", true);
        add<toolkit::Memo>(s1, "cInfoVersion");
        add<toolkit::NumberEdit>(s1, "cPrixVente");
        add<toolkit::NumberEdit>(s1, "cCV");
        add<toolkit::NumberEdit>(s1, "cKMS");
        add<toolkit::ComboBox>(s1, "cInfoCouleur", false);
        add<toolkit::DatePicker>(s1, "cDateEntree");
        add<toolkit::DatePicker>(s1, "cDateOrdre");
        add<toolkit::DatePicker>(s1, "cDateValidationGarantie");
        add<toolkit::ComboBox>(s1, "cTypeGarantie", true);
        auto* cp = add<toolkit::Edit>(s1, "cCP");
        cp->setMaxLength(5);
        add<toolkit::Edit>(s1, "cChassis")->move(300, 120);
        QWidget* s3 = sheet(3);
        auto* panel = add<QFrame>(s3, "PanelCompta");
        add<toolkit::DatePicker>(panel, "cVNDateAchat");
        add<toolkit::NumberEdit>(s3, "cVNNVO");
        add<toolkit::ComboBox>(sheet(2), "cVDInfoTypeVersion", true);
        auto* list = add<toolkit::ListBox>(sheet(6), "cListImageVO");
        list->move(200, 100);
        QWidget* s7 = sheet(7);
        add<toolkit::ComboBox>(s7, "aCliCivilite", true);
        add<toolkit::Memo>(s7, "aCliNom");
        add<toolkit::Memo>(s7, "aCliPrenom");
        add<toolkit::Memo>(s7, "aCliEmail");
        add<toolkit::Memo>(s7, "aCliMobile");
        add<toolkit::Memo>(s7, "aCliTelDom");
        for (const char* d : {"DblNom", "DblIdent", "DblTelDom", "DblMobile"})
            add<toolkit::Edit>(s7, d)->hide();
        add<toolkit::Edit>(sheet(8), "vImmatriculation");
        add<toolkit::NumberEdit>(sheet(8), "vKMS");

        host.trace = [this](const QString& t) { traces << t; };
        host.answerPath = [this](const QString& name) { return dir.filePath(name); };
        host.baseHRef = [] { return QStringLiteral("http://127.0.0.1:1/"); };
        host.idUser = [] { return QStringLiteral("2"); };
        host.idTypeVO = [this] { return idTypeVO; };
        host.today = [] { return QDate(2026, 12, 9); };
        host.testPageUpdate = [this](int page) { testedPages << page; return false; };
        view = stanor::pages::RecordView::of(form.get(), [this] { return host; });
    }

    QWidget* sheet(int n) { return tabs->widget(n - 1); }
    template <typename T = QWidget>
    T* w(const char* name) { return form->findChild<T*>(QString::fromLatin1(name)); }
    QString text(const char* name) { return toolkit::asFieldControl(w(name))->text(); }

    void write(const char* file, const QString& text)
    {
        QFile f(dir.filePath(QString::fromLatin1(file)));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(text.toLatin1());
    }
    void writeEquip() { write("XmlEquip.xml", QStringLiteral("<Root><ParsS></ParsS></Root>")); }

    void show(const QString& vehicle, const QString& customer, bool reload = true)
    {
        w<QLabel>("LbIdTVO")->setText(vehicle);
        w<QLabel>("LbIDCustomer")->setText(customer);
        view->UpdateTabDesc(reload, true);
    }
    bool traced(const QString& line) const { return traces.contains(line); }
    const stanor::pages::TsPage& page(int n) { return view->state().pages[n]; }
    const stanor::pages::TsDesc* field(int n, const char* name)
    {
        for (const auto& d : page(n).Fields)
            if (d.FieldName == QLatin1String(name))
                return &d;
        return nullptr;
    }

    QTemporaryDir dir;
    std::unique_ptr<QWidget> form;
    QTabWidget* tabs = nullptr;
    stanor::pages::RecordViewHost host;
    stanor::pages::RecordView* view = nullptr;
    QStringList traces;
    QList<int> testedPages;
    int idTypeVO = 1;
};

}  // namespace rvtest
