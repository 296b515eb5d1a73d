#pragma once
// The main form on a used vehicle's cost sheet against the data service,
// with helpers that drive the cost grid as a user does: clicks on cells and
// images, F2, typed keys and Enter.

#include "SavingFixture.h"

#include "grids/VehicleMoney.h"
#include "toolkit/Grid.h"

#include <QTabWidget>

namespace e2e {

enum Col { Icon, Id, Date, Label, Account, Supplier, Invoice, Type, Amount };

class CostGridE2e : public SavingE2e {
protected:
    // Opens the vehicle as that user, on the sheet of its costs.
    toolkit::Grid& openCosts(const char* idTVO, const char* idUser = "1")
    {
        run->clock.set(QDateTime(QDate(2026, 12, 9), QTime(12, 0)));  // the service's day
        run->set("idUser", QString::fromLatin1(idUser));
        openVehicle(idTVO, 1);
        activate();
        clickTab(4);
        QApplication::processEvents();
        grid = get<toolkit::Grid>(QStringLiteral("ngFrevo"));
        writes();
        return *grid;
    }
    grids::FrevoGrid& frevo() { return *grids::VehicleMoney::of(&view())->frevo(); }

    QPoint at(int r, int c) const { return grid->visualRect(grid->model()->index(r, c)).center(); }
    void click(int r, int c) { QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, at(r, c)); }
    // Opens the cell's editor with F2, replaces its text and ends with Enter.
    void typeInCell(int r, int c, const QString& keys)
    {
        grid->setFocus();
        grid->setCurrentCell(r, c);
        QTest::keyClick(grid, Qt::Key_F2);
        QWidget* editor = grid->inplaceEditor();
        ASSERT_NE(editor, nullptr) << r << "," << c;
        auto* line = qobject_cast<QLineEdit*>(editor);
        if (auto* combo = qobject_cast<QComboBox*>(editor))
            line = combo->lineEdit();
        if (line)
            line->selectAll();
        QTest::keyClicks(editor, keys);
        QTest::keyClick(editor, Qt::Key_Return);
    }
    // The column texts of the grid's rows, "|" between cells 1 to 8.
    QStringList rows()
    {
        QStringList out;
        for (int r = 0; r < grid->rowCount(); ++r) {
            QStringList cells;
            for (int c = Id; c <= Amount; ++c)
                cells << grid->cell(r, c);
            out << QString::number(grid->image(r, Icon)) + u' ' + cells.join(u'|');
        }
        return out;
    }
    // The totals and margins shown, in one line.
    QString money()
    {
        QStringList out;
        for (const char* name : {"cFrevoPrevision", "cFrevoFixe", "cFrevoInterne", "cFrevoExterne", "cFrevo",
                                 "cFrevoTotFDM", "cTotFrevo", "ccTVA", "cMBrute", "cMNette"})
            out << QString::fromLatin1(name) + u'=' + text(QString::fromLatin1(name));
        return out.join(u' ');
    }

    toolkit::Grid* grid = nullptr;
};

}  // namespace e2e
