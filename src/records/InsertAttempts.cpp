#include "records/InsertAttempts.h"

#include <QUuid>

namespace stanor::records {

const InsertAttempt& InsertAttempts::attempt(InsertSlot slot, int page, const QString& statement,
                                             const QStringList& names, const QStringList& values) {
    const auto at = std::make_pair(int(slot), page);
    auto it = attempts_.find(at);
    if (it == attempts_.end())
        it = attempts_.emplace(at, InsertAttempt{newKey(), statement, values, names}).first;
    return it->second;
}

void InsertAttempts::done(InsertSlot slot, int page) { attempts_.erase(std::make_pair(int(slot), page)); }

const InsertAttempt* InsertAttempts::find(InsertSlot slot, int page) const {
    const auto it = attempts_.find(std::make_pair(int(slot), page));
    return it == attempts_.end() ? nullptr : &it->second;
}

QString InsertAttempts::newKey() { return QUuid::createUuid().toString(QUuid::Id128); }

QString InsertAttempts::urlParameter(const QString& key) { return QStringLiteral("&InsertKey=") + key; }

std::vector<CarriedValue> ValuesToCarry(const QStringList& storedNames, const QStringList& storedValues,
                                        const QStringList& names, const QStringList& values) {
    std::vector<CarriedValue> out;
    if (storedNames != names || storedValues.size() != names.size() || values.size() != names.size()) return out;
    for (int i = 0; i < names.size(); ++i)
        if (values[i] != storedValues[i]) out.push_back({i, names[i], values[i]});
    return out;
}

}  // namespace stanor::records
