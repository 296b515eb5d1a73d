// Loading records the way a dealership runs the client: trace off, a data
// service that stops or refuses a record, then comes back.
#include "E2eService.h"

#include "toolkit/Controls.h"
#include "toolkit/FieldControl.h"

#include <QLabel>
#include <QTabWidget>
#include <gtest/gtest.h>

using namespace e2e;

namespace {

class LoadingE2e : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(tmp.isValid());
        service = std::make_unique<RunningService>(tmp.filePath(QStringLiteral("service")));
    }
    void startForm(const QString& base, bool trace, const QString& idTVO, const QString& idTypeVO = "1")
    {
        run = std::make_unique<FormRun>(tmp.filePath(QStringLiteral("client")), base, trace);
        run->set("idTVO", idTVO);
        run->set("idTypeVO", idTypeVO);
        run->start();
    }
    QString text(const char* name) { return run->text(QString::fromLatin1(name)); }
    void reload(std::initializer_list<std::pair<const char*, QString>> params) { run->reload(params); }
    // The warning panel repeats it in large letters.
    QString warning() const { return run->form->LbDebugInfo0->text(); }
    bool sheetsShown() const { return run->form->Tabs->isVisibleTo(run->form.get()); }

    QTemporaryDir tmp;
    std::unique_ptr<RunningService> service;
    std::unique_ptr<FormRun> run;
};

const QString kNotLoaded = QStringLiteral(" : la fiche demandée n'a pas pu être chargée");

}  // namespace

TEST_F(LoadingE2e, EveryRecordKindShowsWithTraceOff)
{
    startForm(service->baseHRef(), false, QStringLiteral("1"));
    auto& form = *run->form;
    EXPECT_FALSE(form.TraceOn);
    EXPECT_EQ(form.LbDebugInfo0->text(), QString());
    EXPECT_EQ(text("cNVO"), QStringLiteral("1201"));
    // The answers are where support looks for them: "Windir\TEMP".
    EXPECT_TRUE(QFile::exists(run->traceDir + QStringLiteral("/XmlVO.xml")));
    EXPECT_TRUE(QFile::exists(run->traceDir + QStringLiteral("/XmlStruct.xml")));

    const struct {
        const char* idTVO;
        const char* idTypeVO;
        const char* idClient;
        const char* control;
        const char* value;
    } kinds[] = {
        {"4", "3", "", "cVDNVO", "2101"},
        {"6", "2", "", "cVNNVO", "3101"},
        {"", "1", "1", "aCliNom", "DUPONT"},
        {"1", "1", "", "cNVO", "1201"},
    };
    for (const auto& k : kinds) {
        reload({{"idTVO", QString::fromLatin1(k.idTVO)},
                {"idTypeVO", QString::fromLatin1(k.idTypeVO)},
                {"idClient", QString::fromLatin1(k.idClient)}});
        EXPECT_EQ(form.LbDebugInfo0->text(), QString()) << k.control;
        EXPECT_EQ(text(k.control), QString::fromLatin1(k.value)) << k.control;
        EXPECT_TRUE(sheetsShown()) << k.control;
    }
}

TEST_F(LoadingE2e, AFailedRequestNeverShowsThePreviousRecord)
{
    startForm(service->baseHRef(), true, QStringLiteral("1"));
    auto& form = *run->form;
    ASSERT_EQ(text("cNVO"), QStringLiteral("1201"));

    // A record the service refuses: its answer file holds the refusal, and
    // the used vehicle shown before must not appear as this record.
    reload({{"idTVO", QStringLiteral("999")}, {"idTypeVO", QStringLiteral("3")}});
    EXPECT_EQ(warning(), QStringLiteral("Le service de données a refusé la demande (Le véhicule 999 n'existe pas "
                                        "(ou plus))") + kNotLoaded);
    EXPECT_FALSE(sheetsShown());
    EXPECT_EQ(text("xcInfoNVO"), QString());
    EXPECT_FALSE(form.PanelWarning->isHidden());

    // The service stopped: asked for a demonstrator, the form does not show the used vehicle.
    run->form->HttpDisconnect();  // the service ends without waiting for a kept connection
    service.reset();
    reload({{"idTVO", QStringLiteral("4")}, {"idTypeVO", QStringLiteral("3")}});
    EXPECT_TRUE(warning().startsWith(QStringLiteral("Le service de données ne répond pas (connexion refusée)") +
                                     kNotLoaded + u'\n'))
        << warning().toStdString();
    EXPECT_FALSE(sheetsShown());
    EXPECT_NE(text("cVDNVO"), QStringLiteral("2101"));
    EXPECT_EQ(text("xcInfoTitre"), QString());

    // The service back (on another port here): the next reload recovers.
    service = std::make_unique<RunningService>(tmp.filePath(QStringLiteral("service2")));
    run->setService(service->baseHRef());
    reload({{"idTVO", QStringLiteral("4")}, {"idTypeVO", QStringLiteral("3")}});
    EXPECT_EQ(form.LbDebugInfo0->text(), QString());
    EXPECT_TRUE(form.PanelWarning->isHidden());
    EXPECT_TRUE(sheetsShown());
    EXPECT_EQ(text("cVDNVO"), QStringLiteral("2101"));
    EXPECT_EQ(text("xcInfoNVO"), QStringLiteral("2101"));
}

TEST_F(LoadingE2e, AStartWithoutServiceSaysSoInFrench)
{
    for (bool trace : {false, true}) {
        startForm(closedServiceAddress(), trace, QStringLiteral("1"));
        EXPECT_TRUE(warning().startsWith(QStringLiteral("Le service de données ne répond pas (connexion refusée)") +
                                         kNotLoaded))
            << warning().toStdString();
        EXPECT_FALSE(warning().contains(QStringLiteral("XmlEquip")));
        EXPECT_FALSE(sheetsShown());
        EXPECT_TRUE(run->dialogs.shown.empty());
    }
}

TEST_F(LoadingE2e, EquipmentTicksSurviveASwitchOfRecordKind)
{
    startForm(service->baseHRef(), true, QStringLiteral("4"), QStringLiteral("3"));
    auto ticked = [this] {
        QStringList out;
        for (const char* name : {"cInfoEquiInterieur", "cInfoEquiExterieur", "cInfoEquiSecurite", "cInfoComplement"}) {
            auto* list = run->form->findChild<toolkit::ListBox*>(QString::fromLatin1(name));
            out << (list ? list->selectedTexts().join(u',') : QStringLiteral("<absent>"));
        }
        return out.join(u'|');
    };
    const QString demonstrator = ticked();
    EXPECT_NE(demonstrator, QStringLiteral("|||"));
    // A new vehicle, then the demonstrator again, then a used vehicle.
    reload({{"idTVO", QStringLiteral("6")}, {"idTypeVO", QStringLiteral("2")}});
    const QString newVehicle = ticked();
    EXPECT_NE(newVehicle, QStringLiteral("|||"));
    reload({{"idTVO", QStringLiteral("6")}, {"idTypeVO", QStringLiteral("2")}});
    EXPECT_EQ(ticked(), newVehicle) << "loading the same record again changes nothing";
    reload({{"idTVO", QStringLiteral("4")}, {"idTypeVO", QStringLiteral("3")}});
    EXPECT_EQ(ticked(), demonstrator);
    reload({{"idTVO", QStringLiteral("1")}, {"idTypeVO", QStringLiteral("1")}});
    EXPECT_NE(ticked(), QStringLiteral("|||"));
}
