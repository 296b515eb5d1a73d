#pragma once
// The main form against the data service, with what saving needs besides
// typing: the requests the service received, in order, a click on a tab as
// the mouse gives it, and counts of rows.

#include "EditingFixture.h"

#include "records/RecordPersistence.h"

#include <QTabBar>
#include <mutex>

namespace e2e {

class SavingE2e : public EditingE2e {
protected:
    void SetUp() override
    {
        startService([this](const std::string& line) {
            std::lock_guard lock(logMutex);
            log.push_back(line);
        });
    }

    // The writes the service received since the last call: "AxUpdate" or
    // "AxInsert" with the statement's first words.
    QStringList writes()
    {
        std::lock_guard lock(logMutex);
        QStringList out;
        for (; logSeen < log.size(); ++logSeen) {
            const QString line = QString::fromStdString(log[logSeen]);
            for (const char* endpoint : {"/AxUpdate", "/AxInsert"})
                if (line.contains(QLatin1String(endpoint)))
                    out << QString::fromLatin1(endpoint + 1);
        }
        return out;
    }

    // The form shown and active, so that the focus can be given.
    void activate()
    {
        form().show();
        QApplication::setActiveWindow(&form());
        QApplication::processEvents();
    }

    // A click on the tab of a sheet, where the mouse would give it.
    void clickTab(int index)
    {
        form().show();
        QTabBar* bar = form().Tabs->tabBar();
        QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, bar->tabRect(index).center());
    }

    int count(const QString& sql) { return row(sql).toInt(); }

    // Chooses the first item of a list-only combo box that is not blank; its text.
    static QString pickFirst(toolkit::ComboBox* combo)
    {
        for (int i = 0; i < combo->count(); ++i)
            if (!combo->itemText(i).trimmed().isEmpty()) {
                combo->setCurrentIndex(i);
                return combo->itemText(i);
            }
        return {};
    }

    records::RecordPersistence& persistence() { return form().Persistence(); }

    std::mutex logMutex;
    std::vector<std::string> log;
    size_t logSeen = 0;
};

}  // namespace e2e
