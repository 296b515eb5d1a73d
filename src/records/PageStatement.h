#pragma once
// The pending statement of a page: the Update (or, for a record or customer
// vehicle being created, the Insert) that stores what the user changed on
// it, built from the page's field descriptions and the record's state.

#include "pages/TabModel.h"

#include <QDate>
#include <QString>
#include <QStringList>

#include <vector>

namespace stanor::records {

// One field of a page as the builder sees it.
struct PageField {
    QString FieldName;
    QString ValueElement;  // non-empty: the value is read from another element, never written
    QString RightsTags;    // ";" + upper-case tag + ";"
    int DataType = 0;
    QString LoadedValue;
    QString CurrentValue;
    bool HasValueControl = false;  // an edit, combo box or list box shows the value
};

// Whether a page's statement never writes a field, whatever its value: the
// end-of-month totals ("FDM"), read-only fields and fields whose value is read
// from another element of the record.
bool PageNeverSends(const QString& fieldName, const QString& valueElement, const QString& rightsTags);

// The fields of a page description, a field having a value control when
// its description holds one.
std::vector<PageField> PageFields(const pages::TsPage& page);

// What the builder reads of the record shown and of the run parameters.
struct RecordState {
    QString RecordTable;  // the table of page 0's description (tVehicles, tClients)
    QString Kind;         // record kind: "VO", "VD", "VN" or "CL"
    bool FlagNewEnreg = false;
    bool NewVehicle = false;
    QString TypeVO;       // the record's TypeVO text; empty until known
    int IdTypeVO = 0;     // run parameter: 1 VO, 2 VN, 3 VD
    QString IdUser;
    QString UserConcession;
    QString CustomerId;   // identifier of the customer shown ("-1" while being created)
    QDate Today;
};

// A changed field left out of the statement, and why.
struct FieldRefusal {
    int Index = 0;  // position in the page's fields
    QString FieldName;
    QString Reason;
};

struct PageStatement {
    QString Statement;  // empty when nothing is to be sent
    bool Insert = false;  // sent with "AxInsert" (else "AxUpdate")
    QString TypeVO;       // the record's TypeVO, filled once by an insert
    // Changed fields that the statement stores: after a successful request
    // these, and only these, take their current value as loaded value.
    std::vector<int> SentFields;
    // Changed fields that cannot be written; they stay pending.
    std::vector<FieldRefusal> Refused;
    // Why no statement was built although fields changed (no key, a key
    // that cannot be written, a customer not stored yet, a bad setting).
    QString Reason;

    bool pending() const { return !Statement.isEmpty(); }
    // Fields changed, whether or not a statement could store them.
    bool changed() const { return pending() || !Refused.empty() || !Reason.isEmpty(); }
    // One trace line per refused field and for the reason, if any.
    QStringList traceLines(int page) const;
};

// The table a page writes to: the record's table, the customer vehicles'
// "TVehiclesProfid" for page 8.
QString PageTable(int page, const QString& recordTable);

// Whether the page's statement is an insert: a record being created, or a
// customer vehicle being entered on page 8.
bool PageInserts(int page, bool flagNewEnreg, bool newVehicle);

// The statement of page (1 to 9) from its fields, in their order:
// - the fields without value control that come before the first one with a
//   control are the key: (Field=loaded value), or (isNull(Field)) when the
//   loaded value is empty; several terms are joined by " and ";
// - a field with a value control whose current value differs from its
//   loaded value is changed, unless its name holds "FDM", it is a "Frevo"
//   total gone from "0.00" to empty, its rights tags hold "READONLY" or its
//   value is read from another element;
// - an Update names, after its key terms, the loaded value of each field it
//   changes (LoadedValueTerm), so that it changes nothing when a colleague
//   changed one of them meanwhile; fields not changed, and the cost totals
//   (sums of the cost lines), are not compared;
// - an Update is never built without a key, nor with a key whose loaded
//   value cannot be written (an unreadable date would give Field=NULL,
//   which matches no row);
// - an Insert is not built while a changed value cannot be written: the
//   record would be created without it;
// - an Insert adds the record's own columns: idTVO, TypeVO, idVO for a
//   vehicle (":NewID", TypeVO, ":NewIDbis"); idClient and DateCreation for a
//   customer (":NewID", today); idClient, idTVO, NVO for a customer vehicle
//   (the customer, ":NewID", ":NewIDbis"); then idOwner and Concession.
// The form does not ask while it is filling its pages (PageFilling): the
// pending statement and the buttons then keep their state.
PageStatement TestPageUpdate(int page, const std::vector<PageField>& fields, const RecordState& record);

}  // namespace stanor::records
