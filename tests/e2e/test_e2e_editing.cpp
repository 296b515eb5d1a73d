// Typing into the main form's designed controls: the current values, the
// header, the pending statement and the buttons follow; the field filters,
// the date checks on leaving a date and the editing of reference lists work
// against the data service on loopback.
#include "EditingFixture.h"

#include "pages/DesignedPages.h"
#include "toolkit/WordCompletion.h"

#include <QFrame>
#include <QTabWidget>

using namespace e2e;
using platform::MsgResult;

namespace {

QString field(pages::RecordViewState& s, int page, const char* name)
{
    for (const pages::TsDesc& d : s.pages[page].Fields)
        if (d.FieldName == QLatin1String(name))
            return d.CurrentValue;
    return QStringLiteral("<absent>");
}

}  // namespace

TEST_F(EditingE2e, UsedVehicleHeaderStatementAndButtonsFollowTheTyping)
{
    auto& f = openVehicle("1", 1);
    EXPECT_FALSE(f.JvXPBtnSave->isEnabled());
    EXPECT_TRUE(f.JvXPBtnNewVO->isEnabled());
    EXPECT_EQ(f.LbDebugInfo2->text(), QString());

    struct Step {
        const char* control;
        const char* keys;
        const char* header;  // the header edit that follows the field, with its text
        const char* shown;
    } steps[] = {
        {"cKMS", "90000", "xcInfoField2", "5 cv - 90000 kms"},
        {"cCV", "6", "xcInfoField2", "6 cv - 90000 kms"},
        {"cNVO", "1299", "xcInfoNVO", "1299"},
        {"cInfoCouleur", "Vert", "xcInfoField1", "Vert"},
        {"cDateEntree", "01122026", "xcInfoField3", "8 jours"},  // to the service's 09/12/2026
    };
    for (const Step& s : steps) {
        type(QString::fromLatin1(s.control), QString::fromLatin1(s.keys));
        EXPECT_EQ(text(QString::fromLatin1(s.header)), QString::fromLatin1(s.shown)) << s.control;
        EXPECT_TRUE(f.JvXPBtnSave->isEnabled()) << s.control;
        EXPECT_FALSE(f.JvXPBtnNewVO->isEnabled()) << s.control;
    }
    EXPECT_EQ(field(state(), 1, "DateEntree"), QStringLiteral("01/12/2026"));
    const QString statement = QStringLiteral(
        "Update tVehicles set NVO=1299,InfoCouleur='Vert',CV=6,KMS=90000,DateEntree=#12/01/2026# where (idTVO=1) and "
        "(NVO=1201) and (InfoCouleur='Gris') and (CV=5) and (KMS=84500) and (DateEntree=#10/01/2026#)");
    EXPECT_EQ(state().pages[1].PendingStatement, statement);
    EXPECT_EQ(f.LbDebugInfo2->text(), statement);

    // Typed back to what was loaded, nothing is pending any more.
    for (const auto& [control, keys] : {std::pair{"cKMS", "84500"}, {"cCV", "5"}, {"cNVO", "1201"},
                                        {"cInfoCouleur", "Gris"}, {"cDateEntree", "01102026"}})
        type(QString::fromLatin1(control), QString::fromLatin1(keys));
    EXPECT_EQ(state().pages[1].PendingStatement, QString());
    EXPECT_FALSE(f.JvXPBtnSave->isEnabled());
    EXPECT_TRUE(f.JvXPBtnNewVO->isEnabled());
    EXPECT_EQ(text("xcInfoField2"), QStringLiteral("5 cv - 84500 kms"));

    // A site chosen is the one the next new record takes.
    auto* site = get<toolkit::ComboBox>("cSite");
    site->setCurrentIndex(site->findText(QStringLiteral("SUD")));
    EXPECT_EQ(state().UserUS1, QStringLiteral("SUD"));

    // A decimal that is no number is not sent; it stays pending and says why.
    run->newTrace();
    type("cPrixVente", "12-5");
    EXPECT_FALSE(pending(1).pending() && pending(1).Statement.contains(QLatin1String("PrixVente")));
    EXPECT_TRUE(f.JvXPBtnSave->isEnabled());
    EXPECT_TRUE(run->newTrace().contains(
        QString::fromUtf8("TestPageUpdate page 1 : PrixVente non enregistré, « 12-5 » n'est pas un nombre")));
}

TEST_F(EditingE2e, CustomerFiltersIdentityAndDuplicateChecks)
{
    auto& f = openCustomer("1");
    f.DblDelay = 0;
    struct Step {
        const char* control;
        const char* keys;
        const char* kept;  // the control's text once typed
    } steps[] = {
        {"aCliNom", "d'Ar-mor é", "D'AR-MOR é"},    // names in capitals, accents as typed
        {"aCliPrenom", "jEAN", "JEAN"},
        {"aCliMobile", "06 12.34-5", "0612345"},    // phones: digits only
        {"aCliTelDom", "+33(0)320", "330320"},
    };
    for (const Step& s : steps) {
        type(QString::fromLatin1(s.control), QString::fromUtf8(s.keys));
        EXPECT_EQ(text(QString::fromLatin1(s.control)), QString::fromUtf8(s.kept)) << s.control;
    }
    EXPECT_EQ(text("xcIdentity"), QString::fromUtf8("M. D'AR-MOR É Jean"));
    EXPECT_EQ(text("xcInfoField2"), service::FormatPhoneNumber(QStringLiteral("0612345")));
    EXPECT_EQ(text("xcInfoField3"), service::FormatPhoneNumber(QStringLiteral("330320")));
    EXPECT_EQ(f.DblField, QStringLiteral("TelDom"));  // the last field changed wins
    EXPECT_EQ(f.DblDelay, 4);
    get<toolkit::ComboBox>("aCliCivilite")->setCurrentIndex(
        get<toolkit::ComboBox>("aCliCivilite")->findText(QStringLiteral("Mme")));
    EXPECT_EQ(text("xcIdentity"), QString::fromUtf8("Mme D'AR-MOR É Jean"));
    EXPECT_EQ(field(state(), 7, "CliNom"), QString::fromUtf8("D'AR-MOR é"));
    EXPECT_TRUE(pending(7).Statement.startsWith(
        QString::fromUtf8("Update tClients set CliCivilite='Mme',CliNom='D''AR-MOR é',CliPrenom='JEAN',")))
        << pending(7).Statement.toStdString();

    // Reloading the customer arms no check and leaves nothing pending.
    f.DblDelay = 0;
    f.UpdateView(false);
    EXPECT_EQ(f.DblDelay, 0);
    EXPECT_FALSE(f.JvXPBtnSave->isEnabled());
}

TEST_F(EditingE2e, RegistrationsAndNumericFilters)
{
    auto& f = openVehicle("1", 1);
    type("cImmatriculation", "ab-12 cd");
    EXPECT_EQ(text("cImmatriculation"), QStringLiteral("AB12CD"));
    EXPECT_EQ(field(state(), 1, "Immatriculation"), QStringLiteral("AB12CD"));

    int beeps = 0;
    f.Editing().host().beep = [&beeps] { ++beeps; };
    struct Key {
        const char* handler;
        const char* text;
        char key;
        bool passes;
    } keys[] = {
        {"EditRealKeyPress", "12", '.', true},  {"EditRealKeyPress", "12.5", '.', false},
        {"EditRealKeyPress", "12", 'a', false}, {"EditRealKeyPress", "12", ',', true},  // taken as "."
        {"EditRealKeyPress", "", '\b', true},   {"EditNumKeyPress", "12", '.', false},
        {"EditNumKeyPress", "12", ',', false},  {"EditNumKeyPress", "12", '-', true},
        {"EditNumKeyPress", "", '\r', true},    {"EditNumKeyPress", "1", '7', true},
    };
    toolkit::NumberEdit edit;
    auto* designed = pages::DesignedPages::of(f.Tabs);
    for (const Key& k : keys) {
        edit.setText(QString::fromLatin1(k.text));
        QChar c = QChar::fromLatin1(k.key);
        pages::EventArgs a;
        a.sender = &edit;
        a.keyChar = &c;
        const int before = beeps;
        designed->handlers().dispatch(QString::fromLatin1(k.handler), a);
        EXPECT_EQ(!c.isNull(), k.passes) << k.handler << " " << k.text << " " << k.key;
        EXPECT_EQ(beeps - before, k.passes ? 0 : 1) << k.handler << " " << k.key;
    }
}

TEST_F(EditingE2e, OptionListsOfNewVehicles)
{
    auto& f = openVehicle("6", 2);
    auto* list = get<toolkit::ListBox>("cVNInfoOptions");
    auto* button = get("czVNOptions");
    f.show();
    ASSERT_TRUE(list->isHidden());
    qobject_cast<QAbstractButton*>(button)->click();
    EXPECT_FALSE(list->isHidden());
    emit list->events()->entered();
    EXPECT_EQ(list->size(), QSize(200, 400));
    EXPECT_TRUE(button->isHidden());
    list->setSelected(0, !list->isSelected(0));
    EXPECT_EQ(f.LbInfoOptions->text(), list->selectedTexts().join(QStringLiteral(" - ")));
    EXPECT_TRUE(pending(3).Statement.contains(QLatin1String("InfoOptions=';"))) << pending(3).Statement.toStdString();
    emit list->events()->exited();
    EXPECT_TRUE(list->isHidden());
    EXPECT_FALSE(button->isHidden());
}

TEST_F(EditingE2e, DatesAreCheckedOnLeavingTheField)
{
    auto& f = openVehicle("1", 1);
    f.show();
    // Digits typed in a row fill the date wherever the click left the cursor.
    auto* mec = get<toolkit::DatePicker>("cMEC");
    mec->setText(QString());
    QTest::mouseClick(mec, Qt::LeftButton, {}, QPoint(mec->width() - 30, mec->height() / 2));
    QTest::keyClicks(mec, "15112026");
    EXPECT_EQ(mec->text(), QStringLiteral("15/11/2026"));

    struct Case {
        const char* control;
        const char* keys;
        const char* message;  // "" accepted
        const char* kept;
    } cases[] = {
        {"cMEC", "09122026", "", "09/12/2026"},  // the server's date
        {"cMEC", "10122026", "La valeur du champ \"MEC\" doit être inférieure au \"09/12/2026\"",
         "12/05/2019"},
        {"cDateEntree", "01012020", "", "01/01/2020"},  // the lower limit itself
        {"cDateEntree", "31122019",
         "La valeur du champ \"Entrée\" doit être comprise entre le \"01/01/2020\" et le \"09/12/2026\"", "01/10/2026"},
        {"cDateDisponibilite", "08122026", "La valeur du champ \"Dispo.\" doit être supérieure au \"09/12/2026\"",
         "20/10/2026"},
        // A text that is no date stays, to be corrected.
        {"cDateEntree", "31022026", "La valeur du champ \"Entrée\" n'est pas une date valide (jj/mm/aaaa)",
         "31/02/2026"},
    };
    for (const Case& c : cases) {
        run->dialogs.shown.clear();
        type(QString::fromLatin1(c.control), QString::fromLatin1(c.keys));
        leave(QString::fromLatin1(c.control));
        const QString message = QString::fromUtf8(c.message);
        ASSERT_EQ(run->dialogs.shown.size(), message.isEmpty() ? 0u : 1u) << c.control << " " << c.keys;
        if (!message.isEmpty()) {
            EXPECT_EQ(run->dialogs.shown[0].text, message);
            EXPECT_EQ(run->dialogs.shown[0].caption, QString::fromUtf8("Contrôle de la date saisie"));
            EXPECT_EQ(QApplication::focusWidget(), get(QString::fromLatin1(c.control))) << c.control;
        }
        QString kept = QString::fromLatin1(c.kept);
        EXPECT_EQ(text(QString::fromLatin1(c.control)), kept.isEmpty() ? toolkit::DatePicker::kEmptyMask : kept);
    }
    // Restored to their loaded values, the refused dates leave nothing pending
    // once the date that was no date is typed back.
    EXPECT_TRUE(f.JvXPBtnSave->isEnabled());
    type("cDateEntree", "01102026");
    EXPECT_EQ(state().pages[1].PendingStatement, QString());
    EXPECT_FALSE(f.JvXPBtnSave->isEnabled());
}

TEST_F(EditingE2e, BirthDatesOfAdultsOnly)
{
    auto& f = openCustomer("1");
    f.show();
    run->clock.set(QDateTime(QDate(2026, 3, 1), QTime(9, 0)));
    for (const auto& [keys, refused] : {std::pair{"01032008", false}, {"02032008", true}}) {
        run->dialogs.shown.clear();
        type("aCliDateNaissance", QString::fromLatin1(keys));
        leave("aCliDateNaissance");
        EXPECT_EQ(run->dialogs.shown.size(), refused ? 1u : 0u) << keys;
    }
    EXPECT_EQ(run->dialogs.shown.at(0).text,
              QString::fromUtf8("La valeur du champ \"Naissance\" doit être inférieure au \"01/03/2008\""));
}

TEST_F(EditingE2e, SuperAdministratorEditsAReferenceList)
{
    auto& f = openVehicle("1", 1);
    f.show();
    auto* colour = get<toolkit::ComboBox>("cInfoCouleur");
    auto* frame = get<QFrame>("Shape1");
    const auto offered = [colour](const char* t) { return colour->findText(QString::fromUtf8(t)) >= 0; };

    // Without Ctrl held entering the list is only entering it.
    emit colour->events()->entered();
    EXPECT_FALSE(f.Blinking);
    EXPECT_EQ(f.Editing().combos().completionOwner(), QStringLiteral("cInfoCouleur"));
    EXPECT_TRUE(f.Editing().combos().completion()->words().contains(QStringLiteral("Gris")));

    run->keyboard.ctrl = true;
    emit colour->events()->entered();
    EXPECT_TRUE(f.Blinking);
    EXPECT_EQ(frame->parentWidget(), colour->parentWidget());
    EXPECT_EQ(frame->geometry(), colour->geometry().adjusted(-3, 0, 3, 0));

    // Ctrl+D on a new text does nothing; Ctrl+S asks and adds it.
    type("cInfoCouleur", "Vert d'eau 50%");
    QTest::keyClick(colour->lineEdit(), Qt::Key_D, Qt::ControlModifier);
    EXPECT_TRUE(run->dialogs.shown.empty());
    run->dialogs.answers = {MsgResult::No};
    QTest::keyClick(colour->lineEdit(), Qt::Key_S, Qt::ControlModifier);
    ASSERT_EQ(run->dialogs.shown.size(), 1u);
    EXPECT_EQ(run->dialogs.shown[0].caption, QStringLiteral("Confirmation d'Ajout "));
    EXPECT_EQ(run->dialogs.shown[0].text,
              QStringLiteral("Veuillez confirmer l'ajout de la valeur 'Vert d'eau 50%' pour le champ 'InfoCouleur'"));
    EXPECT_EQ(row("SELECT count(*) FROM ListRubrics WHERE RubricText='Vert d''eau 50%'"), QStringLiteral("0"));

    QTest::keyClick(colour->lineEdit(), Qt::Key_S, Qt::ControlModifier);
    ASSERT_EQ(run->dialogs.shown.size(), 3u);
    EXPECT_EQ(run->dialogs.shown[2].caption, QStringLiteral("Fin d'Ajout"));
    EXPECT_EQ(run->dialogs.shown[2].text, QString::fromUtf8("Ajout terminé"));
    EXPECT_EQ(row("SELECT RubricType FROM ListRubrics WHERE RubricText='Vert d''eau 50%'"),
              QStringLiteral("InfoCouleur"));
    EXPECT_TRUE(offered("Vert d'eau 50%"));  // lists and record loaded again
    EXPECT_EQ(f.LbDebugInfo2->text(), QString());

    // Numeric minus on a text of the list deletes it.
    colour->setCurrentIndex(colour->findText(QStringLiteral("Vert d'eau 50%")));
    run->dialogs.shown.clear();
    QTest::keyClick(colour->lineEdit(), Qt::Key_Minus, Qt::ControlModifier | Qt::KeypadModifier);
    ASSERT_EQ(run->dialogs.shown.size(), 2u);
    EXPECT_EQ(run->dialogs.shown[0].caption, QStringLiteral("Confirmation de Suppression"));
    EXPECT_EQ(run->dialogs.shown[1].text, QString::fromUtf8("Suppression terminée"));
    EXPECT_EQ(row("SELECT count(*) FROM ListRubrics WHERE RubricText='Vert d''eau 50%'"), QStringLiteral("0"));
    // The colour typed before the list was changed was stored first, not lost
    // by the reload: the vehicle keeps it.
    EXPECT_EQ(row("SELECT InfoCouleur FROM tVehicles WHERE idTVO=1"), QStringLiteral("Vert d'eau 50%"));

    // The frame blinks on the timer while the mode lasts.
    const bool shown = frame->isVisible();
    for (int tick = 0; tick < 3; ++tick)
        f.Timer1Timer();
    EXPECT_NE(frame->isVisible(), shown);

    // Leaving the list ends the mode; Delete then empties a text list.
    emit colour->events()->exited();
    EXPECT_FALSE(f.Blinking);
    EXPECT_TRUE(frame->isHidden());
    run->keyboard.ctrl = false;
    QTest::keyClick(colour->lineEdit(), Qt::Key_Delete);
    EXPECT_EQ(colour->text(), QString());
    EXPECT_EQ(field(state(), 1, "InfoCouleur"), QString());

    // The completion keeps the words of its combo box until another one is entered.
    ASSERT_TRUE(offered("Gris"));
    colour->addItem(QStringLiteral("Ocre"));
    emit colour->events()->entered();
    EXPECT_FALSE(f.Editing().combos().completion()->words().contains(QStringLiteral("Ocre")));
    emit get<toolkit::ComboBox>("cInfoCouleurInt")->events()->entered();
    EXPECT_EQ(f.Editing().combos().completionOwner(), QStringLiteral("cInfoCouleurInt"));
    emit colour->events()->entered();
    EXPECT_TRUE(f.Editing().combos().completion()->words().contains(QStringLiteral("Ocre")));
    EXPECT_EQ(f.Editing().combos().completion()->complete(QStringLiteral("oc")), QStringLiteral("Ocre"));

    // A user who is no super-administrator never edits the lists.
    state().rights.RightSuperAdmin = false;
    run->keyboard.ctrl = true;
    emit colour->events()->entered();
    EXPECT_FALSE(f.Blinking);
}
