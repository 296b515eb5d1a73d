#pragma once
// The main form on a customer against the data service, with helpers that
// drive the action grid and the vehicle grid as a user does: clicks on cells
// and images, F2, typed keys, an entry chosen in a list and Enter.

#include "SavingFixture.h"

#include "grids/CustomerFollowUp.h"
#include "toolkit/Grid.h"

#include <QTabWidget>

namespace e2e {

enum ActionCol { AImage, AId, ADate, ACom, AType, ASubject, AComment, AReminder, AReminderCom, AReminderSubject,
                 APriority };

class FollowUpE2e : public SavingE2e {
protected:
    // Opens the customer as that user, on its sheet of actions.
    toolkit::Grid& openActions(const char* idClient, const char* idUser = "1")
    {
        run->clock.set(QDateTime(QDate(2026, 12, 9), QTime(12, 0)));  // the service's day
        run->set("idUser", QString::fromLatin1(idUser));
        openCustomer(idClient);
        activate();
        grid = get<toolkit::Grid>(QStringLiteral("ngAction"));
        writes();
        return *grid;
    }
    // The same customer's sheet of vehicles.
    toolkit::Grid& openVehicles(const char* idClient, const char* idUser = "1")
    {
        openActions(idClient, idUser);
        clickTab(1);
        QApplication::processEvents();
        grid = get<toolkit::Grid>(QStringLiteral("ngVehicles"));
        writes();
        return *grid;
    }
    grids::ActionGrid& actions() { return *grids::CustomerFollowUp::of(&view())->actions(); }

    QPoint at(int r, int c) const { return grid->visualRect(grid->model()->index(r, c)).center(); }
    void click(int r, int c)
    {
        grid->scrollTo(grid->model()->index(r, c));
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, at(r, c));
    }
    // Opens the cell's editor with F2; nullptr when none opens.
    QWidget* openEditor(int r, int c)
    {
        grid->setFocus();
        grid->setCurrentCell(r, c);
        QTest::keyClick(grid, Qt::Key_F2);
        return grid->inplaceEditor();
    }
    // Replaces the cell's text by typing keys and ends with Enter.
    void typeInCell(int r, int c, const QString& keys)
    {
        QWidget* editor = openEditor(r, c);
        ASSERT_NE(editor, nullptr) << r << "," << c;
        auto* line = qobject_cast<QLineEdit*>(editor);
        if (auto* combo = qobject_cast<QComboBox*>(editor))
            line = combo->lineEdit();
        if (line)
            line->selectAll();
        else if (auto* memo = qobject_cast<QPlainTextEdit*>(editor))
            memo->selectAll();
        QTest::keyClicks(editor, keys);
        QTest::keyClick(editor, Qt::Key_Return);
    }
    // Chooses an entry of a list cell and ends with Enter.
    void chooseInCell(int r, int c, const QString& entry)
    {
        auto* combo = qobject_cast<QComboBox*>(openEditor(r, c));
        ASSERT_NE(combo, nullptr) << r << "," << c;
        const int i = combo->findText(entry);
        ASSERT_GE(i, 0) << entry.toStdString();
        combo->setCurrentIndex(i);
        QTest::keyClick(combo, Qt::Key_Return);
    }
    // The shown texts of a row's cells from..to, "|" between.
    QString shown(int r, int from = ADate, int to = APriority)
    {
        QStringList cells;
        for (int c = from; c <= to; ++c)
            cells << grid->cell(r, c);
        return cells.join(u'|');
    }
    // The images of the rows, one digit each.
    QString images()
    {
        QString out;
        for (int r = 0; r < grid->rowCount(); ++r)
            out += QString::number(grid->image(r, 0));
        return out;
    }

    toolkit::Grid* grid = nullptr;
};

}  // namespace e2e
