#pragma once
// The main form against the data service with helpers that drive one of its
// editable grids as a user does: clicks on cells and images, F2, typed keys
// and Enter.

#include "SavingFixture.h"

#include "toolkit/Grid.h"

namespace e2e {

class GridE2e : public SavingE2e {
protected:
    // The user, and the service's day as the client's, for the record opened next.
    void asUser(const char* idUser)
    {
        run->clock.set(QDateTime(QDate(2026, 12, 9), QTime(12, 0)));
        run->set("idUser", QString::fromLatin1(idUser));
    }
    // The grid of that name driven from now on; the writes so far are forgotten.
    toolkit::Grid& useGrid(const char* name)
    {
        grid = get<toolkit::Grid>(QString::fromLatin1(name));
        writes();
        return *grid;
    }

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

    toolkit::Grid* grid = nullptr;
};

}  // namespace e2e
