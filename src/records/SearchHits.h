#pragma once
// The hits of the last search, as the next and previous buttons step
// through them: the identifier each row opens and the row shown now. The
// search panel fills it; the buttons only move along it.

#include <QString>
#include <QStringList>

namespace stanor::records {

class SearchHits {
public:
    // The identifiers the rows open (idTVO of vehicles, idClient of
    // customers), in the grid's order; no row is current. kinds gives each
    // vehicle's record kind as the run parameter idTypeVO numbers them
    // (1 VO, 2 VN, 3 VD; 0 or missing: unknown).
    void setHits(const QStringList& ids, bool customers, const QList<int>& kinds = {});
    void clear() { setHits({}, false); }

    int count() const { return int(ids_.size()); }
    bool customers() const { return customers_; }
    QString id(int row) const { return row >= 0 && row < count() ? ids_[row] : QString(); }
    int kind(int row) const { return row >= 0 && row < kinds_.size() ? kinds_[row] : 0; }

    // The row shown (or hovered), -1 when none.
    int current() const { return current_; }
    // Makes row current; false (and nothing changes) when there is no such row.
    bool select(int row);
    // The row that opens the record id, -1 when none does.
    int find(const QString& id) const { return id.isEmpty() ? -1 : int(ids_.indexOf(id)); }

    // Whether a row follows or precedes the current one (the buttons' states).
    bool canNext() const { return current_ >= 0 && current_ < count() - 1; }
    bool canPrev() const { return current_ > 0 && current_ < count(); }
    // The row a step leads to, -1 at the end of the list.
    int nextRow() const { return canNext() ? current_ + 1 : -1; }
    int prevRow() const { return canPrev() ? current_ - 1 : -1; }

private:
    QStringList ids_;
    QList<int> kinds_;
    bool customers_ = false;
    int current_ = -1;
};

}  // namespace stanor::records
