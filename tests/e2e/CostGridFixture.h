#pragma once
// The main form on a used vehicle's cost sheet against the data service,
// with helpers that open the cost grid and read its rows and the totals.

#include "GridFixture.h"

#include "grids/VehicleMoney.h"

#include <QTabWidget>

namespace e2e {

enum Col { Icon, Id, Date, Label, Account, Supplier, Invoice, Type, Amount };

class CostGridE2e : public GridE2e {
protected:
    // Opens the vehicle as that user, on the sheet of its costs.
    toolkit::Grid& openCosts(const char* idTVO, const char* idUser = "1")
    {
        asUser(idUser);
        openVehicle(idTVO, 1);
        activate();
        clickTab(4);
        QApplication::processEvents();
        return useGrid("ngFrevo");
    }
    grids::FrevoGrid& frevo() { return *grids::VehicleMoney::of(&view())->frevo(); }

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
};

}  // namespace e2e
