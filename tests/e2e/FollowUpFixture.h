#pragma once
// The main form on a customer against the data service, with helpers that
// open the action grid and the vehicle grid, choose an entry in a list cell
// and read the rows.

#include "GridFixture.h"

#include "grids/CustomerFollowUp.h"

#include <QTabWidget>

namespace e2e {

enum ActionCol { AImage, AId, ADate, ACom, AType, ASubject, AComment, AReminder, AReminderCom, AReminderSubject,
                 APriority };

class FollowUpE2e : public GridE2e {
protected:
    // Opens the customer as that user, on its sheet of actions.
    toolkit::Grid& openActions(const char* idClient, const char* idUser = "1")
    {
        asUser(idUser);
        openCustomer(idClient);
        activate();
        return useGrid("ngAction");
    }
    // The same customer's sheet of vehicles.
    toolkit::Grid& openVehicles(const char* idClient, const char* idUser = "1")
    {
        openActions(idClient, idUser);
        clickTab(1);
        QApplication::processEvents();
        return useGrid("ngVehicles");
    }
    grids::ActionGrid& actions() { return *grids::CustomerFollowUp::of(&view())->actions(); }

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
};

}  // namespace e2e
