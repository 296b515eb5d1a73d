#pragma once
// An update that met a colleague's change. The update names, after its key,
// the loaded value of each field it changes; when a colleague changed one of
// them meanwhile it changes nothing, and the data service answers the stored
// values with who changed them last and when (or that the record is gone).
// The form then asks, field by field, whose value wins.

#include <QDateTime>
#include <QString>
#include <vector>

namespace stanor::records {

struct ConflictAnswer {
    struct Field {
        QString Column;
        QString Value;     // the stored value, in the answers' form
        QString UserName;  // who changed it last ("" when nobody's change is on record)
        QDateTime When;    // when (UTC); invalid when unknown
    };
    bool Present = false;  // the answer holds a conflict
    bool Deleted = false;  // the record (or line) no longer exists
    std::vector<Field> Fields;

    const Field* field(const QString& column) const;
};

ConflictAnswer ReadConflictAnswer(const QString& answerText);

// The term that holds while a field keeps its loaded value: (F=value), or
// for an empty one isNull(F) (and, for a text, an empty text as well).
// Empty when the loaded value cannot be written or holds a line break (the
// answers give every break as CR LF, whatever is stored): the field is then not compared.
QString LoadedValueTerm(const QString& fieldName, int dataType, const QString& loadedValue);

// Whether two values of a field of that type are the same value once
// written ("1234,5" and "1234.50" for a decimal).
bool SameValue(int dataType, const QString& a, const QString& b);

// The question put to the user for one field: its caption, the colleague's
// value, the user's value, the colleague's name and the local time.
QString ConflictQuestion(const QString& caption, const ConflictAnswer::Field& theirs, const QString& mine);
QString ConflictCaption();
// Said when the record was deleted meanwhile; the values typed stay shown.
QString DeletedMeanwhileText();
// Said when a grid line was deleted meanwhile; its values stay shown but are no longer sent.
QString LineDeletedMeanwhileText(int line);

}  // namespace stanor::records
