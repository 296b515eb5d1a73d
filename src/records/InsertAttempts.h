#pragma once
// Inserts sent again after a failure. A request whose answer is lost may
// still have stored its row: the client cannot tell. Every insert therefore
// carries a key of the client's making ("&InsertKey="), kept until an answer
// says the row is stored; an attempt sent again with the same key stores
// nothing more, and the data service answers with the keys the first one got
// ("Replayed"). The values the user typed after the first attempt are then
// carried over to the stored record.

#include <QString>
#include <QStringList>

#include <map>
#include <vector>

namespace stanor::records {

// What a save slot inserts: a page of the record, a cost line, an action
// line, the fixed-cost line.
enum class InsertSlot { Page, CostLine, ActionLine, FixedCost };

// One insert not yet known to be stored.
struct InsertAttempt {
    QString Key;
    QString FirstStatement;     // the statement of the first attempt
    QStringList FirstValues;    // the current values of the page's fields then
    QStringList FieldNames;     // the page's field names then (to check the page is still the same)
};

class InsertAttempts {
public:
    // The attempt of the slot (and page), started with these values when
    // none is outstanding. An attempt lives until done() or forget().
    const InsertAttempt& attempt(InsertSlot slot, int page, const QString& statement, const QStringList& names,
                                 const QStringList& values);
    // The insert is known to be stored: the next insert of the slot gets a new key.
    void done(InsertSlot slot, int page);
    // The record being created is abandoned: every outstanding key is dropped.
    void forget() { attempts_.clear(); }
    bool outstanding() const { return !attempts_.empty(); }
    const InsertAttempt* find(InsertSlot slot, int page) const;

    // A fresh key: 32 hexadecimal digits from a random UUID.
    static QString newKey();
    // The parameter that carries the key in a request address.
    static QString urlParameter(const QString& key);

private:
    std::map<std::pair<int, int>, InsertAttempt> attempts_;
};

// A field whose value is to be typed again into the stored record.
struct CarriedValue {
    int Index = 0;
    QString FieldName;
    QString Value;
};

// The fields whose value now differs from the value that the stored insert
// carried: those the user changed after that insert was sent. Pages whose
// fields no longer match (another description) carry nothing.
std::vector<CarriedValue> ValuesToCarry(const QStringList& storedNames, const QStringList& storedValues,
                                        const QStringList& names, const QStringList& values);

}  // namespace stanor::records
