#pragma once
// The four duplicate-customer indicators of the customer sheet (DblNom,
// DblIdent, DblMobile, DblTelDom): a double-click on a field shows its
// indicator, which then counts the other customers already carrying the
// value typed, a second after the last change; on a customer being created
// the indicator shows, counted at once, as soon as its field is left. A
// count above zero stands out. A click on an indicator opens the search
// panel on those customers.

#include "search/SearchHost.h"

#include <QObject>

namespace stanor::pages {
class DesignedPages;
class RecordView;
}  // namespace stanor::pages

namespace stanor::search {

struct DuplicateCheck;
class SearchPanel;

class DuplicateIndicators : public QObject {
    Q_OBJECT
public:
    // Gives the indicators their look and installs the double-click and
    // click handlers by their names; owned by the record view.
    static DuplicateIndicators* install(pages::DesignedPages& pages, pages::RecordView& view, SearchPanel& panel);
    static DuplicateIndicators* of(const pages::RecordView* view);

    // Runs the check armed last (DblField), when its indicator is shown and
    // its field holds a value.
    void HttpGetDblInfo();
    // Runs the check of a kind now, on the same conditions.
    void check(const QString& kind);

    // Shows the indicator of the check and arms it.
    void showIndicator(const QString& kind);
    // Opens the search panel on the customers the indicator counts.
    void openSearch(const QString& kind);

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    DuplicateIndicators(pages::RecordView& view, SearchPanel& panel);
    QWidget* indicator(const DuplicateCheck& check) const;
    void showCount(QWidget* indicator, const QString& count);
    bool creatingCustomer() const;

    pages::RecordView& view_;
    SearchPanel& panel_;
};

}  // namespace stanor::search
