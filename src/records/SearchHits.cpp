#include "records/SearchHits.h"

namespace stanor::records {

void SearchHits::setHits(const QStringList& ids, bool customers, const QList<int>& kinds) {
    ids_ = ids;
    kinds_ = kinds;
    customers_ = customers;
    current_ = -1;
}

bool SearchHits::select(int row) {
    if (row < 0 || row >= count()) return false;
    current_ = row;
    return true;
}

}  // namespace stanor::records
